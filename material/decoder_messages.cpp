#include "material/decoder_messages.h"

#include <QtGlobal>

#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace material {

namespace {

thread_local QuietMessages* t_current = nullptr;
QtMessageHandler g_previous = nullptr;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (t_current && type == QtWarningMsg) {
        t_current->keep(message);
        return;
    }
    g_previous(type, context, message);
}

} // namespace

void QuietMessages::keep(const QString& message)
{
    if (m_first.isEmpty())
        m_first = message;
}

QuietMessages::QuietMessages() : m_outer(t_current)
{
    // Installed once, chained to whatever handler was there (Qt returns its default one when none was).
    static std::once_flag once;
    std::call_once(once, [] { g_previous = qInstallMessageHandler(handler); });
    t_current = this;
}

QuietMessages::~QuietMessages()
{
    t_current = m_outer;
}

QString QuietMessages::first() const
{
    QString text = m_first;
    // "libpng error: Read Error", "libpng warning: ...": the library's name adds nothing for the user.
    const qsizetype colon = text.indexOf(QLatin1String(": "));
    if (text.startsWith(QLatin1String("lib")) && colon > 0)
        text = text.mid(colon + 2);
    return text.trimmed();
}

bool QuietMessages::aboutMemory() const
{
    return m_first.contains(QLatin1String("out of memory"), Qt::CaseInsensitive) ||
           m_first.contains(QLatin1String("allocation limit"), Qt::CaseInsensitive);
}

namespace {

std::mutex& standardErrorMutex()
{
    static std::mutex m;
    return m;
}

} // namespace

std::unique_lock<std::mutex> lockStandardError()
{
    return std::unique_lock<std::mutex>(standardErrorMutex());
}

CodecSilence::CodecSilence() : m_lock(standardErrorMutex())
{
    int ends[2];
    std::fflush(stderr);
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (m_saved < 0 || ::dup2(ends[1], STDERR_FILENO) < 0) {
        // Standard error stays as it is: better a codec's line than none of the program's.
        if (m_saved >= 0)
            ::close(m_saved);
        m_saved = -1;
        ::close(ends[0]);
    } else {
        m_read = ends[0];
    }
    ::close(ends[1]); // a full pipe makes the codec's writes fail (non-blocking), never wait
}

CodecSilence::~CodecSilence()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, STDERR_FILENO);
    ::close(m_saved);
    ::close(m_read);
}

} // namespace material
