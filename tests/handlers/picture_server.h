#pragma once

// A small HTTP server on loopback standing in for the QQ Show picture server. It answers every GET with an
// HTML page that shows one generated picture at the page's top-left corner with no margins, or, in the
// stalled mode, accepts the request and never answers, or, in the missing mode, answers 404 with a page. Every request
// path is recorded, percent-decoded.
#include <QBuffer>
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace testutil {

// The picture every answer shows: the viewer's whole size, each pixel a different colour along both axes, so
// an image that is shifted by even one pixel, or scaled, compares unequal.
inline QImage serverPicture(QSize size = QSize(181, 282))
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = qRgb((x * 7) % 256, (y * 5) % 256, ((x / 8 + y / 8) % 2) ? 40 : 200);
    }
    return image;
}

class PictureServer : public QObject {
public:
    enum class Mode { Answer, Stall, Missing };

    explicit PictureServer(Mode mode = Mode::Answer) : m_mode(mode)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { acceptAll(); });
        m_server.listen(QHostAddress::LocalHost);
    }

    bool isListening() const { return m_server.isListening(); }
    // The base address a lookup joins the number to, ending in "/".
    QString base() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()); }
    QImage picture() const { return m_picture; }
    QStringList requests() const { return m_requests; }
    // The Accept-Language header of the last request, empty when it had none.
    QString lastAcceptLanguage() const { return m_lastAcceptLanguage; }
    int count(const QString& path) const { return static_cast<int>(m_requests.count(path)); }
    // The requests for pages, without the site icon a browser asks for by itself.
    QStringList pageRequests() const
    {
        QStringList pages = m_requests;
        pages.removeAll(QStringLiteral("/favicon.ico"));
        return pages;
    }

private:
    void acceptAll()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable() > 0)
                readRequest(socket);
        }
    }

    void readRequest(QTcpSocket* socket)
    {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> line = pending.left(pending.indexOf("\r\n")).split(' ');
        const QString head = QString::fromLatin1(pending.left(end));
        m_pending.remove(socket);
        if (line.size() < 2)
            return;
        m_requests.append(QUrl::fromPercentEncoding(line.at(1)));
        const QRegularExpression language(QStringLiteral("\r\nAccept-Language: *([^\r]*)"),
                                          QRegularExpression::CaseInsensitiveOption);
        m_lastAcceptLanguage = language.match(head).captured(1);
        if (m_mode == Mode::Stall)
            return;
        // The answer allows caching for an hour, so only a navigation that really goes to the server is counted.
        const QByteArray body =
            m_mode == Mode::Missing ? QByteArray("<html><body>no such QQ Show</body></html>") : page();
        socket->write((m_mode == Mode::Missing ? "HTTP/1.1 404 Not Found\r\n" : "HTTP/1.1 200 OK\r\n") +
                      QByteArray("Content-Type: text/html\r\nCache-Control: max-age=3600\r\n"
                                 "Connection: close\r\nContent-Length: ") +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QByteArray page() const
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        m_picture.save(&buffer, "PNG");
        return "<!DOCTYPE html><html><head><style>html,body{margin:0;padding:0;overflow:hidden;background:#fff}"
               "img{display:block}</style></head><body><img src=\"data:image/png;base64," +
               png.toBase64() + "\"></body></html>";
    }

    Mode m_mode;
    QTcpServer m_server;
    QImage m_picture = serverPicture();
    QStringList m_requests;
    QString m_lastAcceptLanguage;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

} // namespace testutil
