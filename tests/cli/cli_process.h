#pragma once

// Runs the real vorlith-batch binary of this build and collects what it says.
#include "testsupport/programs.h"

namespace testutil {

inline QString batchTool()
{
    return QStringLiteral(VORLITH_BUILD_DIR "/cli/vorlith-batch");
}

using ToolRun = ProgramRun;

inline ToolRun runBatchTool(const QStringList& arguments, int timeoutMs = 60000)
{
    return runProgram(batchTool(), arguments, QProcessEnvironment::systemEnvironment(), timeoutMs);
}

} // namespace testutil
