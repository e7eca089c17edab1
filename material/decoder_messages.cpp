#include "material/decoder_messages.h"

#include <QtGlobal>

#include <mutex>

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

} // namespace material
