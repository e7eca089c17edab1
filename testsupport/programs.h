#pragma once

// What the tests of whole programs share: running a program as a child process and reading how it ended.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testutil {

struct ProgramRun {
    bool started = false;
    bool crashed = false; // also when it ran past the time allowed and was killed
    int exitCode = -1;    // -1 unless it ended by itself
    QString out;
    QString err;
};

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
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.exitCode = r.crashed ? -1 : p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace testutil
