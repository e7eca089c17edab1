#include "ui/web_view.h"

#include "ui/language.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QTimer>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace ui {

namespace {

// How long a view that was hidden with its page may take to draw its first frame once shown out of sight,
// and how long an unchanged picture must stay so before it counts as drawn (a page may be drawn blank).
constexpr int kFrameTimeoutMs = 5000;
constexpr int kSettleMs = 1000;
constexpr int kSteadyMs = 100;
constexpr int kPollMs = 20;

// The frame at one pixel per layout pixel, whatever the screen's scale: at 200 % the toolkit grabs 304 x 480
// screen pixels, and a saved QQ Show is 152 x 240 at every scale (the web engine draws the page at the screen's
// resolution, so it is brought down, smoothed, not sampled).
QImage frameImage(QWidget* frame)
{
    QImage image = frame->grab().toImage();
    if (image.size() != frame->size())
        image = image.scaled(frame->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_RGB32);
}

// Shows the hidden ancestors of a widget for as long as it lives, with the outermost of them moved beyond
// its parent's area, so the widget draws while the user still sees the page that was shown.
class OutOfSight {
public:
    explicit OutOfSight(QWidget* widget)
    {
        for (QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
            if (w->isHidden())
                m_hidden.append(w);
        }
        if (m_hidden.isEmpty())
            return;
        QWidget* outermost = m_hidden.constLast();
        m_pos = outermost->pos();
        const QWidget* parent = outermost->parentWidget();
        outermost->move(parent->width() + outermost->width(), parent->height() + outermost->height());
        for (auto it = m_hidden.crbegin(); it != m_hidden.crend(); ++it)
            (*it)->show();
    }
    ~OutOfSight()
    {
        for (QWidget* w : m_hidden)
            w->hide();
        if (!m_hidden.isEmpty())
            m_hidden.constLast()->move(m_pos);
    }
    OutOfSight(const OutOfSight&) = delete;
    OutOfSight& operator=(const OutOfSight&) = delete;

    bool active() const { return !m_hidden.isEmpty(); }

private:
    QList<QWidget*> m_hidden;
    QPoint m_pos;
};

// Lets the view draw until the frame's picture has changed from the blank one and held still, or has held
// still for the settle time: a page may well draw blank. User input waits meanwhile.
QImage drawnFrame(QWidget* frame, const QImage& blank)
{
    const QDeadlineTimer deadline(kFrameTimeoutMs);
    QImage last = blank;
    QElapsedTimer steady;
    steady.start();
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(kPollMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        const QImage now = frameImage(frame);
        if (now != last) {
            last = now;
            steady.restart();
        } else if (steady.elapsed() >= (now == blank ? kSettleMs : kSteadyMs)) {
            break;
        }
    }
    return last;
}

} // namespace

WebView::WebView(QWidget* parent) : QWebEngineView(parent)
{
    // Every lookup must reach the server, also for an address shown before: the view keeps no HTTP cache.
    page()->profile()->setHttpCacheType(QWebEngineProfile::NoCache);
    // Servers answer in Chinese where they can; the engine's own pages follow the default locale.
    page()->profile()->setHttpAcceptLanguage(acceptLanguage());
    connect(page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            m_failure.clear();
        else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
            m_failure = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
                            ? QStringLiteral("HTTP %1").arg(info.errorCode())
                            : info.errorString();
    });
}

void WebView::setAddress(const QString& address)
{
    m_address = address;
    // The text goes in as typed; the toolkit percent-encodes what a web address cannot hold (spaces, Chinese).
    load(QUrl(address, QUrl::TolerantMode));
}

QImage WebView::renderViewerFrame()
{
    // The view sits in the inner frame, which sits in the outer viewer frame.
    QWidget* inner = parentWidget();
    QWidget* outer = inner ? inner->parentWidget() : nullptr;
    if (!outer)
        return {};
    if (isVisible() || !window()->isVisible())
        return frameImage(outer);
    // Hidden with its page, the view draws nothing; shown out of sight it draws the page it holds.
    const QImage blank = frameImage(outer);
    OutOfSight shown(outer);
    return drawnFrame(outer, blank);
}

} // namespace ui
