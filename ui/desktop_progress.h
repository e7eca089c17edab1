#pragma once

#include <QString>

// A batch run's progress where the desktop shows progress, over the session bus: the count and progress bar on
// the program's launcher or taskbar entry (the com.canonical.Unity.LauncherEntry signal, read by KDE Plasma,
// Ubuntu's dock and Dash to Dock, keyed by the desktop file) and a desktop notification at the end
// (org.freedesktop.Notifications). Nothing here waits for an answer, and without a session bus, or with nobody
// listening on it, both are silently absent.
namespace ui {

class DesktopProgress {
public:
    DesktopProgress() = default;
    DesktopProgress(const DesktopProgress&) = delete;
    DesktopProgress& operator=(const DesktopProgress&) = delete;
    // A count left on the entry would outlive the window that put it there.
    ~DesktopProgress();

    // `done` of `total` on the launcher entry; a total of 0 takes the count and the bar away.
    void setProgress(int done, int total);
    // One notification with this summary and body, from the program (its name and icon are the app id).
    void notify(const QString& summary, const QString& body);

    // The launcher entry the signal names: "application://" and the desktop file's name.
    static QString appUri();

private:
    int m_done = -1;
    int m_total = 0; // what the entry shows now; 0 when it shows nothing
};

} // namespace ui
