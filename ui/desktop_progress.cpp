#include "ui/desktop_progress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace ui {

namespace {

const QString kAppId = QStringLiteral(VORLITH_APP_ID);

// The path the entry's signals come from, the program's own: the app id as a path
// ("/org/vorlith/show/LauncherEntry"), anything an object path may not hold replaced by '_'.
QString launcherPath()
{
    QString path = QLatin1Char('/') + kAppId;
    for (QChar& c : path) {
        if (c == QLatin1Char('.'))
            c = QLatin1Char('/');
        else if (c != QLatin1Char('/') && !(c.isLetterOrNumber() && c.unicode() < 0x80))
            c = QLatin1Char('_');
    }
    return path + QStringLiteral("/LauncherEntry");
}

} // namespace

DesktopProgress::~DesktopProgress()
{
    setProgress(0, 0);
}

QString DesktopProgress::appUri()
{
    return QStringLiteral("application://") + kAppId + QStringLiteral(".desktop");
}

void DesktopProgress::setProgress(int done, int total)
{
    total = qMax(total, 0);
    done = qBound(0, done, total);
    // Only what changes the entry is sent; a cleared entry is cleared once.
    if (total == m_total && (total == 0 || done == m_done))
        return;
    m_done = done;
    m_total = total;
    // A bus that cannot be reached gives a disconnected connection, which says nothing; nothing is sent on it.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(
        launcherPath(), QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    const bool shown = total > 0;
    update << appUri()
           << QVariantMap{{QStringLiteral("count"), qint64(done)},
                          {QStringLiteral("count-visible"), shown},
                          {QStringLiteral("progress"), shown ? double(done) / total : 0.0},
                          {QStringLiteral("progress-visible"), shown}};
    bus.send(update);
}

void DesktopProgress::notify(const QString& summary, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("Notify"));
    // app name, replaces id, icon, summary, body, actions, hints, expiry (-1: the server's default). The
    // desktop-entry hint lets the server show the program's own name and icon from its desktop file.
    call << kAppId << 0u << kAppId << summary << body << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), kAppId}} << -1;
    // Sent without waiting: the answer (the notification's id) is of no use, and a server that is slow to
    // answer must not hold up the window.
    bus.send(call);
}

} // namespace ui
