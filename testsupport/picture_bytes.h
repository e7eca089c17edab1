#pragma once

// Builders of picture files for the decoder tests: Qt's writers where Qt can write the format, and the
// bytes laid out by hand (PCX, icon and cursor directories, GIF, BMP headers, EXIF segments) where it
// cannot or where a test needs a field set to something no writer would produce.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QRect>

#include <algorithm>
#include <functional>
#include <utility>

namespace picturebytes {

inline void putU16le(QByteArray& b, qsizetype at, unsigned v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8 & 0xFF);
}

inline void putU32le(QByteArray& b, qsizetype at, quint32 v)
{
    putU16le(b, at, v & 0xFFFF);
    putU16le(b, at + 2, v >> 16);
}

inline void appendU16le(QByteArray& b, unsigned v)
{
    b.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF));
}

inline void appendU32le(QByteArray& b, quint32 v)
{
    appendU16le(b, v & 0xFFFF);
    appendU16le(b, v >> 16);
}

inline QByteArray encode(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// A w x h picture whose pixel (x, y) is colour(x, y).
inline QImage painted(int w, int h, const std::function<QRgb(int, int)>& colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colour(x, y));
    return image;
}

// A picture of the picture box's own size, every pixel different, so that a shifted or stretched copy cannot
// pass for it and stretching it into the box changes nothing; `seed` varies it.
inline QImage knownPicture(int seed = 0)
{
    return painted(
        140, 226, [=](int x, int y) { return qRgb(x * 255 / 139, y * 255 / 225, (x * 7 + y * 3 + seed) & 0xFF); });
}

// --- PCX -----------------------------------------------------------------------------------------------

inline QByteArray pcxHeader(int version, int bitsPerPixel, int planes, int w, int h, int bytesPerLine)
{
    QByteArray b(128, '\0');
    b[0] = 0x0A;
    b[1] = char(version);
    b[2] = 1;
    b[3] = char(bitsPerPixel);
    putU16le(b, 8, unsigned(w - 1));
    putU16le(b, 10, unsigned(h - 1));
    b[65] = char(planes);
    putU16le(b, 66, unsigned(bytesPerLine));
    return b;
}

// Run-length encodes raw bytes: runs of up to 63, and bytes with both top bits set always as a run of 1.
inline QByteArray pcxRle(const QByteArray& raw)
{
    QByteArray out;
    for (qsizetype i = 0; i < raw.size();) {
        qsizetype n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63)
            ++n;
        if (n > 1 || (uchar(raw[i]) & 0xC0) == 0xC0)
            out.append(char(0xC0 | n));
        out.append(raw[i]);
        i += n;
    }
    return out;
}

inline QByteArray pcxPalette(const QList<QRgb>& colours)
{
    QByteArray b(1, char(0x0C));
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < colours.size() ? colours[i] : 0;
        b.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    return b;
}

// --- BMP -----------------------------------------------------------------------------------------------

// A BMP with an 8-bit colour table of `colours` entries and the given row-major indexes.
inline QByteArray bmp8(int w, int h, const QList<QRgb>& colours, const QByteArray& indexes)
{
    const int stride = (w + 3) / 4 * 4;
    const quint32 offset = 14 + 40 + 4 * quint32(colours.size());
    QByteArray b("BM");
    appendU32le(b, offset + quint32(stride * h));
    appendU32le(b, 0);
    appendU32le(b, offset);
    for (quint32 v : {40u, quint32(w), quint32(h)})
        appendU32le(b, v);
    appendU16le(b, 1);
    appendU16le(b, 8);
    for (quint32 v : {0u, quint32(stride * h), 0u, 0u, quint32(colours.size()), 0u})
        appendU32le(b, v);
    for (QRgb c : colours)
        b.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    for (int y = h - 1; y >= 0; --y)
        b.append(indexes.mid(qsizetype(y) * w, w)).append(QByteArray(stride - w, '\0'));
    return b;
}

