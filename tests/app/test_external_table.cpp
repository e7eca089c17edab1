// The external function table's binding rules, with a small library built twice: variant 1 is copied into the
// test's program folder, variant 2 lies on LD_LIBRARY_PATH (set by CMake), the platform's ordinary search.
#include "app/external_table.h"
#include "probe_runner.h"
#include "test_utils.h"

#include <QtTest>

namespace {

using VariantFn = int (*)();
const QString kLib = QStringLiteral("libvorlith-ext.so");
const QString kFn = QStringLiteral("vorlith_ext_variant");

QString withoutSeparator(const QString& folder)
{
    return folder.endsWith(QDir::separator()) ? folder.chopped(1) : folder;
}

} // namespace

class ExternalTableTest : public QObject {
    Q_OBJECT
private slots:
    void searchOrder_data();
    void searchOrder();
    void boundOnce();
    void pathNameLoadsThatPathOnly();
    void fatalWhenNotFound_data();
    void fatalWhenNotFound();
    void programTableHoldsTheEngine();
};

void ExternalTableTest::searchOrder_data()
{
    QTest::addColumn<QString>("inProgramFolder");
    QTest::addColumn<int>("expectedVariant"); // 1 the program folder's library, 2 the one the search finds
    QTest::newRow("program folder wins") << QStringLiteral("library") << 1;
    QTest::newRow("nothing there: ordinary search") << QStringLiteral("none") << 2;
    QTest::newRow("unloadable file there: ordinary search") << QStringLiteral("garbage") << 2;
}

void ExternalTableTest::searchOrder()
{
    QFETCH(QString, inProgramFolder);
    QFETCH(int, expectedVariant);
    testutil::Sandbox dir;
    if (inProgramFolder == QLatin1String("library"))
        QVERIFY(QFile::copy(QStringLiteral(EXT_PROGRAM_LIB), dir.file(kLib)));
    else if (inProgramFolder == QLatin1String("garbage"))
        QVERIFY(dir.write(kLib, QByteArray("this is not a shared library")));

    app::ExternalTable table(withoutSeparator(dir.path()), {{kLib, kFn}});
    const auto fn = table.as<VariantFn>(0);
    QVERIFY(fn != nullptr);
    QCOMPARE(fn(), expectedVariant);
}

// A second call uses the bound function: no new load, even when the library file has gone meanwhile.
void ExternalTableTest::boundOnce()
{
    testutil::Sandbox dir;
    QVERIFY(QFile::copy(QStringLiteral(EXT_PROGRAM_LIB), dir.file(kLib)));
    app::ExternalTable table(withoutSeparator(dir.path()), {{kLib, kFn}});
    const QFunctionPointer first = table.function(0);
    const int attempts = table.loadAttempts();
    QCOMPARE(attempts, 1);
    QVERIFY(QFile::remove(dir.file(kLib)));
    QVERIFY(table.function(0) == first);
    QCOMPARE(table.loadAttempts(), attempts);
    QCOMPARE(table.as<VariantFn>(0)(), 1);
}

void ExternalTableTest::pathNameLoadsThatPathOnly()
{
    testutil::Sandbox dir;
    testutil::Sandbox other;
    QVERIFY(QFile::copy(QStringLiteral(EXT_PROGRAM_LIB), other.file(QStringLiteral("renamed.so"))));
    app::ExternalTable table(withoutSeparator(dir.path()), {{other.file(QStringLiteral("renamed.so")), kFn}});
    QCOMPARE(table.as<VariantFn>(0)(), 1);
}

// Failures end the process, so they run in the probe. LD_LIBRARY_PATH still reaches variant 2 by its bare name:
// a path that names a missing file must not fall back to it.
void ExternalTableTest::fatalWhenNotFound_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("function");
    QTest::newRow("no such library anywhere") << QStringLiteral("libvorlith-none.so") << kFn;
    QTest::newRow("library without that function") << kLib << QStringLiteral("no_such_function");
    QTest::newRow("path to a missing file") << QStringLiteral("/nonexistent/libvorlith-ext.so") << kFn;
    QTest::newRow("drive-style name") << QStringLiteral("C:libvorlith-ext.so") << kFn;
}

void ExternalTableTest::fatalWhenNotFound()
{
    QFETCH(QString, library);
    QFETCH(QString, function);
    testutil::Sandbox dir;
    QProcessEnvironment env = probe::quietEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), qEnvironmentVariable("LD_LIBRARY_PATH"));
    const probe::Result r =
        probe::run(QStringLiteral(SHELL_PROBE), {QStringLiteral("bind"), dir.path(), library, function}, env);
    QCOMPARE(r.exitCode, 255);
    const QString expected =
        QStringLiteral("错误信息：无法找到指定DLL库文件“%1”中的输出命令“%2”\r\n").arg(library, function);
    QVERIFY2(r.err.contains(expected), qPrintable(r.err));

    // The same probe binds the bare name through the ordinary search when asked for a function that exists, so the
    // failures above come from the names, not from the probe's surroundings.
    const probe::Result ok =
        probe::run(QStringLiteral(SHELL_PROBE), {QStringLiteral("bind"), dir.path(), kLib, kFn}, env);
    QCOMPARE(ok.exitCode, 0);
}

void ExternalTableTest::programTableHoldsTheEngine()
{
    QCOMPARE(app::skinEngineFileName(), QStringLiteral("libvorlith-skin.so"));
    QCOMPARE(QFileInfo(QStringLiteral(SKIN_ENGINE_LIB)).fileName(), app::skinEngineFileName());
}

QTEST_GUILESS_MAIN(ExternalTableTest)
#include "test_external_table.moc"
