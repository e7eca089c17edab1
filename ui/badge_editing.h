#pragma once

#include "core/controls.h"

#include <QObject>
#include <QUndoStack>

#include <functional>

namespace ui {

class MainWindow;

// The badges' history: each change of their visibility or positions (a toggle, a nudge, restore, a loaded
// layout) is one step that Ctrl+Z undoes and Ctrl+Shift+Z or Ctrl+Y redoes. A step holds the whole layout
// before and after, so undoing gives back exactly the badges, and so the frame, that were shown.
class BadgeHistory : public QObject {
    Q_OBJECT
public:
    BadgeHistory(core::Controls& controls, QObject* parent);

    // Runs the change; when it changed the badges, it becomes one step. A change made while another is being
    // recorded (a timer tick inside a dialog's loop) belongs to the outer one.
    void record(const std::function<void()>& change);

    QUndoStack& stack() { return m_stack; }

private:
    core::Controls& m_controls;
    QUndoStack m_stack;
    bool m_recording = false;
};

// The direct gestures on the badges, beyond what the laid-out buttons do: a click on a badge selects it (the
// selector shows its name); with the effect area focused, the arrow keys nudge the selected badge as the arrow
// buttons do; each toggle button looks pressed while its badge is shown; the undo and redo keys.
void installBadgeEditing(MainWindow& window, core::Controls& controls, BadgeHistory& history);

} // namespace ui
