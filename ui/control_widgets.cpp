#include "ui/control_widgets.h"

#include "material/composition.h"
#include "picture/memory_budget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>

namespace ui {

ShapeBox::ShapeBox(bool filled, QWidget* parent) : QWidget(parent), m_filled(filled) {}

void ShapeBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_filled)
        p.fillRect(rect(), Qt::black);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void GroupBox::mousePressEvent(QMouseEvent* event)
{
    event->ignore();
}

void GroupBox::mouseReleaseEvent(QMouseEvent* event)
{
    event->ignore();
}

void GroupBox::mouseMoveEvent(QMouseEvent* event)
{
    event->ignore();
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

// The box keeps the bytes (a file, at most kMaxPictureFileBytes) and the picture fitted to it, never the
// decoded picture: that lives only while it is fitted, so the window holds one decoded material at most,
// within the memory budget, and a fit or size change decodes the bytes again.
core::Reason PictureBox::fitted(const QByteArray& bytes, QImage& shown, core::Reason& warning) const
{
    const picture::DecodedPicture decoded = picture::decodeWithinBudget(bytes, size());
    if (decoded.image.isNull())
        return decoded.reason;
    shown = material::fitPicture(decoded.image, m_fit, size());
    // Decoded but not fitted to the box: the only way that fails is memory for the fitted copy.
    if (shown.isNull())
        return core::ReasonCode::OutOfMemory;
    warning = decoded.warning;
    return {};
}

core::Reason PictureBox::setPictureBytes(const QByteArray& bytes)
{
    // Decoded aside first: a refused picture leaves the one the box shows.
    QImage shown;
    core::Reason warning;
    if (!bytes.isEmpty()) {
        const core::Reason why = fitted(bytes, shown, warning);
        if (why)
            return why;
    }
    m_bytes = bytes;
    m_shown = shown;
    m_warning = warning;
    update();
    return {};
}

void PictureBox::showFitted(const QImage& fitted, const core::Reason& warning)
{
    m_bytes.clear();
    m_shown = fitted;
    m_warning = fitted.isNull() ? core::Reason() : warning;
    update();
}

void PictureBox::refit()
{
    // A picture that cannot be fitted again (memory ran short) stays as it was shown.
    QImage shown;
    core::Reason warning;
    if (!m_bytes.isEmpty() && !fitted(m_bytes, shown, warning))
        m_shown = shown;
    update();
}

void PictureBox::setFit(material::Fit fit)
{
    m_fit = fit;
    refit();
}

void PictureBox::resizeEvent(QResizeEvent*)
{
    refit();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!m_shown.isNull())
        p.drawImage(0, 0, m_shown);
}

BadgeButton::BadgeButton(const QImage& bitmap, QWidget* parent)
    : QWidget(parent), m_bitmap(bitmap), m_keyed(material::keyedBadge(bitmap))
{
    // The shape for the mouse: only the bitmap's non-key pixels inside the control.
    QRegion shape;
    for (int y = 0; y < m_keyed.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(m_keyed.constScanLine(y));
        int x = 0;
        while (x < m_keyed.width()) {
            while (x < m_keyed.width() && qAlpha(row[x]) == 0)
                ++x;
            int start = x;
            while (x < m_keyed.width() && qAlpha(row[x]) != 0)
                ++x;
            if (x > start)
                shape += QRect(start, y, x - start, 1);
        }
    }
    setMask(shape);
}

void BadgeButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, m_keyed);
}

void TransparentLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void TransparentLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

PageControl::PageControl(const QStringList& captions, QWidget* parent) : QWidget(parent), m_tabs(new QTabBar(this))
{
    for (const QString& caption : captions) {
        m_tabs->addTab(caption);
        auto* page = new QWidget(this);
        page->setVisible(m_pages.isEmpty());
        m_pages.append(page);
    }
    m_tabs->setDrawBase(false);
    // The pages are switched with the mouse; Tab walks the controls on them, not the tabs.
    m_tabs->setFocusPolicy(Qt::NoFocus);
    m_tabs->raise();
    connect(m_tabs, &QTabBar::currentChanged, this, &PageControl::setCurrentPage);
}

QWidget* PageControl::page(int index) const
{
    return m_pages.value(index);
}

void PageControl::setCurrentPage(int index)
{
    if (index < 0 || index >= m_pages.size())
        return;
    m_tabs->setCurrentIndex(index);
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(i == index);
}

void PageControl::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void PageControl::resizeEvent(QResizeEvent*)
{
    // Pages span the whole control, so their children sit where the layout puts them; the tabs stay on top.
    m_tabs->setGeometry(2, 0, m_tabs->sizeHint().width(), m_tabs->sizeHint().height());
    for (QWidget* page : m_pages)
        page->setGeometry(rect());
    m_tabs->raise();
}

void PageControl::paintEvent(QPaintEvent*)
{
    // The pane under the tabs: the window colour inside a 1-pixel frame, from the palette, so a skin's colours
    // reach it the same way they reach every other surface.
    QPainter p(this);
    const QRect pane = rect().adjusted(0, m_tabs->sizeHint().height() - 1, -1, -1);
    p.fillRect(pane, palette().window());
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(pane);
}

TimerControl::TimerControl(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &TimerControl::tick);
}

void TimerControl::setInterval(int ms)
{
    ms = qMax(0, ms);
    if (ms == m_interval)
        return;
    m_interval = ms;
    if (ms == 0)
        m_timer.stop();
    else
        m_timer.start(ms);
}

} // namespace ui