// A BMP of any layout, field by field: an info header of `infoSize` bytes (12 is OS/2 1.x, with 16-bit sizes
// and 3-byte colour table entries; the others have 32-bit fields as far as they reach), the masks inside the
// header (52 bytes and more) or after it, the colour table, `gap` bytes, then the pixel data as given. The
// file header's data offset points past the gap.
struct BmpLayout {
    int infoSize = 40;
    int width = 1;
    int height = 1; // negative: rows stored top down
    int bits = 24;
    quint32 compression = 0;
    QList<quint32> masks = {}; // red, green, blue and alpha
    QList<QRgb> palette = {};
    quint32 colourCount = 0; // the header's count of colour table entries
    int gap = 0;
    QByteArray pixels = {};
};

inline QByteArray bmpFile(const BmpLayout& l)
{
    // Laid out at 16 bytes at least, then cut to the size given, so a header too short for its fields (an
    // invalid size a test gives on purpose) holds as much of them as fits.
    QByteArray info(std::max(l.infoSize, 16), '\0');
    putU32le(info, 0, quint32(l.infoSize));
    if (l.infoSize == 12) {
        putU16le(info, 4, unsigned(l.width));
        putU16le(info, 6, unsigned(l.height));
        putU16le(info, 8, 1);
        putU16le(info, 10, unsigned(l.bits));
    } else {
        putU32le(info, 4, quint32(l.width));
        putU32le(info, 8, quint32(l.height));
        putU16le(info, 12, 1);
        putU16le(info, 14, unsigned(l.bits));
        const quint32 fields[] = {l.compression, quint32(l.pixels.size()), 2835, 2835, l.colourCount};
        for (int i = 0; i < 5 && 20 + 4 * i <= l.infoSize; ++i)
            putU32le(info, 16 + 4 * i, fields[i]);
    }
    info.truncate(l.infoSize);
    QByteArray masks;
    for (qsizetype i = 0; i < l.masks.size(); ++i) {
        if (l.infoSize >= 52 && 44 + 4 * i <= l.infoSize)
            putU32le(info, 40 + 4 * i, l.masks[i]);
        else if (l.infoSize < 52)
            appendU32le(masks, l.masks[i]);
    }
    QByteArray table;
    for (QRgb c : l.palette) {
        table.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (l.infoSize != 12)
            table.append('\0');
    }
    const QByteArray before = info + masks + table + QByteArray(l.gap, char(0x5A));
    QByteArray b("BM");
    appendU32le(b, quint32(14 + before.size() + l.pixels.size()));
    appendU32le(b, 0);
    appendU32le(b, quint32(14 + before.size()));
    return b + before + l.pixels;
}

// Rows of w pixels of `bits` each, `value(x, y)` for the pixel shown at (x, y): little-endian bytes from 8
// bits up, the leftmost pixel in the high bits below 8; each row padded to 4 bytes, the bottom row first
// unless top down.
inline QByteArray bmpRows(int w, int h, int bits, const std::function<quint64(int, int)>& value, bool topDown = false)
{
    const int stride = (w * bits + 31) / 32 * 4;
    QByteArray out;
    for (int i = 0; i < h; ++i) {
        const int y = topDown ? i : h - 1 - i;
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const quint64 v = value(x, y);
            if (bits < 8) {
                const int bit = x * bits;
                row[bit / 8] = char(uchar(row[bit / 8]) | uchar(v << (8 - bits - bit % 8)));
            } else {
                for (int k = 0; k < bits / 8; ++k)
                    row[x * bits / 8 + k] = char(v >> (8 * k) & 0xFF);
            }
        }
        out += row;
    }
    return out;
}

// An icon (type 1) or cursor (type 2) directory around BMP info headers and their data, as bmpFile lays
// them out without the file header.
inline QByteArray iconDirectory(int type, const QList<QByteArray>& images)
{
    QByteArray dir;
    appendU16le(dir, 0);
    appendU16le(dir, unsigned(type));
    appendU16le(dir, unsigned(images.size()));
    quint32 at = 6 + 16 * quint32(images.size());
    for (const QByteArray& image : images) {
        dir.append(image[4]).append(image[8]).append('\0').append('\0');
        appendU16le(dir, 1);
        dir.append(image[14]).append(image[15]);
        appendU32le(dir, quint32(image.size()));
        appendU32le(dir, at);
        at += quint32(image.size());
    }
    for (const QByteArray& image : images)
        dir += image;
    return dir;
}

