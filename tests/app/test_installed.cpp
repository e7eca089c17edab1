// The programs as a user gets them: installed into a prefix (`cmake --install`) or from the Debian package that
// `make package` builds, and the build tree's own binaries. None of them loads a library from the folder it is
// started in; an installed copy runs from a read-only prefix, takes its skin engine from its private library
// folder and writes nothing into the prefix, writable or not. The package passes Debian's checks, its manual
// pages render, and its window, run as root over /usr, creates nothing there.
#include "probe_runner.h"
#include "test_utils.h"

#include <QDirIterator>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QThread>
#include <QtTest>

namespace {

const QString kBuild = QStringLiteral(VORLITH_BUILD_DIR);
const QString kSource = QStringLiteral(VORLITH_SOURCE_DIR);
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

// Whether the web engine of the program `pid` has started: its zygote, the helper process that the renderers are
// forked from, has finished setting itself up and forked its first child, which carries its command line.
bool webEngineStarted(qint64 pid)
{
    QHash<qint64, qint64> parents;
    QSet<qint64> zygotes;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 p = entry.toLongLong(&isPid);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!isPid || !stat.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parents.insert(p, fields.at(1).toLongLong());
        if (cmdline.readAll().contains(QByteArrayLiteral("--type=zygote")))
            zygotes << p;
    }
    for (const qint64 zygote : std::as_const(zygotes)) {
        if (!zygotes.contains(parents.value(zygote)))
            continue;
        for (qint64 p = parents.value(zygote); p > 1; p = parents.value(p))
            if (p == pid)
                return true;
    }
    return false;
}

struct WindowRun {
    QString engine;         // the path the skin engine was mapped from (empty when it never was)
    bool webEngine = false; // the web engine was seen started
    QString err;
};

// Starts the window program `program` (inside a private mount namespace set up by the shell commands `mounts`,
// when given), waits until its start-up handler has loaded the skin engine and, with `untilWebEngine`, until
// its web engine has started, and ends it.
WindowRun runWindow(const QString& program, const QString& mounts = {}, bool untilWebEngine = false)
{
    QProcess child;
    child.setProcessEnvironment(programEnvironment());
    child.setWorkingDirectory(QDir::tempPath());
    if (mounts.isEmpty())
        child.start(program, {});
    else
        child.start(QStringLiteral("unshare"),
                    {QStringLiteral("-m"),
                     QStringLiteral("sh"),
                     QStringLiteral("-c"),
                     QStringLiteral("set -e; %1; exec \"$0\"").arg(mounts),
                     program});
    WindowRun run;
    if (!child.waitForStarted())
        return run;
    for (int i = 0;
         i < 600 && (run.engine.isEmpty() || (untilWebEngine && !run.webEngine)) && child.state() == QProcess::Running;
         ++i) {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(child.processId()));
        if (run.engine.isEmpty() && maps.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : maps.readAll().split('\n'))
                if (line.endsWith(kEngineName.toUtf8()))
                    run.engine = QString::fromUtf8(line.mid(line.indexOf('/')));
        }
        if (untilWebEngine && !run.webEngine)
            run.webEngine = webEngineStarted(child.processId());
        QThread::msleep(100);
    }
    run.err = testutil::endProgram(child).err;
    if (run.engine.isEmpty())
        qWarning("%s", qPrintable(run.err));
    return run;
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
    void manualPages_data();
    void manualPages();
    void packagedWindowAsRoot_data();
    void packagedWindowAsRoot();

private:
    bool buildPackage();

    testutil::Sandbox m_prefix;
    bool m_packageTried = false;
    QString m_packageError;
    QString m_changes; // the .changes file of the built package
    QString m_deb;
    testutil::Sandbox m_unpacked; // the package's files, `dpkg -x`
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
    const probe::Result child =
        testutil::runProgram(program, {QStringLiteral("--version")}, env, 60000, downloads.path());
    QVERIFY(!child.crashed);
    if (plantedOnSearchPath) {
        QCOMPARE(child.exitCode, 127);
        QVERIFY2(child.err.contains(planted), qPrintable(child.err));
    } else {
        QVERIFY2(child.exitCode == 0, qPrintable(child.err));
        QVERIFY(child.out.startsWith(QFileInfo(program).fileName() + QLatin1Char(' ')));
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
    const QString mounts = readOnly ? QStringLiteral("mount --bind -o ro '%1' '%1'").arg(prefix) : QString();
    QCOMPARE(runWindow(prefix + QStringLiteral("/bin/vorlith-show"), mounts).engine,
             prefix + QStringLiteral("/" VORLITH_PRIVATE_LIBDIR "/") + kEngineName);
    batchRuns(prefix + QStringLiteral("/bin"));
    QCOMPARE(listing(prefix), before);
}

