#pragma once

#include "core/control_ids.h"

#include <QHash>
#include <QPoint>
#include <QWidget>

#include <functional>

namespace ui {

// The one top-level window. It knows its controls by id; it moves itself when a press reaches it (drag
// anywhere: presses on labels, the picture box, shape boxes and group boxes travel up to it) and closes on Esc
// when the focused control does not take the key.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow();

    void addControl(core::ControlId id, QObject* control);
    QObject* control(core::ControlId id) const { return m_controls.value(id); }
    template <class T> T* controlAs(core::ControlId id) const { return qobject_cast<T*>(control(id)); }
    QWidget* widget(core::ControlId id) const { return qobject_cast<QWidget*>(control(id)); }

    // A short text after the title, for progress; empty removes it.
    void setStatus(const QString& text);

    // Asked before the window closes; false keeps it open.
    void setCloseQuery(std::function<bool()> query) { m_closeQuery = std::move(query); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QHash<core::ControlId, QObject*> m_controls;
    QString m_baseTitle;
    std::function<bool()> m_closeQuery;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace ui