// --- icons and cursors ---------------------------------------------------------------------------------

// One directory image: a BMP info header with the doubled height, the pixel rows bottom up and an all-
// opaque AND mask. 24 or 32 bits per pixel, every pixel `colour`.
inline QByteArray iconImage(int size, int bits, QRgb colour)
{
    QByteArray b;
    for (quint32 v : {40u, quint32(size), quint32(2 * size)})
        appendU32le(b, v);
    appendU16le(b, 1);
    appendU16le(b, unsigned(bits));
    for (int i = 0; i < 6; ++i)
        appendU32le(b, 0);
    const int bytes = bits / 8;
    const int stride = (size * bytes + 3) / 4 * 4;
    for (int y = 0; y < size; ++y) {
        QByteArray row;
        for (int x = 0; x < size; ++x) {
            row.append(char(qBlue(colour))).append(char(qGreen(colour))).append(char(qRed(colour)));
            if (bits == 32)
                row.append(char(0xFF));
        }
        b.append(row.leftJustified(stride, '\0'));
    }
    b.append(QByteArray(qsizetype((size + 31) / 32 * 4) * size, '\0'));
    return b;
}

struct IconPart {
    int size;
    int bits;
    QRgb colour;
    unsigned planesField; // planes for an icon, hot spot x for a cursor
    unsigned bitsField;   // bit count for an icon, hot spot y for a cursor
};

// An icon (type 1) or cursor (type 2) directory with one entry per part, the images following it.
inline QByteArray iconFile(int type, const QList<IconPart>& parts)
{
    QByteArray dir;
    appendU16le(dir, 0);
    appendU16le(dir, unsigned(type));
    appendU16le(dir, unsigned(parts.size()));
    QByteArray images;
    const quint32 first = 6 + 16 * quint32(parts.size());
    for (const IconPart& p : parts) {
        const QByteArray image = iconImage(p.size, p.bits, p.colour);
        dir.append(char(p.size & 0xFF)).append(char(p.size & 0xFF)).append('\0').append('\0');
        appendU16le(dir, p.planesField);
        appendU16le(dir, p.bitsField);
        appendU32le(dir, quint32(image.size()));
        appendU32le(dir, first + quint32(images.size()));
        images.append(image);
    }
    return dir + images;
}

// --- GIF -----------------------------------------------------------------------------------------------

// LZW data for 2-bit indexes, written with 3-bit codes only: a clear code after every two literals keeps
// the code table from growing into 4-bit codes.
inline QByteArray gifLzw(const QByteArray& indexes)
{
    QByteArray out;
    quint32 acc = 0;
    int bits = 0;
    auto put = [&](unsigned code) {
        acc |= code << bits;
        bits += 3;
        while (bits >= 8) {
            out.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        if (i % 2 == 0)
            put(4); // clear
        put(uchar(indexes[i]));
    }
    put(5); // end of information
    if (bits > 0)
        out.append(char(acc & 0xFF));
    QByteArray blocks(1, char(2)); // minimum code size
    for (qsizetype i = 0; i < out.size(); i += 255) {
        const QByteArray chunk = out.mid(i, 255);
        blocks.append(char(chunk.size())).append(chunk);
    }
    return blocks.append('\0');
}

// One frame of a GIF: its 2-bit indexes row by row (top first), where it lies on the screen (an empty
// place covers the whole screen), its own colour table if any, interlaced row order, and a transparent
// index given by a graphic control extension (-1: none).
struct GifFrame {
    GifFrame(QByteArray i, QRect p = {}, QList<QRgb> local = {}, bool interlace = false, int transparentIndex = -1)
        : indexes(std::move(i)), place(p), localTable(std::move(local)), interlaced(interlace),
          transparent(transparentIndex)
    {}
    QByteArray indexes;
    QRect place;
    QList<QRgb> localTable;
    bool interlaced;
    int transparent;
};

// A colour table of the smallest power-of-two size (at least 2) that holds the colours, and its size code.
inline QByteArray gifColourTable(const QList<QRgb>& colours, unsigned& sizeCode)
{
    sizeCode = 0;
    while ((2 << sizeCode) < colours.size())
        ++sizeCode;
    QByteArray b;
    for (int i = 0; i < (2 << sizeCode); ++i) {
        const QRgb c = i < colours.size() ? colours[i] : 0;
        b.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
    }
    return b;
}

// A GIF89a of the screen size with a global colour table (none when empty) and a background index.
inline QByteArray gifFile(QSize screen, const QList<QRgb>& globalTable, int background, const QList<GifFrame>& frames)
{
    QByteArray b("GIF89a");
    appendU16le(b, unsigned(screen.width()));
    appendU16le(b, unsigned(screen.height()));
    unsigned code = 0;
    const QByteArray global = gifColourTable(globalTable, code);
    b.append(char(globalTable.isEmpty() ? 0 : 0x80 | code)).append(char(background)).append('\0');
    if (!globalTable.isEmpty())
        b.append(global);
    for (const GifFrame& frame : frames) {
        if (frame.transparent >= 0)
            b.append(QByteArray("\x21\xF9\x04\x01\0\0", 6)).append(char(frame.transparent)).append('\0');
        const QRect place = frame.place.isEmpty() ? QRect(QPoint(0, 0), screen) : frame.place;
        b.append(char(0x2C));
        appendU16le(b, unsigned(place.x()));
        appendU16le(b, unsigned(place.y()));
        appendU16le(b, unsigned(place.width()));
        appendU16le(b, unsigned(place.height()));
        const QByteArray local = gifColourTable(frame.localTable, code);
        b.append(char((frame.localTable.isEmpty() ? 0 : 0x80 | code) | (frame.interlaced ? 0x40 : 0)));
        if (!frame.localTable.isEmpty())
            b.append(local);
        QByteArray stored;
        const int w = place.width(), h = place.height();
        if (frame.interlaced) {
            for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < h; y += step)
                    stored.append(frame.indexes.mid(qsizetype(y) * w, w));
        } else {
            stored = frame.indexes;
        }
        b.append(gifLzw(stored));
    }
    return b.append(char(0x3B));
}

