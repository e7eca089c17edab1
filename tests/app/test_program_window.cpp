// The real program on the test's X server: whatever folder it is started from, its own folder is current once
// the window is up; Esc closes the window and the process ends with status 0.
#include "testsupport/programs.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

class TestProgramWindow : public QObject {
    Q_OBJECT
private slots:
    void startsInItsOwnFolderAndEscEndsWithZero()
    {
        const QString program = QStringLiteral(PROGRAM);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1")); // tests run as root
        env.insert(QStringLiteral("VORLITH_SHOW_SERVER"), QStringLiteral("http://127.0.0.1:9/"));
        child.setProcessEnvironment(env);
        child.setWorkingDirectory(QDir::rootPath());
        child.start(program, {});
        QVERIFY(child.waitForStarted());

        const QString window = testutil::waitForWindow(child.processId(), QStringLiteral("Vorlith"), 300);
        QVERIFY2(!window.isEmpty(), "the main window did not appear");
        const QString cwd = QFileInfo(QStringLiteral("/proc/%1/cwd").arg(child.processId())).symLinkTarget();
        QCOMPARE(cwd, QFileInfo(program).absolutePath());

        testutil::pressKey(window, QStringLiteral("Escape"));
        QVERIFY2(child.waitForFinished(20000), "Esc did not end the program");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgramWindow)
#include "test_program_window.moc"
