#include "ui/main_window.h"

#include "ui/layout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace ui {

namespace {

// Whether the user can see the control: shown with its page, enabled, and not wholly cut off by its
// ancestors (the batch's working boxes lie outside the window until it is widened, the material folder box
// outside its group).
bool seen(const QWidget* w)
{
    if (!w->isVisible() || !w->isEnabled())
        return false;
    QRect r(w->mapTo(w->window(), QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        r &= QRect(p->mapTo(p->window(), QPoint(0, 0)), p->size());
    return !r.isEmpty();
}

} // namespace

MainWindow::MainWindow() : m_baseTitle(ui::windowTitle())
{
    setWindowTitle(m_baseTitle);
}

void MainWindow::addControl(core::ControlId id, QObject* control)
{
    m_controls.insert(id, control);
}

void MainWindow::addDragHandle(core::ControlId id, QWidget* handle, bool withChildren)
{
    m_dragHandles.insert(handle, id);
    handle->installEventFilter(this);
    if (!withChildren)
        return;
    m_handleParents.insert(handle, id);
    for (QWidget* child : handle->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        addDragHandle(id, child, true);
}

void MainWindow::setStatus(const QString& text)
{
    setWindowTitle(text.isEmpty() ? m_baseTitle : m_baseTitle + QStringLiteral(" [") + text + QLatin1Char(']'));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeQuery && !m_closeQuery()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool MainWindow::focusNextPrevChild(bool next)
{
    // The layout's tab stops that the user can see, in tab order; the one holding the focus (or holding the
    // widget that has it, as a combo box holds its edit field) is the starting point.
    std::vector<QWidget*> chain;
    for (const Row* row : tabOrder()) {
        if (QWidget* w = widget(row->id); w && seen(w))
            chain.push_back(w);
    }
    if (chain.empty())
        return false;
    const QWidget* focus = focusWidget();
    const auto n = static_cast<std::ptrdiff_t>(chain.size());
    std::ptrdiff_t at = next ? -1 : n;
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        if (focus && (chain[static_cast<size_t>(i)] == focus || chain[static_cast<size_t>(i)]->isAncestorOf(focus)))
            at = i;
    }
    at = ((next ? at + 1 : at - 1) + n) % n;
    chain[static_cast<size_t>(at)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys the focused control did not take arrive here. Esc closes the window as its close box does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ChildAdded && m_handleParents.contains(watched)) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            addDragHandle(m_handleParents.value(watched), child, true);
    }
    if (!m_dragHandles.contains(watched))
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        pressAt(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseMove:
        dragTo(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseButtonRelease: {
        auto* release = static_cast<QMouseEvent*>(event);
        if (release->button() != Qt::LeftButton)
            return false;
        const bool click = m_drag == Drag::Pressed;
        m_drag = Drag::None;
        if (click && static_cast<QWidget*>(watched)->rect().contains(release->position().toPoint()))
            emit handleClicked(m_dragHandles.value(watched));
        return true;
    }
    default:
        return false;
    }
}

void MainWindow::pressAt(QPoint global)
{
    m_drag = Drag::Pressed;
    m_pressGlobal = global;
}

void MainWindow::dragTo(QPoint global)
{
    if (m_drag == Drag::Pressed && (global - m_pressGlobal).manhattanLength() >= QApplication::startDragDistance()) {
        // A window manager moves the window itself; without one (or when it declines) the window follows the
        // mouse by hand.
        if (windowHandle() && windowHandle()->startSystemMove()) {
            m_drag = Drag::SystemMove;
            emit moveStarted(true);
            return;
        }
        m_drag = Drag::Moving;
        m_dragOffset = m_pressGlobal - frameGeometry().topLeft();
        emit moveStarted(false);
    }
    if (m_drag == Drag::Moving)
        move(global - m_dragOffset);
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    // A press on the window's own surface.
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressAt(event->globalPosition().toPoint());
    event->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag != Drag::None && (event->buttons() & Qt::LeftButton)) {
        dragTo(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_drag = Drag::None;
    QWidget::mouseReleaseEvent(event);
}

} // namespace ui