// A GIF89a of screen w x h with a four-colour global table and one full-screen frame per index list.
inline QByteArray gifFile(int w, int h, const QList<QRgb>& table, const QList<QByteArray>& frames)
{
    QList<GifFrame> full;
    for (const QByteArray& indexes : frames)
        full.append(GifFrame(indexes));
    QList<QRgb> four = table;
    four.resize(4, 0);
    return gifFile(QSize(w, h), four, 0, full);
}

// --- JPEG ----------------------------------------------------------------------------------------------

// The payload of an APP1 Exif segment with IFD0 holding only the orientation tag.
inline QByteArray exifPayload(unsigned orientation, bool bigEndian = false)
{
    QByteArray tiff = bigEndian ? QByteArray("MM\0\x2A\0\0\0\x08", 8) : QByteArray("II\x2A\0\x08\0\0\0", 8);
    const QByteArray entryLe("\x01\0\x12\x01\x03\0\x01\0\0\0", 10); // count 1; tag 0x0112, SHORT, count 1
    const QByteArray entryBe("\0\x01\x01\x12\0\x03\0\0\0\x01", 10);
    tiff.append(bigEndian ? entryBe : entryLe);
    if (bigEndian)
        tiff.append(char(0)).append(char(orientation));
    else
        tiff.append(char(orientation)).append(char(0));
    tiff.append(QByteArray(6, '\0')); // rest of the value field, next IFD offset 0
    return QByteArray("Exif\0\0", 6) + tiff;
}

// The JPEG with an APP1 segment carrying `payload` right after its start-of-image marker.
inline QByteArray withApp1(const QByteArray& jpeg, const QByteArray& payload)
{
    QByteArray segment("\xFF\xE1", 2);
    const unsigned length = unsigned(payload.size()) + 2;
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// The JPEG with the width and height of its start-of-frame segment replaced.
inline QByteArray withFrameSize(QByteArray jpeg, unsigned w, unsigned h)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const uchar m = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC1 || m == 0xC2)) {
            jpeg[i + 5] = char(h >> 8);
            jpeg[i + 6] = char(h & 0xFF);
            jpeg[i + 7] = char(w >> 8);
            jpeg[i + 8] = char(w & 0xFF);
            return jpeg;
        }
    }
    return {};
}

} // namespace picturebytes
