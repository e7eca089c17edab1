#include "material/exif.h"

#include <QPoint>

namespace material {

int exifOrientation(const QByteArray& app1)
{
    // "Exif\0\0", then TIFF: byte order "II" or "MM", the number 42, the offset of IFD0; IFD0 holds a count
    // and 12-byte entries of tag, type, count and value. Offsets count from the TIFF header.
    constexpr qsizetype kTiffStart = 6;
    if (!app1.startsWith(QByteArrayView("Exif\0\0", 6)) || app1.size() < kTiffStart + 8)
        return 1;
    const auto* t = reinterpret_cast<const uchar*>(app1.constData()) + kTiffStart;
    const quint64 size = static_cast<quint64>(app1.size() - kTiffStart);
    bool little;
    if (t[0] == 'I' && t[1] == 'I')
        little = true;
    else if (t[0] == 'M' && t[1] == 'M')
        little = false;
    else
        return 1;
    auto u16 = [&](quint64 at) { return little ? unsigned(t[at] | t[at + 1] << 8) : unsigned(t[at] << 8 | t[at + 1]); };
    auto u32 = [&](quint64 at) {
        return little ? quint64(u16(at)) | quint64(u16(at + 2)) << 16 : quint64(u16(at)) << 16 | quint64(u16(at + 2));
    };
    if (u16(2) != 42)
        return 1;
    const quint64 ifd = u32(4);
    if (ifd + 2 > size)
        return 1;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const quint64 entry = ifd + 2 + 12ULL * i;
        if (entry + 12 > size)
            break;
        if (u16(entry) != 0x0112)
            continue;
        const unsigned value = u16(entry + 8); // a SHORT sits at the start of the value field
        return u16(entry + 2) == 3 && value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

namespace {
// Where the pixel shown at (x, y) is stored, in a stored picture of w x h.
QPoint storedPoint(int orientation, int x, int y, int w, int h)
{
    switch (orientation) {
    case 2:
        return {w - 1 - x, y};
    case 3:
        return {w - 1 - x, h - 1 - y};
    case 4:
        return {x, h - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {y, h - 1 - x};
    case 7:
        return {w - 1 - y, h - 1 - x};
    case 8:
        return {w - 1 - y, x};
    default:
        return {x, y};
    }
}
} // namespace

QImage applyExifOrientation(const QImage& stored, int orientation)
{
    if (orientation < 2 || orientation > 8 || stored.isNull())
        return stored;
    // Transparency survives the turn (WebP and TIFF pictures may have it); opaque pictures stay RGB32.
    const QImage::Format format = stored.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QImage in = stored.convertToFormat(format);
    const int w = in.width();
    const int h = in.height();
    const bool sideways = orientation >= 5;
    QImage out(sideways ? h : w, sideways ? w : h, format);
    if (out.isNull())
        return stored;
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QPoint p = storedPoint(orientation, x, y, w, h);
            row[x] = reinterpret_cast<const QRgb*>(in.constScanLine(p.y()))[p.x()];
        }
    }
    return out;
}

} // namespace material
