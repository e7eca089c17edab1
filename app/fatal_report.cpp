#include "app/fatal_report.h"

#include "core/messages.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace app {

namespace {

bool messageBoxWanted()
{
    if (qEnvironmentVariable(kNoMessageBoxVariable) == QLatin1String("1"))
        return false;
    // A box needs a widget application; a report raised before it exists (or from a console-only tool) still
    // reaches standard error.
    // On a platform without a screen (offscreen, minimal) a box could never be answered.
    const QString platform = QGuiApplication::platformName();
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
           platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

} // namespace

QString fatalReportText(const QString& message, int code)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = core::chineseText(core::MessageCode::FatalHeading) + crlf + crlf;
    if (code != 0)
        text += core::chineseText(core::MessageCode::FatalCode, {QString::number(code)}) + crlf + crlf;
    if (!message.isEmpty())
        text += core::chineseText(core::MessageCode::FatalMessage, {message}) + crlf;
    return text;
}

void fatalReport(const QString& message, int code)
{
    const QString text = fatalReportText(message, code);
    // Standard error first, so a run with nobody at the screen still says why it stopped even if the box hangs.
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stderr);
    std::fflush(stderr);
    if (messageBoxWanted()) {
        QMessageBox box(QMessageBox::Critical, core::chineseText(core::MessageCode::FatalTitle), text, QMessageBox::Ok);
        box.exec();
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(kFatalExitCode);
}

void reportAllocationFailure(qint64 size)
{
    fatalReport(core::chineseText(core::MessageCode::AllocationFailed, {QString::number(size)}), 0);
}

QByteArray allocateBlock(const char* data, qint64 size)
{
    if (size < 0 || size > std::numeric_limits<qsizetype>::max() / 2)
        reportAllocationFailure(size);
    try {
        QByteArray block(static_cast<qsizetype>(size), Qt::Uninitialized);
        if (data != nullptr && size > 0)
            std::memcpy(block.data(), data, static_cast<size_t>(size));
        return block;
    } catch (const std::bad_alloc&) {
        reportAllocationFailure(size);
    }
}

} // namespace app
