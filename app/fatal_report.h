#pragma once

// Fatal error reports: the one way the program stops on something it cannot go on from (the main window cannot
// be made, an external function cannot be bound, a block of memory cannot be had).
#include <QByteArray>
#include <QString>

namespace app {

// Name of the environment variable that, set to "1", leaves out the message box and keeps only the copy of the
// report on standard error. Only unattended test runs set it; the program never does.
inline constexpr char kNoMessageBoxVariable[] = "VORLITH_SHOW_NO_MESSAGE_BOX";

// Exit status of a fatal report: 0xFFFFFFFF, which a POSIX parent sees as 255.
inline constexpr int kFatalExitCode = -1;

// The report text: "运行时出错!" and a blank line; then the code line when code != 0; then the message line when
// the message is not empty. Lines end in CR LF.
QString fatalReportText(const QString& message, int code);

// Shows the report in a box titled "错误" (stop icon, OK, no owner window), writes the same text to standard error,
// and ends the process at once with kFatalExitCode. No exit handler and no static destructor runs.
[[noreturn]] void fatalReport(const QString& message, int code);

// "分配 %d 字节内存失败!" for a block of `size` bytes.
[[noreturn]] void reportAllocationFailure(qint64 size);

// A fresh block of `size` bytes holding a copy of `data` (or uninitialised when data is null). A failed
// allocation is the fatal report above rather than an exception escaping into the event loop.
QByteArray allocateBlock(const char* data, qint64 size);

} // namespace app
