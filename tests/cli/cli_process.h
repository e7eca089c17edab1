#pragma once

// Runs the real vorlith-batch binary of this build and collects what it says.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testutil {

inline QString batchTool()
{
    return QStringLiteral(VORLITH_BUILD_DIR "/cli/vorlith-batch");
}

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ToolRun runBatchTool(const QStringList& arguments, int timeoutMs = 60000)
{
    QProcess process;
    process.start(batchTool(), arguments);
    ToolRun run;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace testutil