// `make package`'s way (tools/build-package.sh, without the test suite), once for every test that looks at the
// package, into the same folder every time so that ccache finds the objects of the previous build.
bool InstalledTest::buildPackage()
{
    if (m_packageTried)
        return !m_deb.isEmpty();
    m_packageTried = true;
    const QString dir = kBuild + QStringLiteral("/test-package");
    QDir(dir).removeRecursively();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DEB_BUILD_OPTIONS"), QStringLiteral("nocheck parallel=2"));
    const probe::Result built = probe::run(
        kSource + QStringLiteral("/tools/build-package.sh"), {dir, QStringLiteral("-Pnocheck")}, env, 1500000);
    if (built.exitCode != 0) {
        m_packageError = built.out + built.err;
        return false;
    }
    const QStringList changes = QDir(dir).entryList({QStringLiteral("*.changes")});
    const QStringList debs = QDir(dir).entryList({QStringLiteral("vorlith-show_*.deb")});
    if (changes.size() != 1 || debs.size() != 1) {
        m_packageError = QStringLiteral("expected one .changes and one vorlith-show .deb in %1: %2")
                             .arg(dir, QDir(dir).entryList(QDir::Files).join(QLatin1Char(' ')));
        return false;
    }
    const QString deb = dir + QLatin1Char('/') + debs.constFirst();
    const probe::Result unpacked = runTool(QStringLiteral("dpkg"), {QStringLiteral("-x"), deb, m_unpacked.path()});
    if (unpacked.exitCode != 0) {
        m_packageError = unpacked.err;
        return false;
    }
    m_changes = dir + QLatin1Char('/') + changes.constFirst();
    m_deb = deb;
    return true;
}

// The package passes Debian's checks with nothing to remark, and its contents, unpacked anywhere, run.
void InstalledTest::debianPackage()
{
    QVERIFY2(buildPackage(), qPrintable(m_packageError));
    const probe::Result lintian = runTool(QStringLiteral("lintian"),
                                          {QStringLiteral("--pedantic"),
                                           QStringLiteral("--display-info"),
                                           QStringLiteral("--fail-on"),
                                           QStringLiteral("error,warning,info,pedantic"),
                                           m_changes});
    QVERIFY2(lintian.exitCode == 0 && lintian.out.trimmed().isEmpty(), qPrintable(lintian.out + lintian.err));

    const QString usr = m_unpacked.file(QStringLiteral("usr"));
    const probe::Result desktop = runTool(QStringLiteral("desktop-file-validate"),
                                          {usr + QStringLiteral("/share/applications/" VORLITH_APP_ID ".desktop")});
    QVERIFY2(desktop.exitCode == 0 && desktop.out.isEmpty(), qPrintable(desktop.out + desktop.err));
    const probe::Result appstream = runTool(QStringLiteral("appstreamcli"),
                                            {QStringLiteral("validate"),
                                             QStringLiteral("--no-net"),
                                             usr + QStringLiteral("/share/metainfo/" VORLITH_APP_ID ".metainfo.xml")});
    QVERIFY2(appstream.exitCode == 0, qPrintable(appstream.out + appstream.err));

    QCOMPARE(runWindow(usr + QStringLiteral("/bin/vorlith-show")).engine,
             usr + QStringLiteral("/" VORLITH_PRIVATE_LIBDIR "/") + kEngineName);
    batchRuns(usr + QStringLiteral("/bin"));
}

void InstalledTest::manualPages_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("headings"); // besides NAME, SYNOPSIS and DESCRIPTION
    QTest::addColumn<QString>("entry");        // a line that starts an item of a list
    QTest::newRow("vorlith-show") << QStringLiteral("vorlith-show")
                                  << QStringList{QStringLiteral("ENVIRONMENT"),
                                                 QStringLiteral("EXIT STATUS"),
                                                 QStringLiteral("FILES"),
                                                 QStringLiteral("SEE ALSO")}
                                  << QStringLiteral("       VORLITH_SHOW_SERVER");
    QTest::newRow("vorlith-batch") << QStringLiteral("vorlith-batch") << QStringList{QStringLiteral("SEE ALSO")}
                                   << QStringLiteral("       -i, --input DIR");
}

