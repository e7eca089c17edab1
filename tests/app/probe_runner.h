#pragma once

// Running the shell probe (or any program) as a child process and reading how it ended, optionally with a
// folder made truly read-only for it: tests run as root, where permission bits stop no write, so the folder is
// bind-mounted read-only inside a private mount namespace (`unshare -m`) that vanishes with the child.
#include "testsupport/programs.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace probe {

using Result = testutil::ProgramRun;

inline QProcessEnvironment quietEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORLITH_SHOW_NO_MESSAGE_BOX"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("LD_LIBRARY_PATH"));
    return env;
}

inline Result run(const QString& program,
                  const QStringList& args,
                  const QProcessEnvironment& env = quietEnvironment(),
                  int timeoutMs = 60000)
{
    return testutil::runProgram(program, args, env, timeoutMs);
}

// Whether this machine lets us make a private mount namespace (root, and a kernel that allows it).
inline bool canMountReadOnly()
{
    return run(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("true")}).exitCode == 0;
}

// Runs `program args` with each folder of `readOnly` bind-mounted read-only over itself and, when `tmpfsDir`
// is given, a tmpfs of `tmpfsSize` mounted on it first (a full disk for the child).
inline Result runMounted(const QStringList& readOnly,
                         const QString& program,
                         const QStringList& args,
                         const QString& tmpfsDir = {},
                         const QString& tmpfsSize = {},
                         const QProcessEnvironment& env = quietEnvironment())
{
    QString script = QStringLiteral("set -e; ");
    QStringList shellArgs;
    if (!tmpfsDir.isEmpty())
        script += QStringLiteral("mount -t tmpfs -o size=%1 vorlith-test '%2'; ").arg(tmpfsSize, tmpfsDir);
    for (const QString& dir : readOnly)
        script += QStringLiteral("mount --bind -o ro '%1' '%1'; ").arg(dir);
    script += QStringLiteral("exec \"$0\" \"$@\"");
    return run(QStringLiteral("unshare"),
               QStringList{QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script, program} + args,
               env);
}

} // namespace probe
