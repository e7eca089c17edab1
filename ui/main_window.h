#pragma once

#include "core/control_ids.h"

#include <QHash>
#include <QPoint>
#include <QWidget>

#include <functional>

namespace ui {

// The one top-level window. It knows its controls by id; it moves itself when a press on its own surface or on
// one of its drag handles (labels, the picture box, shape boxes, badges) is dragged, closes on Esc when the
// focused control does not take the key, and leads Tab through the controls the user can see.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow();

    void addControl(core::ControlId id, QObject* control);
    QObject* control(core::ControlId id) const { return m_controls.value(id); }
    template <class T> T* controlAs(core::ControlId id) const { return qobject_cast<T*>(control(id)); }
    QWidget* widget(core::ControlId id) const { return qobject_cast<QWidget*>(control(id)); }

    // A press on this control that moves past the drag distance moves the window; one released without moving
    // is a click on it (handleClicked). With `withChildren`, widgets the control makes for itself later (the web
    // view draws its page in a child it creates once the page exists) are handles of the same control.
    void addDragHandle(core::ControlId id, QWidget* handle, bool withChildren = false);

    // A short text after the title, for progress; empty removes it.
    void setStatus(const QString& text);

    // Asked before the window closes; false keeps it open.
    void setCloseQuery(std::function<bool()> query) { m_closeQuery = std::move(query); }

signals:
    void handleClicked(core::ControlId id);
    // A drag on a handle began moving the window: by the window system (which moves it on its own, as a drag
    // on the title bar does) or by hand, following the mouse.
    void moveStarted(bool bySystem);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void pressAt(QPoint global);
    void dragTo(QPoint global);

    QHash<core::ControlId, QObject*> m_controls;
    QHash<QObject*, core::ControlId> m_dragHandles;
    QHash<QObject*, core::ControlId> m_handleParents; // handles whose new child widgets become handles too
    QString m_baseTitle;
    std::function<bool()> m_closeQuery;
    enum class Drag { None, Pressed, Moving, SystemMove } m_drag = Drag::None;
    QPoint m_pressGlobal;
    QPoint m_dragOffset;
};

} // namespace ui
