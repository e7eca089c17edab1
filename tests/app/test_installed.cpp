// The programs as a user gets them: installed into a prefix (`cmake --install`) or unpacked from the Debian
// package (`dpkg -x`), and the build tree's own binaries. None of them loads a library from the folder it is
// started in; an installed copy runs from a read-only prefix, takes its skin engine from its private library
// folder and writes nothing into the prefix, writable or not.
#include "probe_runner.h"
#include "test_utils.h"

#include <QDirIterator>
#include <QImage>
#include <QThread>
#include <QtTest>

namespace {

const QString kBuild = QStringLiteral(VORLITH_BUILD_DIR);
const QString kEngineName = QStringLiteral("libvorlith-skin.so");

QProcessEnvironment programEnvironment()
{
    QProcessEnvironment env = probe::quietEnvironment();
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1")); // tests run as root
    env.insert(QStringLiteral("VORLITH_SHOW_SERVER"), QStringLiteral("http://127.0.0.1:9/"));
    if (qEnvironmentVariableIsSet("DISPLAY")) // the X server of `make test`
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

// Installing, packing and checking the package take minutes on a loaded machine.
probe::Result runTool(const QString& tool, const QStringList& args)
{
    return testutil::runProgram(tool, args, QProcessEnvironment::systemEnvironment(), 300000);
}

// Every file and link under `root` with its size and modification time: equal listings mean nothing was written.
QStringList listing(const QString& root)
{
    QStringList entries;
    QDirIterator it(
        root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3")
                       .arg(info.filePath())
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    }
    entries.sort();
    return entries;
}

// Starts the window program from `bin` (inside a private mount namespace where `readOnly` is bind-mounted
// read-only, when given), waits until its start-up handler has loaded the skin engine, ends it, and returns the
// path the engine was mapped from (empty when it never was).
QString engineLoadedBy(const QString& bin, const QString& readOnly = {})
{
    QProcess child;
    child.setProcessEnvironment(programEnvironment());
    child.setWorkingDirectory(QDir::tempPath());
    const QString program = bin + QStringLiteral("/vorlith-show");
    if (readOnly.isEmpty())
        child.start(program, {});
    else
        child.start(QStringLiteral("unshare"),
                    {QStringLiteral("-m"),
                     QStringLiteral("sh"),
                     QStringLiteral("-c"),
                     QStringLiteral("mount --bind -o ro \"$1\" \"$1\" && exec \"$0\""),
                     program,
                     readOnly});
    if (!child.waitForStarted())
        return {};
    QString engine;
    for (int i = 0; i < 600 && engine.isEmpty() && child.state() == QProcess::Running; ++i) {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(child.processId()));
        if (maps.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : maps.readAll().split('\n'))
                if (line.endsWith(kEngineName.toUtf8()))
                    engine = QString::fromUtf8(line.mid(line.indexOf('/')));
        }
        QThread::msleep(100);
    }
    child.terminate();
    if (!child.waitForFinished(10000))
        child.kill();
    child.waitForFinished();
    if (engine.isEmpty())
        qWarning("%s", child.readAllStandardError().constData());
    return engine;
}

// vorlith-batch from `bin` over one small material: the composed picture is written outside the prefix.
void batchRuns(const QString& bin)
{
    testutil::Sandbox work;
    QVERIFY(QDir(work.path()).mkpath(QStringLiteral("in")));
    QImage material(20, 30, QImage::Format_RGB32);
    material.fill(Qt::darkCyan);
    QVERIFY(material.save(work.file(QStringLiteral("in/a.png"))));
    const probe::Result r = probe::run(bin + QStringLiteral("/vorlith-batch"),
                                       {QStringLiteral("--input"),
                                        work.file(QStringLiteral("in")),
                                        QStringLiteral("--format"),
                                        QStringLiteral("png"),
                                        QStringLiteral("--output"),
                                        work.file(QStringLiteral("out"))},
                                       programEnvironment());
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(QImage(work.file(QStringLiteral("out/1.png"))).size(), QSize(152, 240));
}

} // namespace

class InstalledTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void plantedLibraryNotLoaded_data();
    void plantedLibraryNotLoaded();
    void installedPrefix_data();
    void installedPrefix();
    void debianPackage();

private:
    testutil::Sandbox m_prefix;
};

void InstalledTest::initTestCase()
{
    const probe::Result r =
        runTool(QStringLiteral("cmake"),
                {QStringLiteral("--install"), kBuild, QStringLiteral("--prefix"), m_prefix.path().chopped(1)});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
}

