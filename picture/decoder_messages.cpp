#include "picture/decoder_messages.h"

#include <QtGlobal>

#include <condition_variable>
#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace picture {

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

// Who uses standard error: the silences active now, and whether one of the program's writers holds or waits
// for it.
struct StandardError {
    std::mutex mutex;
    std::condition_variable changed;
    int silences = 0;
    int writers = 0; // holding or waiting
    bool writing = false;
    int saved = -1; // the real standard error while silenced
    int read = -1;  // the pipe's end whose contents are dropped
};

StandardError& standardError()
{
    static StandardError s;
    return s;
}

void silence(StandardError& s)
{
    int ends[2];
    std::fflush(stderr);
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    s.saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (s.saved < 0 || ::dup2(ends[1], STDERR_FILENO) < 0) {
        // Standard error stays as it is: better a codec's line than none of the program's.
        if (s.saved >= 0)
            ::close(s.saved);
        s.saved = -1;
        ::close(ends[0]);
    } else {
        s.read = ends[0];
    }
    ::close(ends[1]); // a full pipe makes the codec's writes fail (non-blocking), never wait
}

void restore(StandardError& s)
{
    if (s.saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(s.saved, STDERR_FILENO);
    ::close(s.saved);
    ::close(s.read);
    s.saved = s.read = -1;
}

} // namespace

CodecSilence::CodecSilence()
{
    StandardError& s = standardError();
    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return s.writers == 0; });
    if (s.silences++ == 0)
        silence(s);
}

CodecSilence::~CodecSilence()
{
    StandardError& s = standardError();
    const std::lock_guard lock(s.mutex);
    if (--s.silences == 0) {
        restore(s);
        s.changed.notify_all();
    }
}

StandardErrorLock::StandardErrorLock()
{
    StandardError& s = standardError();
    std::unique_lock lock(s.mutex);
    ++s.writers;
    // One writer at a time, and none while a codec is silenced.
    s.changed.wait(lock, [&] { return s.silences == 0 && !s.writing; });
    s.writing = true;
}

StandardErrorLock::~StandardErrorLock()
{
    StandardError& s = standardError();
    const std::lock_guard lock(s.mutex);
    s.writing = false;
    --s.writers;
    s.changed.notify_all();
}

} // namespace picture
