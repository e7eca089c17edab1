#include "picture/exif.h"

#include <QTransform>

namespace picture {

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

QImage applyExifOrientation(const QImage& stored, int orientation)
{
    if (orientation < 2 || orientation > 8 || stored.isNull())
        return stored;
    // Transparency survives the turn (WebP and TIFF pictures may have it); opaque pictures stay RGB32.
    const QImage in = stored.convertToFormat(stored.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // Quarter turns by QImage::transformed move whole pixels (no resampling); 5 and 7 are a clockwise quarter
    // turn mirrored, 2 to 4 are mirrors alone.
    const QImage clockwise = orientation >= 5 ? in.transformed(QTransform().rotate(90)) : QImage();
    QImage out;
    switch (orientation) {
    case 2:
        out = in.mirrored(true, false);
        break;
    case 3:
        out = in.mirrored(true, true);
        break;
    case 4:
        out = in.mirrored(false, true);
        break;
    case 5:
        out = clockwise.mirrored(true, false);
        break;
    case 6:
        out = clockwise;
        break;
    case 7:
        out = clockwise.mirrored(false, true);
        break;
    default:
        out = in.transformed(QTransform().rotate(270));
        break;
    }
    return out.isNull() ? stored : out;
}

} // namespace picture
