// Skin deployment into real folders: a fresh folder gets the carried engine byte for byte, an existing file of
// the engine's name is never touched, and a folder that cannot take the whole file is left without one.
#include "app/external_table.h"
#include "app/skin_deploy.h"
#include "probe_runner.h"
#include "test_utils.h"
#include "testsupport/programs.h"

#include <QLibrary>
#include <QtTest>

namespace {

QString folder(const testutil::Sandbox& dir)
{
    return dir.path().chopped(1);
}

// What the probe says of the folder, without the line of its exit handler.
QString report(const probe::Result& r)
{
    return QString(r.out).remove(QStringLiteral("exit handler ran")).trimmed();
}

} // namespace

class SkinDeployTest : public QObject {
    Q_OBJECT
private slots:
    void carriedImageIsTheEngine();
    void freshFolder();
    void existingFileIsKept_data();
    void existingFileIsKept();
    void readOnlyFolder();
    void fullDiskLeavesNoTruncatedEngine();
};

// The carried image is a loadable library that exports the entry point the program binds.
void SkinDeployTest::carriedImageIsTheEngine()
{
    const QByteArray image = app::carriedEngineImage();
    QVERIFY(image.size() > 4096);
    QVERIFY(image.startsWith("\x7f"
                             "ELF"));
    testutil::Sandbox dir;
    QVERIFY(dir.write(QStringLiteral("copy.so"), image));
    QLibrary engine(dir.file(QStringLiteral("copy.so")));
    QVERIFY2(engine.load(), qPrintable(engine.errorString()));
    QVERIFY(engine.resolve(app::kSkinAttachFunction) != nullptr);
}

void SkinDeployTest::freshFolder()
{
    testutil::Sandbox dir;
    QVERIFY(app::deploySkinEngine(folder(dir)));
    QCOMPARE(app::skinEnginePath(folder(dir)), dir.file(app::skinEngineFileName()));
    QCOMPARE(testutil::readFile(dir.file(app::skinEngineFileName())), app::carriedEngineImage());
    // Nothing else is left behind (no temporary file of the write).
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{app::skinEngineFileName()});
    QVERIFY(QFileInfo(dir.file(app::skinEngineFileName())).isReadable());
}

void SkinDeployTest::existingFileIsKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("different content") << QByteArray("an older engine, or anything at all") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("read-only file") << QByteArray("read-only engine") << true;
}

void SkinDeployTest::existingFileIsKept()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, readOnly);
    testutil::Sandbox dir;
    const QString path = dir.file(app::skinEngineFileName());
    QVERIFY(dir.write(app::skinEngineFileName(), content));
    QFile file(path);
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1000000000);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();
    if (readOnly)
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    QVERIFY(!app::deploySkinEngine(folder(dir)));
    QVERIFY(!app::deploySkinEngine(folder(dir)));
    QCOMPARE(testutil::readFile(path), content);
    QCOMPARE(QFileInfo(path).lastModified(), stamp);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// Root writes through permission bits, so the folder is made read-only by a read-only bind mount in the probe's
// own mount namespace.
void SkinDeployTest::readOnlyFolder()
{
    if (!probe::canMountReadOnly())
        QSKIP("no private mount namespace here (needs root and unshare)");
    testutil::Sandbox dir;
    const probe::Result r =
        probe::runMounted({folder(dir)}, QStringLiteral(SHELL_PROBE), {QStringLiteral("deploy"), folder(dir)});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(report(r), QStringLiteral("wrote=0"));
    QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

// A disk that fills up halfway through the engine: written in place, this left a truncated engine behind, and
// every later start took it as the engine and ended in the fatal report. Now no engine file appears at all.
void SkinDeployTest::fullDiskLeavesNoTruncatedEngine()
{
    if (!probe::canMountReadOnly())
        QSKIP("no private mount namespace here (needs root and unshare)");
    const qint64 imageSize = app::carriedEngineImage().size();
    QVERIFY(imageSize > 3 * 4096LL);
    testutil::Sandbox dir;
    const QString size = QString::number(imageSize / 2 / 4096 * 4096);
    const probe::Result r =
        probe::runMounted({}, QStringLiteral(SHELL_PROBE), {QStringLiteral("deploy"), folder(dir)}, folder(dir), size);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(report(r), QStringLiteral("wrote=0"));

    // The same probe in a tmpfs big enough writes the whole engine, so the size is what made the difference.
    const probe::Result roomy = probe::runMounted(
        {}, QStringLiteral(SHELL_PROBE), {QStringLiteral("deploy"), folder(dir)}, folder(dir), QStringLiteral("8m"));
    QCOMPARE(report(roomy), QStringLiteral("wrote=1\nfile %1 %2").arg(app::skinEngineFileName()).arg(imageSize));
}

QTEST_GUILESS_MAIN(SkinDeployTest)
#include "test_skin_deploy.moc"
