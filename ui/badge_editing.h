#pragma once

#include "core/controls.h"

#include <QObject>
#include <QUndoStack>

#include <functional>

namespace ui {

class MainWindow;

// The badges' history: each change of their visibility or positions (a toggle, a nudge, restore, a loaded
// layout) is one step that Ctrl+Z undoes and Ctrl+Shift+Z or Ctrl+Y redoes. A step holds the whole layout
// before and after, so undoing gives back exactly the badges, and so the frame, that were shown. Nudges of one
// badge in one direction that follow each other within kNudgeMergeMs make one step, as an editor merges the
// letters of a word typed: five clicks on "→" are undone by one Ctrl+Z.
class BadgeHistory : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kNudgeMergeMs = 1000;
    // Milliseconds on a steady clock; settable so the merge window can be tested without waiting.
    using Clock = std::function<qint64()>;

    BadgeHistory(core::Controls& controls, QObject* parent);

    // Runs the change; when it changed the badges, it becomes one step. A change made while another is being
    // recorded (a timer tick inside a dialog's loop) belongs to the outer one. `nudge` is the direction of a
    // nudge (a handlers::Direction), -1 for every other change.
    void record(const std::function<void()>& change, int nudge = -1);

    QUndoStack& stack() { return m_stack; }
    void setClock(Clock clock) { m_clock = std::move(clock); }

private:
    core::Controls& m_controls;
    QUndoStack m_stack;
    Clock m_clock;
    bool m_recording = false;
};

// The direct gestures on the badges, beyond what the laid-out buttons do: a click on a badge selects it (the
// selector shows its name); with the effect area focused, the arrow keys nudge the selected badge as the arrow
// buttons do; each toggle button looks pressed while its badge is shown; the undo and redo keys.
void installBadgeEditing(MainWindow& window, core::Controls& controls, BadgeHistory& history);

} // namespace ui
