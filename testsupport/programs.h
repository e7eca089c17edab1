#pragma once

// What the tests of whole programs share: running a program as a child process and reading how it ended, and
// finding a window of a running one on the X server and pressing a key in it (with xdotool).
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

namespace testutil {

struct ProgramRun {
    bool started = false;
    bool crashed = false; // also when it ran past the time allowed and was killed
    int exitCode = -1;    // -1 unless it ended by itself
    QString out;
    QString err;
};

// How a program that was started has ended.
inline ProgramRun endedRun(QProcess& p)
{
    ProgramRun r;
    r.started = true;
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = r.crashed ? -1 : p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Ends a program started beside the test: asks it to stop, and kills it when it has not within ten seconds.
inline ProgramRun endProgram(QProcess& p)
{
    if (p.state() == QProcess::Running) {
        p.terminate();
        if (!p.waitForFinished(10000))
            p.kill();
    }
    p.waitForFinished();
    return endedRun(p);
}

inline ProgramRun runProgram(const QString& program,
                             const QStringList& args,
                             const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                             int timeoutMs = 60000,
                             const QString& workingDirectory = {})
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workingDirectory);
    p.start(program, args);
    ProgramRun r;
    r.started = p.waitForStarted();
    if (!r.started || !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.crashed = true;
        return r;
    }
    return endedRun(p);
}

// The first visible X window of process `pid` whose title matches `title` (a pattern), once it is mapped; empty
// when none is after `tries` looks a tenth of a second apart.
inline QString waitForWindow(qint64 pid, const QString& title, int tries)
{
    for (int i = 0; i < tries; ++i) {
        const QString ids = runProgram(QStringLiteral("xdotool"),
                                       {QStringLiteral("search"),
                                        QStringLiteral("--all"), // every condition, not any: other tests' windows
                                        QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--pid"),
                                        QString::number(pid),
                                        QStringLiteral("--name"),
                                        title})
                                .out.trimmed();
        if (!ids.isEmpty())
            return ids.section(QLatin1Char('\n'), 0, 0);
        QThread::msleep(100);
    }
    return {};
}

// Focuses `window` directly (no window manager runs under Xvfb to activate it) and presses `key` in it.
inline void pressKey(const QString& window, const QString& key)
{
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
}

} // namespace testutil
