#pragma once

#include "core/controls.h"

#include <QObject>
#include <QPoint>
#include <QString>

class QMenu;
class QWidget;

namespace ui {

class BadgeHistory;
class MainWindow;

// The effect area's context menu: "保存图标布局…" writes the badges' visibility and positions to a badge layout
// file, "载入图标布局…" puts a saved layout back onto the badges. It works through core::Controls (setLeft,
// setTop, setVisible of the badges), like the window's own handlers, and adds no control to the layout.
class BadgeLayoutMenu : public QObject {
    Q_OBJECT
public:
    BadgeLayoutMenu(QWidget* area, core::Controls& controls, BadgeHistory& history);

    // The two actions without their file dialogs. Empty on success, otherwise why it failed.
    QString saveTo(const QString& path);
    QString loadFrom(const QString& path);

    // The menu as the right click shows it, built fresh each time.
    QMenu* makeMenu(QWidget* parent);

private:
    void showMenu(const QPoint& pos);
    void askAndSave();
    void askAndLoad();

    QWidget* m_area;
    core::Controls& m_controls;
    BadgeHistory& m_history;
};

// Gives the effect area its context menu. The menu object is owned by the area; a loaded layout is one step of
// the badges' history.
BadgeLayoutMenu* installBadgeLayoutMenu(MainWindow& window, core::Controls& controls, BadgeHistory& history);

} // namespace ui
