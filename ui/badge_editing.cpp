#include "ui/badge_editing.h"

#include "core/badges.h"
#include "material/badge_layout.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QUndoCommand>

#include <algorithm>
#include <memory>

namespace ui {

namespace {

bool sameLayout(const material::BadgeLayout& a, const material::BadgeLayout& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
        return x.visible == y.visible && x.pos == y.pos;
    });
}

// The one badge whose place or visibility differs between the layouts; -1 when none or several do.
int onlyChangedBadge(const material::BadgeLayout& a, const material::BadgeLayout& b)
{
    int changed = -1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].visible == b[i].visible && a[i].pos == b[i].pos)
            continue;
        if (changed >= 0)
            return -1;
        changed = static_cast<int>(i);
    }
    return changed;
}

class BadgeStep : public QUndoCommand {
public:
    // `nudge` is the direction of a nudge that moved one badge, -1 for any other step; `at` when it was made.
    BadgeStep(core::Controls& controls,
              const material::BadgeLayout& before,
              const material::BadgeLayout& after,
              int nudge,
              qint64 at)
        : m_controls(controls), m_before(before), m_after(after),
          m_badge(nudge >= 0 ? onlyChangedBadge(before, after) : -1), m_nudge(m_badge >= 0 ? nudge : -1), m_last(at)
    {}
    void undo() override { material::applyBadgeLayout(m_controls, m_before); }
    void redo() override { material::applyBadgeLayout(m_controls, m_after); }
    // Only nudges merge; the toolkit asks only steps of the same id.
    int id() const override { return m_nudge >= 0 ? kNudgeId : -1; }
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const BadgeStep*>(other);
        if (next->m_badge != m_badge || next->m_nudge != m_nudge ||
            next->m_last - m_last > BadgeHistory::kNudgeMergeMs || next->m_last < m_last)
            return false;
        m_after = next->m_after;
        m_last = next->m_last; // the window runs from the latest nudge, so a steady run of clicks stays one step
        return true;
    }

private:
    static constexpr int kNudgeId = 1;
    core::Controls& m_controls;
    material::BadgeLayout m_before;
    material::BadgeLayout m_after;
    int m_badge;
    int m_nudge;
    qint64 m_last;
};

// Watches the effect area for arrow keys and the badges for being shown or hidden.
class BadgeEditing : public QObject {
public:
    BadgeEditing(MainWindow& window, core::Controls& controls) : QObject(&window), m_window(window)
    {
        QWidget* area = window.widget(core::ids::EffectArea);
        // A click on the picture or a badge gives the area the focus; it is no tab stop of the layout.
        area->setFocusPolicy(Qt::ClickFocus);
        area->installEventFilter(this);
        for (const core::Badge& badge : core::kBadges) {
            QWidget* w = window.widget(badge.id);
            auto* toggle = window.controlAs<QAbstractButton>(badge.toggleButton);
            if (!w || !toggle)
                continue;
            toggle->setCheckable(true);
            toggle->setChecked(!w->isHidden());
            w->installEventFilter(this);
        }
        connect(&window, &MainWindow::handleClicked, this, [&controls](core::ControlId id) {
            for (const core::Badge& badge : core::kBadges) {
                if (badge.id == id)
                    controls.setText(core::ids::BadgeSelector, QString::fromUtf16(badge.name));
            }
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            // Whatever showed or hid the badge (its button, undo, a loaded layout), its button follows.
            for (const core::Badge& badge : core::kBadges) {
                if (m_window.widget(badge.id) == watched)
                    m_window.controlAs<QAbstractButton>(badge.toggleButton)
                        ->setChecked(event->type() == QEvent::ShowToParent);
            }
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const core::ControlId button = nudgeButtonFor(key->key());
            if (button && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                m_window.controlAs<QAbstractButton>(button)->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static core::ControlId nudgeButtonFor(int key)
    {
        switch (key) {
        case Qt::Key_Up:
            return core::ids::NudgeUp;
        case Qt::Key_Down:
            return core::ids::NudgeDown;
        case Qt::Key_Left:
            return core::ids::NudgeLeft;
        case Qt::Key_Right:
            return core::ids::NudgeRight;
        default:
            return 0;
        }
    }

    MainWindow& m_window;
};

} // namespace

BadgeHistory::BadgeHistory(core::Controls& controls, QObject* parent)
    : QObject(parent), m_controls(controls), m_clock([timer = std::make_shared<QElapsedTimer>()] {
          if (!timer->isValid())
              timer->start();
          return timer->elapsed();
      })
{}

void BadgeHistory::record(const std::function<void()>& change, int nudge)
{
    if (m_recording) {
        change();
        return;
    }
    m_recording = true;
    const material::BadgeLayout before = material::badgeLayoutOf(m_controls);
    change();
    const material::BadgeLayout after = material::badgeLayoutOf(m_controls);
    m_recording = false;
    if (!sameLayout(before, after))
        m_stack.push(new BadgeStep(m_controls, before, after, nudge, m_clock()));
}

void installBadgeEditing(MainWindow& window, core::Controls& controls, BadgeHistory& history)
{
    new BadgeEditing(window, controls);
    auto* undo = new QAction(&window);
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QObject::connect(undo, &QAction::triggered, &history.stack(), &QUndoStack::undo);
    auto* redo = new QAction(&window);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QObject::connect(redo, &QAction::triggered, &history.stack(), &QUndoStack::redo);
    window.addActions({undo, redo});
}

} // namespace ui
