// Start-ups of the real program binary, copied into a fresh folder: the engine is written beside it on the first
// start; a read-only folder without an engine, or an unusable engine file, ends in the fatal report with status
// 255. PROGRAM is the binary; it runs its event loop, so a start that goes well is ended by the test once the
// engine is in place.
#include "app/external_table.h"
#include "app/skin_deploy.h"
#include "probe_runner.h"
#include "test_utils.h"
#include "testsupport/programs.h"

#include <QThread>
#include <QtTest>

#include <unistd.h>

namespace {

const QString kEngineMessage =
    QStringLiteral("错误信息：无法找到指定DLL库文件“libvorlith-skin.so”中的输出命令“vorlith_skin_attach”\r\n");

QProcessEnvironment programEnvironment()
{
    QProcessEnvironment env = probe::quietEnvironment();
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1")); // tests run as root
    return env;
}

QString placeProgram(const testutil::Sandbox& dir)
{
    const QString program = dir.file(QFileInfo(QStringLiteral(PROGRAM)).fileName());
    return QFile::copy(QStringLiteral(PROGRAM), program) ? program : QString();
}

} // namespace

class ProgramRunsTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartWritesTheEngine();
    void fatalStarts_data();
    void fatalStarts();
};

void ProgramRunsTest::firstStartWritesTheEngine()
{
    testutil::Sandbox dir;
    const QString program = placeProgram(dir);
    QVERIFY(!program.isEmpty());
    const QString engine = dir.file(app::skinEngineFileName());
    const QByteArray image = app::carriedEngineImage();
    QProcess child;
    child.setProcessEnvironment(programEnvironment());
    child.setWorkingDirectory(QDir::tempPath()); // any working folder: the engine still goes beside the program
    child.start(program, QStringList());
    QVERIFY(child.waitForStarted());
    for (int i = 0; i < 300 && QFileInfo(engine).size() != image.size(); ++i)
        QThread::msleep(100);
    const testutil::ProgramRun ended = testutil::endProgram(child);
    QVERIFY2(ended.crashed || ended.exitCode == 0, qPrintable(ended.err));
    QCOMPARE(testutil::readFile(engine), image);
}

void ProgramRunsTest::fatalStarts_data()
{
    QTest::addColumn<QByteArray>("engineContent"); // null: no engine file
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("sandboxOff"); // QTWEBENGINE_DISABLE_SANDBOX set
    QTest::addColumn<QString>("message");
    QTest::newRow("read-only folder, no engine") << QByteArray() << true << true << kEngineMessage;
    QTest::newRow("engine file that is no library") << QByteArray("not a library") << false << true << kEngineMessage;
    // The web engine refuses root with its sandbox on; the program says so, and how to start all the same.
    QTest::newRow("root, sandbox on") << QByteArray() << false << false
                                      << QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX=1 vorlith-show");
}

void ProgramRunsTest::fatalStarts()
{
    QFETCH(QByteArray, engineContent);
    QFETCH(bool, readOnly);
    QFETCH(bool, sandboxOff);
    QFETCH(QString, message);
    if (readOnly && !probe::canMountReadOnly())
        QSKIP("no private mount namespace here (needs root and unshare)");
    if (!sandboxOff && geteuid() != 0)
        QSKIP("only a program run as root meets the web engine's refusal");
    testutil::Sandbox dir;
    const QString program = placeProgram(dir);
    QVERIFY(!program.isEmpty());
    if (!engineContent.isNull())
        QVERIFY(dir.write(app::skinEngineFileName(), engineContent));
    QProcessEnvironment env = programEnvironment();
    if (!sandboxOff)
        env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
    const probe::Result r = readOnly ? probe::runMounted({dir.path().chopped(1)}, program, QStringList(), {}, {}, env)
                                     : probe::run(program, QStringList(), env);
    QCOMPARE(r.exitCode, 255);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(ProgramRunsTest)
#include "test_program_runs.moc"
