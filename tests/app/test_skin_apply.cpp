// Skin application through the external function table, with a stand-in engine that records the block it is
// handed: the exact carried skin for 1 to 33, a null address and length 0 for any other number.
#include "app/external_table.h"
#include "app/skin_apply.h"
#include "test_utils.h"
#include "testsupport/programs.h"

#include <QLibrary>
#include <QtTest>
#include <climits>

namespace {

QString skinFile(int number)
{
    return QStringLiteral(SKINS_DIR "/%1.vskin").arg(number, 2, 10, QLatin1Char('0'));
}

struct LastCall {
    int calls = 0;
    bool null = false;
    int length = -1;
    bool textEmpty = false;
    int reservedSum = -1;
    QByteArray bytes;
};

// Reads what the stand-in engine recorded. Loading it by the same path reaches the copy the table bound.
LastCall lastCall()
{
    QLibrary engine(QStringLiteral(TEST_ENGINE_LIB));
    using CallsFn = int (*)(bool*, int*, bool*, int*);
    using BytesFn = int (*)(unsigned char*, int);
    const auto calls = reinterpret_cast<CallsFn>(engine.resolve("test_engine_calls"));
    const auto bytes = reinterpret_cast<BytesFn>(engine.resolve("test_engine_bytes"));
    LastCall c;
    if (calls == nullptr || bytes == nullptr)
        return c;
    c.calls = calls(&c.null, &c.length, &c.textEmpty, &c.reservedSum);
    c.bytes.resize(1 << 20);
    c.bytes.resize(bytes(reinterpret_cast<unsigned char*>(c.bytes.data()), static_cast<int>(c.bytes.size())));
    return c;
}

} // namespace

class SkinApplyTest : public QObject {
    Q_OBJECT
private slots:
    void carriedSkins();
    void handsTheEngine_data();
    void handsTheEngine();
};

// The program carries exactly the committed skin files, and nothing under numbers outside 1 to 33.
void SkinApplyTest::carriedSkins()
{
    for (int n = 1; n <= app::kSkinCount; ++n) {
        const QByteArray file = testutil::readFile(skinFile(n));
        QVERIFY2(!file.isEmpty(), qPrintable(skinFile(n)));
        QCOMPARE(app::carriedSkin(n), file);
    }
    for (int n : {0, 34, -1, 100, INT_MIN, INT_MAX})
        QVERIFY(app::carriedSkin(n).isEmpty());
}

void SkinApplyTest::handsTheEngine_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("file"); // empty: no data expected
    QTest::newRow("13, the start-up skin") << 13 << skinFile(13);
    QTest::newRow("1, the first") << 1 << skinFile(1);
    QTest::newRow("33, the last") << 33 << skinFile(33);
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("34") << 34 << QString();
    QTest::newRow("negative") << -13 << QString();
}

void SkinApplyTest::handsTheEngine()
{
    QFETCH(int, number);
    QFETCH(QString, file);
    testutil::Sandbox dir;
    app::ExternalTable table(dir.path().chopped(1), {{QStringLiteral(TEST_ENGINE_LIB), app::kSkinAttachFunction}});
    const int before = lastCall().calls;

    QCOMPARE(app::attachSkin(number, table), 77); // the stand-in's result comes back unchanged
    const LastCall call = lastCall();
    QCOMPARE(call.calls, before + 1);
    QVERIFY(call.textEmpty);
    QCOMPARE(call.reservedSum, 0);
    if (file.isEmpty()) {
        QVERIFY(call.null);
        QCOMPARE(call.length, 0);
    } else {
        QVERIFY(!call.null);
        QCOMPARE(call.length, static_cast<int>(QFileInfo(file).size()));
        QCOMPARE(call.bytes, testutil::readFile(file));
    }

    // A second application through the same table reuses the bound engine.
    app::attachSkin(number, table);
    QCOMPARE(lastCall().calls, before + 2);
    QCOMPARE(table.loadAttempts(), 1);
}

QTEST_GUILESS_MAIN(SkinApplyTest)
#include "test_skin_apply.moc"
