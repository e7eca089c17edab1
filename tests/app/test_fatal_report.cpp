// The fatal error report: its text, and that it ends the process at once with status 255 and says why on
// standard error (watched from outside, in the shell probe).
#include "app/fatal_report.h"
#include "probe_runner.h"

#include <QStandardPaths>
#include <QtTest>

class FatalReportTest : public QObject {
    Q_OBJECT
private slots:
    void text_data();
    void text();
    void exitsAtOnce_data();
    void exitsAtOnce();
    void allocationFailure();
    void boxIsShownAndClosed();
};

void FatalReportTest::text_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("code 0, no message") << QString() << 0 << QStringLiteral("运行时出错!\r\n\r\n");
    QTest::newRow("code 0, message") << QStringLiteral("载入启动窗口失败") << 0
                                     << QStringLiteral("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
    QTest::newRow("code 6, message") << QStringLiteral("分配 16 字节内存失败!") << 6
                                     << QStringLiteral("运行时出错!\r\n\r\n错误代码：6\r\n\r\n"
                                                       "错误信息：分配 16 字节内存失败!\r\n");
    QTest::newRow("negative code, no message")
        << QString() << -1 << QStringLiteral("运行时出错!\r\n\r\n错误代码：-1\r\n\r\n");
    QTest::newRow("a space is a message")
        << QStringLiteral(" ") << 0 << QStringLiteral("运行时出错!\r\n\r\n错误信息： \r\n");
    QTest::newRow("empty string is no message")
        << QStringLiteral("") << 12 << QStringLiteral("运行时出错!\r\n\r\n错误代码：12\r\n\r\n");
}

void FatalReportTest::text()
{
    QFETCH(QString, message);
    QFETCH(int, code);
    QFETCH(QString, expected);
    QCOMPARE(app::fatalReportText(message, code), expected);
}

void FatalReportTest::exitsAtOnce_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expectedErr");
    QTest::newRow("binding message") << QStringLiteral("0")
                                     << QStringLiteral("无法找到指定DLL库文件“a.so”中的输出命令“f”")
                                     << QStringLiteral(
                                            "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“a.so”中的输出"
                                            "命令“f”\r\n");
    QTest::newRow("code only") << QStringLiteral("6") << QString()
                               << QStringLiteral("运行时出错!\r\n\r\n错误代码：6\r\n\r\n");
}

void FatalReportTest::exitsAtOnce()
{
    QFETCH(QString, code);
    QFETCH(QString, message);
    QFETCH(QString, expectedErr);
    const probe::Result r = probe::run(QStringLiteral(SHELL_PROBE), {QStringLiteral("report"), code, message});
    QVERIFY(r.started);
    QVERIFY(!r.crashed);
    QCOMPARE(r.exitCode, 255);
    QVERIFY2(r.err.contains(expectedErr), qPrintable(r.err));
    QVERIFY2(!r.out.contains(QStringLiteral("exit handler ran")), "an exit handler ran after a fatal report");
}

void FatalReportTest::allocationFailure()
{
    // Under AddressSanitizer an impossible allocation aborts unless the allocator is told to fail normally.
    QProcessEnvironment env = probe::quietEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":allocator_may_return_null=1"));
    const probe::Result huge =
        probe::run(QStringLiteral(SHELL_PROBE), {QStringLiteral("alloc"), QStringLiteral("99999999999999")}, env);
    QCOMPARE(huge.exitCode, 255);
    QVERIFY2(huge.err.contains(QStringLiteral("错误信息：分配 99999999999999 字节内存失败!\r\n")),
             qPrintable(huge.err));

    // The same probe with a block it can have ends normally, exit handler included: the difference above is the
    // report, not the probe.
    const probe::Result small =
        probe::run(QStringLiteral(SHELL_PROBE), {QStringLiteral("alloc"), QStringLiteral("4096")});
    QCOMPARE(small.exitCode, 0);
    QVERIFY(small.out.contains(QStringLiteral("exit handler ran")));
}

// Without the test variable the report is a real message box: find it on the X server by its title, press its
// OK button, and the process ends with 255.
void FatalReportTest::boxIsShownAndClosed()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs an X server and xdotool");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("VORLITH_SHOW_NO_MESSAGE_BOX"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(SHELL_PROBE), {QStringLiteral("report"), QStringLiteral("0"), QStringLiteral("框")});
    QVERIFY(child.waitForStarted());
    const QString window = testutil::waitForWindow(child.processId(), QStringLiteral("^错误$"), 100);
    QVERIFY2(!window.isEmpty(), "no window titled 错误 appeared");
    QVERIFY2(child.state() == QProcess::Running, "the process ended before the box was closed");
    // A box that has just been mapped may not take the first key yet, so press until the process is gone.
    for (int i = 0; i < 20 && child.state() == QProcess::Running; ++i) {
        testutil::pressKey(window, QStringLiteral("Return"));
        child.waitForFinished(500);
    }
    QCOMPARE(child.state(), QProcess::NotRunning);
    QCOMPARE(child.exitCode(), 255);
}

QTEST_GUILESS_MAIN(FatalReportTest)
#include "test_fatal_report.moc"
