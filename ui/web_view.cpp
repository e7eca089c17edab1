#include "ui/web_view.h"

#include <QUrl>

namespace ui {

WebView::WebView(QWidget* parent) : QWebEngineView(parent) {}

void WebView::setAddress(const QString& address)
{
    m_address = address;
    // The text goes in as typed; the toolkit percent-encodes what a web address cannot hold (spaces, Chinese).
    load(QUrl(address, QUrl::TolerantMode));
}

QImage WebView::renderViewerFrame() const
{
    // The view sits in the inner frame, which sits in the outer viewer frame.
    QWidget* inner = parentWidget();
    QWidget* outer = inner ? inner->parentWidget() : nullptr;
    if (!outer)
        return {};
    return outer->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace ui
