#include "testsupport/photo_jpeg.h"

#include <QBuffer>
#include <QColor>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

namespace testutil {

QImage makePhoto(QSize size, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(size, QImage::Format_RGB32);
    const int hue = static_cast<int>(random.bounded(360));
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int value = 60 + 150 * y / size.height() + static_cast<int>(random.bounded(24));
            const int saturation = 80 + 150 * x / size.width();
            row[x] = QColor::fromHsv((hue + x * 90 / size.width()) % 360, saturation, value).rgb();
        }
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 6; ++i) {
        const int w = size.width() / 4 + static_cast<int>(random.bounded(size.width() / 3 + 1));
        const int h = size.height() / 4 + static_cast<int>(random.bounded(size.height() / 3 + 1));
        const int x = static_cast<int>(random.bounded(size.width()));
        const int y = static_cast<int>(random.bounded(size.height()));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromHsv(static_cast<int>(random.bounded(360)), 200, 220, 160));
        p.drawEllipse(x - w / 2, y - h / 2, w, h);
    }
    p.end();
    return image;
}

QByteArray encodeJpeg(const QImage& image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

QByteArray makePhotoJpeg(QSize size, quint32 seed)
{
    return encodeJpeg(makePhoto(size, seed));
}

} // namespace testutil