// The packaged page as `man` shows it: roff has nothing to warn about, the sections are there, help2man read
// the lists as lists, and no heading holds a quote that roff took for the end of its text.
void InstalledTest::manualPages()
{
    QFETCH(QString, program);
    QFETCH(QStringList, headings);
    QFETCH(QString, entry);
    QVERIFY2(buildPackage(), qPrintable(m_packageError));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const probe::Result man = probe::run(QStringLiteral("man"),
                                         {QStringLiteral("--warnings"),
                                          QStringLiteral("-l"),
                                          m_unpacked.file(QStringLiteral("usr/share/man/man1/%1.1.gz").arg(program))},
                                         env);
    QVERIFY2(man.exitCode == 0 && man.err.isEmpty(), qPrintable(man.err));
    QStringList lines = man.out.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty())
        lines.removeLast();
    QVERIFY2(lines.size() > 10, qPrintable(man.out));
    QVERIFY2(lines.contains(entry), qPrintable(man.out));
    // Sections start in the first column, subsections three in, text seven in; the first and last lines are
    // the page's header and footer.
    QStringList sections;
    for (const QString& line : lines.mid(1, lines.size() - 2)) {
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1String("       ")))
            continue;
        QVERIFY2(!line.contains(QLatin1Char('"')), qPrintable(QStringLiteral("broken heading: ") + line));
        if (!line.startsWith(QLatin1Char(' ')))
            sections << line;
    }
    for (const QString& heading :
         QStringList{QStringLiteral("NAME"), QStringLiteral("SYNOPSIS"), QStringLiteral("DESCRIPTION")} + headings)
        QVERIFY2(sections.contains(heading), qPrintable(heading + QStringLiteral(" missing: ") + man.out));
}

void InstalledTest::packagedWindowAsRoot_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("/usr writable, writes kept aside") << false;
    QTest::newRow("/usr read-only") << true;
}

// The package's files laid over the system's /usr, as if installed, in a private mount namespace: an overlay
// that keeps whatever would be written under /usr in a folder of its own (`upper`), and with `readOnly` a
// read-only bind mount over that. Under it lies a copy-on-write view of the system's /usr with the locales folder
// of Qt WebEngine's helper program hidden where no package owns it: a leftover of an earlier run as root (any
// test of the build tree's window makes one) would keep a new one from being made. The window, run as root until
// its web engine has started, writes nothing under /usr and never runs into a read-only /usr.
void InstalledTest::packagedWindowAsRoot()
{
    QFETCH(bool, readOnly);
    if (!probe::canMountReadOnly())
        QSKIP("no private mount namespace here (needs root and unshare)");
    QVERIFY2(buildPackage(), qPrintable(m_packageError));
    testutil::Sandbox overlay;
    for (const char* dir : {"system", "system-upper", "system-work", "upper", "work"})
        QVERIFY(QDir(overlay.path()).mkpath(QString::fromLatin1(dir)));
    const QString system = overlay.file(QStringLiteral("system"));
    const QString leftover = QStringLiteral("/lib/qt6/libexec/locales");
    QString mounts =
        QStringLiteral("mount -t overlay vorlith-system -o lowerdir=/usr,upperdir='%1',workdir='%2' '%3'; "
                       "if [ -d '%3%4' ] && ! dpkg-query -S '/usr%4' >/dev/null 2>&1; then rmdir '%3%4'; fi; "
                       "mount -t overlay vorlith-usr -o lowerdir='%5':'%3',upperdir='%6',workdir='%7' /usr")
            .arg(overlay.file(QStringLiteral("system-upper")),
                 overlay.file(QStringLiteral("system-work")),
                 system,
                 leftover,
                 m_unpacked.file(QStringLiteral("usr")),
                 overlay.file(QStringLiteral("upper")),
                 overlay.file(QStringLiteral("work")));
    if (readOnly)
        mounts += QStringLiteral("; mount --bind -o ro /usr /usr");
    const WindowRun run = runWindow(QStringLiteral("/usr/bin/vorlith-show"), mounts, true);
    QCOMPARE(run.engine, QStringLiteral("/usr/" VORLITH_PRIVATE_LIBDIR "/") + kEngineName);
    QVERIFY2(run.webEngine, qPrintable(run.err));
    QCOMPARE(listing(overlay.file(QStringLiteral("upper"))), QStringList());
    QVERIFY2(!run.err.contains(QLatin1String("Read-only file system")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(InstalledTest)
#include "test_installed.moc"