void InstalledTest::plantedLibraryNotLoaded_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("plantedOnSearchPath"); // the control: the plant found through LD_LIBRARY_PATH
    for (const QString& name : {QStringLiteral("vorlith-show"), QStringLiteral("vorlith-batch")}) {
        const QString built =
            kBuild + (name == QLatin1String("vorlith-show") ? QStringLiteral("/app/") : QStringLiteral("/cli/"));
        QTest::addRow("build tree %s", qPrintable(name)) << built + name << false;
        QTest::addRow("installed %s", qPrintable(name)) << m_prefix.file(QStringLiteral("bin/") + name) << false;
    }
    QTest::newRow("control: plant on the search path") << m_prefix.file(QStringLiteral("bin/vorlith-batch")) << true;
}

// A library named like one the programs need, left in the folder they are started from. Loaded, it stops the
// start: it lacks every symbol version the program asks for.
void InstalledTest::plantedLibraryNotLoaded()
{
    QFETCH(QString, program);
    QFETCH(bool, plantedOnSearchPath);
    testutil::Sandbox downloads;
    const QString planted = downloads.file(QStringLiteral("libjpeg.so.62"));
    QVERIFY(QFile::copy(QStringLiteral(TEST_ENGINE_LIB), planted));
    QProcessEnvironment env = programEnvironment();
    if (plantedOnSearchPath)
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), downloads.path());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(downloads.path());
    child.start(program, {QStringLiteral("--version")});
    QVERIFY(child.waitForFinished(60000));
    const QString err = QString::fromUtf8(child.readAllStandardError());
    if (plantedOnSearchPath) {
        QCOMPARE(child.exitCode(), 127);
        QVERIFY2(err.contains(planted), qPrintable(err));
    } else {
        QVERIFY2(child.exitCode() == 0, qPrintable(err));
        QVERIFY(child.readAllStandardOutput().startsWith(QFileInfo(program).fileName().toUtf8() + ' '));
    }
}

void InstalledTest::installedPrefix_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("writable prefix") << false;
    QTest::newRow("read-only prefix") << true;
}

// Run as root, a writable prefix takes any write: the program must not make one.
void InstalledTest::installedPrefix()
{
    QFETCH(bool, readOnly);
    if (readOnly && !probe::canMountReadOnly())
        QSKIP("no private mount namespace here (needs root and unshare)");
    const QString prefix = m_prefix.path().chopped(1);
    const QStringList before = listing(prefix);
    QCOMPARE(engineLoadedBy(prefix + QStringLiteral("/bin"), readOnly ? prefix : QString()),
             prefix + QStringLiteral("/" VORLITH_PRIVATE_LIBDIR "/") + kEngineName);
    batchRuns(prefix + QStringLiteral("/bin"));
    QCOMPARE(listing(prefix), before);
}

// `make package`'s package: Debian's checks pass, and its contents, unpacked anywhere, run.
void InstalledTest::debianPackage()
{
    testutil::Sandbox dir;
    const probe::Result packed = runTool(QStringLiteral("cpack"),
                                         {QStringLiteral("--config"),
                                          kBuild + QStringLiteral("/CPackConfig.cmake"),
                                          QStringLiteral("-B"),
                                          dir.file(QStringLiteral("pack"))});
    QVERIFY2(packed.exitCode == 0, qPrintable(packed.out + packed.err));
    const QStringList debs = QDir(dir.file(QStringLiteral("pack"))).entryList({QStringLiteral("*.deb")});
    QCOMPARE(debs.size(), 1);
    const QString deb = dir.file(QStringLiteral("pack/") + debs.constFirst());

    const probe::Result lintian =
        runTool(QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error"), deb});
    QVERIFY2(lintian.exitCode == 0, qPrintable(lintian.out + lintian.err));
    const QString root = dir.file(QStringLiteral("root"));
    QCOMPARE(runTool(QStringLiteral("dpkg"), {QStringLiteral("-x"), deb, root}).exitCode, 0);
    const QString usr = root + QStringLiteral("/usr");
    const probe::Result desktop = runTool(QStringLiteral("desktop-file-validate"),
                                          {usr + QStringLiteral("/share/applications/" VORLITH_APP_ID ".desktop")});
    QVERIFY2(desktop.exitCode == 0 && desktop.out.isEmpty(), qPrintable(desktop.out + desktop.err));
    const probe::Result appstream = runTool(QStringLiteral("appstreamcli"),
                                            {QStringLiteral("validate"),
                                             QStringLiteral("--no-net"),
                                             usr + QStringLiteral("/share/metainfo/" VORLITH_APP_ID ".metainfo.xml")});
    QVERIFY2(appstream.exitCode == 0, qPrintable(appstream.out + appstream.err));

    QCOMPARE(engineLoadedBy(usr + QStringLiteral("/bin")),
             usr + QStringLiteral("/" VORLITH_PRIVATE_LIBDIR "/") + kEngineName);
    batchRuns(usr + QStringLiteral("/bin"));
}

QTEST_GUILESS_MAIN(InstalledTest)
#include "test_installed.moc"
