#include "ui/main_window.h"

#include "ui/layout.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace ui {

MainWindow::MainWindow() : m_baseTitle(ui::windowTitle())
{
    setWindowTitle(m_baseTitle);
}

void MainWindow::addControl(core::ControlId id, QObject* control)
{
    m_controls.insert(id, control);
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

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys the focused control did not take arrive here. Esc closes the window as its close box does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A window manager moves the window itself; without one (or when it declines) the window follows the
    // mouse by hand.
    if (windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

} // namespace ui
