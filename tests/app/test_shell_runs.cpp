// Whole start-up skin steps in a process of their own: the shell probe, copied into a fresh folder, deploys the
// engine beside itself and applies a skin through the program's real external table, exactly as the program's
// start-up handler does. Read-only folders are real read-only bind mounts (see probe_runner.h).
#include "../skin/skin_file.h"
#include "app/external_table.h"
#include "app/skin_deploy.h"
#include "probe_runner.h"
#include "test_utils.h"
#include "testsupport/programs.h"

#include <QtTest>

namespace {

const QString kEngineMessage =
    QStringLiteral("错误信息：无法找到指定DLL库文件“libvorlith-skin.so”中的输出命令“vorlith_skin_attach”\r\n");

// A folder holding a copy of the probe, as a freshly copied program folder holds the program.
QString placeProbe(const testutil::Sandbox& dir, const QString& sub = QStringLiteral("bin"))
{
    QDir(dir.path()).mkpath(sub);
    const QString program = dir.file(sub + QStringLiteral("/vorlith-probe"));
    return QFile::copy(QStringLiteral(SHELL_PROBE), program) ? program : QString();
}

QString skin13Button()
{
    return skinfile::colour(testutil::readFile(QStringLiteral(SKINS_DIR "/13.vskin")), skinfile::Button).name();
}

} // namespace

class ShellRunsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void firstAndSecondStart();
    void unusableEngineIsFatal();
    void outOfRangeSkinRunsUnskinned();
    void readOnlyFolder_data();
    void readOnlyFolder();
};

void ShellRunsTest::initTestCase()
{
    QVERIFY(QColor::isValidColorName(skin13Button()));
}

void ShellRunsTest::firstAndSecondStart()
{
    testutil::Sandbox dir;
    const QString program = placeProbe(dir);
    QVERIFY(!program.isEmpty());
    const QString engine = QFileInfo(program).path() + QStringLiteral("/libvorlith-skin.so");

    const probe::Result first = probe::run(program, {QStringLiteral("skin"), QStringLiteral("13")});
    QCOMPARE(first.exitCode, 0);
    QVERIFY2(first.out.contains(QStringLiteral("button=") + skin13Button()), qPrintable(first.out + first.err));
    QCOMPARE(testutil::readFile(engine), app::carriedEngineImage());

    const QDateTime written = QFileInfo(engine).lastModified();
    const probe::Result second = probe::run(program, {QStringLiteral("skin"), QStringLiteral("13")});
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(QFileInfo(engine).lastModified(), written);
}

// A file of the engine's name that is no library is taken as the engine all the same: not replaced, and fatal.
void ShellRunsTest::unusableEngineIsFatal()
{
    testutil::Sandbox dir;
    const QString program = placeProbe(dir);
    const QString engine = QFileInfo(program).path() + QStringLiteral("/libvorlith-skin.so");
    const QByteArray junk("half an engine");
    QFile f(engine);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(junk) == junk.size());
    f.close();
    const probe::Result r = probe::run(program, {QStringLiteral("skin"), QStringLiteral("13")});
    QCOMPARE(r.exitCode, 255);
    QVERIFY2(r.err.contains(kEngineMessage), qPrintable(r.err));
    QCOMPARE(testutil::readFile(engine), junk);
}

// The engine refuses "no data": the program goes on, unskinned, and is not stopped.
void ShellRunsTest::outOfRangeSkinRunsUnskinned()
{
    testutil::Sandbox dir;
    const QString program = placeProbe(dir);
    const probe::Result r = probe::run(program, {QStringLiteral("skin"), QStringLiteral("34")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(QStringLiteral("sheet=0 ")), qPrintable(r.out));
    QVERIFY(!r.out.contains(skin13Button()));
}

void ShellRunsTest::readOnlyFolder_data()
{
    QTest::addColumn<QString>("engineAt"); // "", "bin" (read-only file beside the program) or the private folder
    QTest::addColumn<int>("exitCode");
    QTest::newRow("no engine anywhere: fatal") << QString() << 255;
    QTest::newRow("read-only engine beside the program") << QStringLiteral("bin") << 0;
    QTest::newRow("installed engine in the private library folder") << QStringLiteral(VORLITH_PRIVATE_LIBDIR) << 0;
}

void ShellRunsTest::readOnlyFolder()
{
    QFETCH(QString, engineAt);
    QFETCH(int, exitCode);
    if (!probe::canMountReadOnly())
        QSKIP("no private mount namespace here (needs root and unshare)");
    testutil::Sandbox dir;
    const QString program = placeProbe(dir);
    if (!engineAt.isEmpty()) {
        QVERIFY(QDir(dir.path()).mkpath(engineAt));
        QVERIFY(dir.write(engineAt + QStringLiteral("/libvorlith-skin.so"), app::carriedEngineImage()));
        QVERIFY(QFile::setPermissions(dir.file(engineAt + QStringLiteral("/libvorlith-skin.so")),
                                      QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    }
    const QString bin = QFileInfo(program).path();
    const probe::Result r = probe::runMounted({bin}, program, {QStringLiteral("skin"), QStringLiteral("13")});
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode == 255)
        QVERIFY2(r.err.contains(kEngineMessage), qPrintable(r.err));
    else
        QVERIFY2(r.out.contains(QStringLiteral("button=") + skin13Button()), qPrintable(r.out + r.err));
}

QTEST_GUILESS_MAIN(ShellRunsTest)
#include "test_shell_runs.moc"
