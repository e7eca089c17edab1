#include "make_assets.h"

#include <QFont>
#include <QFontInfo>
#include <QPainter>
#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <map>

namespace makeassets {

namespace {

constexpr int kSamples = 8; // samples per pixel along each axis

// The most frequent opaque colour of one pixel's samples, or 0 when fewer than half of them are covered.
// Ties go to the colour met first in row order, so the result never depends on map ordering.
QRgb dominantColour(const QImage& samples, int px, int py)
{
    std::map<QRgb, int> counts;
    QRgb best = 0;
    int bestCount = 0;
    int covered = 0;
    for (int sy = 0; sy < kSamples; ++sy) {
        const auto* line = reinterpret_cast<const QRgb*>(samples.constScanLine(py * kSamples + sy));
        for (int sx = 0; sx < kSamples; ++sx) {
            const QRgb c = line[px * kSamples + sx];
            if (qAlpha(c) == 0)
                continue;
            ++covered;
            const int n = ++counts[c];
            if (n > bestCount) {
                bestCount = n;
                best = c;
            }
        }
    }
    return covered * 2 >= kSamples * kSamples ? best : 0;
}

} // namespace

bool isGreyClose(QRgb colour)
{
    return std::abs(qRed(colour) - 128) <= 12 && std::abs(qGreen(colour) - 128) <= 12 &&
           std::abs(qBlue(colour) - 128) <= 12;
}

Mask Mask::grown(bool diagonal) const
{
    Mask out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool hit = at(x, y) || at(x - 1, y) || at(x + 1, y) || at(x, y - 1) || at(x, y + 1);
            if (diagonal)
                hit = hit || at(x - 1, y - 1) || at(x + 1, y - 1) || at(x - 1, y + 1) || at(x + 1, y + 1);
            if (hit)
                out.set(x, y);
        }
    }
    return out;
}

int Glyph::width() const
{
    return rows.empty() ? 0 : static_cast<int>(std::strlen(rows.front()));
}

Mask glyphMask(QSize canvas, QPoint topLeft, const Glyph& glyph)
{
    Mask m(canvas.width(), canvas.height());
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; glyph.rows[static_cast<std::size_t>(y)][x] != '\0'; ++x) {
            if (glyph.rows[static_cast<std::size_t>(y)][x] == '#')
                m.set(topLeft.x() + x, topLeft.y() + y);
        }
    }
    return m;
}

QString cjkFontFamily()
{
    return QStringLiteral("WenQuanYi Micro Hei");
}

Mask hintedTextMask(QSize canvas, const QString& text, QRect box, int pixelSize)
{
    QFont font(cjkFontFamily());
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    if (QFontInfo(font).family() != cjkFontFamily())
        qFatal("make_assets: the font \"%s\" is not installed", qPrintable(cjkFontFamily()));
    // Draw once to find the ink, then again centred in the box on whole pixels.
    const int pad = pixelSize;
    QImage probe(QSize(pixelSize * 3, pixelSize * 3), QImage::Format_ARGB32);
    probe.fill(Qt::transparent);
    {
        QPainter p(&probe);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPoint(pad, pad * 2), text);
    }
    QRect ink;
    for (int y = 0; y < probe.height(); ++y)
        for (int x = 0; x < probe.width(); ++x)
            if (qAlpha(probe.pixel(x, y)) > 127)
                ink |= QRect(x, y, 1, 1);
    if (ink.isEmpty())
        qFatal("make_assets: the font draws nothing for \"%s\"", qPrintable(text));
    const QPoint shift(box.left() + (box.width() - ink.width()) / 2 - ink.left(),
                       box.top() + (box.height() - ink.height()) / 2 - ink.top());
    Mask m(canvas.width(), canvas.height());
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x)
            if (qAlpha(probe.pixel(x, y)) > 127)
                m.set(x + shift.x(), y + shift.y());
    return m;
}

PixelArt::PixelArt(QSize size) : m_image(size, QImage::Format_ARGB32)
{
    m_image.fill(Qt::transparent);
}

void PixelArt::drawSmooth(const std::function<void(QPainter&)>& draw)
{
    QImage samples(m_image.size() * kSamples, QImage::Format_ARGB32);
    samples.fill(Qt::transparent);
    {
        QPainter p(&samples);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.scale(kSamples, kSamples);
        draw(p);
    }
    for (int y = 0; y < m_image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        for (int x = 0; x < m_image.width(); ++x) {
            const QRgb c = dominantColour(samples, x, y);
            if (qAlpha(c) != 0)
                line[x] = c;
        }
    }
}

void PixelArt::paintMask(const Mask& mask, QColor colour)
{
    for (int y = 0; y < m_image.height(); ++y) {
        for (int x = 0; x < m_image.width(); ++x) {
            if (mask.at(x, y))
                m_image.setPixel(x, y, colour.rgb());
        }
    }
}

void PixelArt::drawGlyph(QPoint topLeft, const Glyph& glyph, QColor colour)
{
    paintMask(glyphMask(m_image.size(), topLeft, glyph), colour);
}

void PixelArt::drawOutlinedGlyph(QPoint topLeft, const Glyph& glyph, QColor colour, QColor outline)
{
    const Mask m = glyphMask(m_image.size(), topLeft, glyph);
    paintMask(m.grown(true), outline);
    paintMask(m, colour);
}

QImage PixelArt::toImage(const char* what) const
{
    QImage out(m_image.size(), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = m_image.pixel(x, y);
            const bool border = x == 0 || y == 0 || x == out.width() - 1 || y == out.height() - 1;
            if (qAlpha(c) != 0 && (isGreyClose(c) || border))
                qFatal("make_assets: %s has the colour #%06x at (%d,%d), on its border or too close to the key",
                       what,
                       c & 0xFFFFFF,
                       x,
                       y);
            out.setPixel(x, y, qAlpha(c) == 0 ? kKeyColour : (c | 0xFF000000));
        }
    }
    return out;
}

QByteArray encodeBmp24(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    const int stride = (width * 3 + 3) & ~3;
    const int dataSize = stride * height;
    constexpr int kHeaderSize = 14 + 40;
    QByteArray out(kHeaderSize + dataSize, '\0');
    auto* bytes = reinterpret_cast<uchar*>(out.data());
    auto put16 = [bytes](int at, quint16 v) { qToLittleEndian(v, bytes + at); };
    auto put32 = [bytes](int at, quint32 v) { qToLittleEndian(v, bytes + at); };

    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<quint32>(out.size()));
    put32(10, kHeaderSize); // pixel data offset: no colour table
    put32(14, 40);
    put32(18, static_cast<quint32>(width));
    put32(22, static_cast<quint32>(height)); // positive: rows bottom-up
    put16(26, 1);                            // planes
    put16(28, 24);                           // bits per pixel
    put32(30, 0);                            // no compression
    put32(34, static_cast<quint32>(dataSize));
    put32(38, 2835); // 72 dpi in pixels per metre
    put32(42, 2835);

    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* row = bytes + kHeaderSize + std::ptrdiff_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            uchar* pixel = row + std::ptrdiff_t(x) * 3;
            pixel[0] = static_cast<uchar>(qBlue(line[x]));
            pixel[1] = static_cast<uchar>(qGreen(line[x]));
            pixel[2] = static_cast<uchar>(qRed(line[x]));
        }
    }
    return out;
}

} // namespace makeassets
