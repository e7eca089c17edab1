#pragma once

#include <QImage>
#include <QString>
#include <QWebEngineView>

namespace ui {

// The QQ Show viewer: a web view whose address property navigates on every write, also to the address it
// already shows.
class WebView : public QWebEngineView {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent);

    QString address() const { return m_address; }
    void setAddress(const QString& address);
    // Why the page shown did not load (the view then shows an error page of its own); empty otherwise.
    QString loadFailure() const { return m_failure; }

    // The outer viewer frame with the view inside it, as the frame draws itself, whatever covers it on the
    // screen and whichever page is shown. A view that is hidden with its page is drawn out of sight first.
    QImage renderViewerFrame();

protected:
    void contextMenuEvent(QContextMenuEvent*) override {}

private:
    QString m_address;
    QString m_failure;
};

} // namespace ui
