#pragma once

#include "core/controls.h"
#include "material/composition.h"

#include <QFileDialog>
#include <QObject>
#include <QPoint>
#include <QString>

class QMenu;
class QWidget;

namespace ui {

class BadgeHistory;
class MainWindow;
class PictureBox;

// The effect area's context menu: "保存图标布局…" writes the badges' visibility and positions, and how the
// picture fills its box, to a badge layout file; "载入图标布局…" puts a saved layout back; "图片适配" chooses how
// the picture fills its box (stretch, cover, cover keeping the top, contain) for the rest of the run. Badges
// go through core::Controls (setLeft, setTop, setVisible), like the window's own handlers; the fit is the
// picture box's. It adds no control to the layout.
class BadgeLayoutMenu : public QObject {
    Q_OBJECT
public:
    BadgeLayoutMenu(QWidget* area, PictureBox* picture, core::Controls& controls, BadgeHistory& history);

    // The two file actions without their file dialogs. Empty on success, otherwise why it failed, in Chinese.
    QString saveTo(const QString& path);
    QString loadFrom(const QString& path);

    // The picture box's fit, as the "图片适配" entries show and set it.
    material::Fit fit() const;
    void setFit(material::Fit fit);

    // The menu as the right click shows it, built fresh each time.
    QMenu* makeMenu(QWidget* parent);

private:
    void showMenu(const QPoint& pos);
    QString chooseFile(QFileDialog::AcceptMode mode);
    void askAndSave();
    void askAndLoad();

    QWidget* m_area;
    PictureBox* m_picture;
    core::Controls& m_controls;
    BadgeHistory& m_history;
};

// Gives the effect area its context menu. The menu object is owned by the area; a loaded layout is one step of
// the badges' history.
BadgeLayoutMenu* installBadgeLayoutMenu(MainWindow& window, core::Controls& controls, BadgeHistory& history);

} // namespace ui
