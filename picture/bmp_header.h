#pragma once

#include "core/reasons.h"

#include <QByteArray>
#include <QRgb>

#include <array>

// Reading a BMP's headers: the file header, the info header of every Windows and OS/2 layout, the bit-field
// masks and the colour table, to the one Layout the pixel decoding in bmp_decoder.cpp works from.
namespace picture::bmp {

// The file's bytes; every read is of bytes a has() check found inside them.
struct Bytes {
    const uchar* data;
    qsizetype size;
    bool has(qint64 at, qint64 n) const { return at >= 0 && n >= 0 && at <= size && n <= size - at; }
    unsigned u8(qint64 at) const { return data[at]; }
    unsigned u16(qint64 at) const { return data[at] | unsigned(data[at + 1]) << 8; }
    quint32 u32(qint64 at) const { return u16(at) | quint32(u16(at + 2)) << 16; }
};

inline Bytes bytesOf(const QByteArray& b)
{
    return {reinterpret_cast<const uchar*>(b.constData()), b.size()};
}

enum class Coding { Pixels, Rle8, Rle4, Rle24, Jpeg, Png };

// One colour channel of a 16-, 24- or 32-bit pixel: where its bits are, and the 8-bit value of each n-bit
// value for n up to 8, the n bits repeated (0 of any width is 0, all ones is 255).
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;
    std::array<uchar, 256> wide{};
    unsigned get(quint32 v) const
    {
        const quint32 x = (v & mask) >> shift;
        return bits <= 8 ? wide[x] : x >> (bits - 8);
    }
};

// Everything the header says about where the pixels are and how to read them.
struct Layout {
    qint64 width = 0;
    qint64 height = 0;
    bool topDown = false;
    int bits = 0;
    Coding coding = Coding::Pixels;
    std::array<Channel, 4> channels{}; // red, green, blue, alpha
    bool alpha = false;                // the header declares an alpha channel (it may still be all zero)
    std::array<QRgb, 256> palette{};   // black past the entries the file holds
    qint64 pixelsAt = 0;
    bool icon = false;
};

struct Parsed {
    Layout layout;
    core::Reason refusal;
};

// Where the info header is and where the file header says the pixels are (-1: a picture of an icon,
// whose pixels follow its colour table).
struct Place {
    qint64 infoAt;
    qint64 dataOffset;
};

// The Damaged reason for a BMP, with the decoder's words.
core::Reason damaged(const QString& words);

// The layout of the picture whose info header is at `place.infoAt`; `icon` for an icon's picture, whose
// height counts its AND mask too. A layout this decoder does not read, or a size beyond the limits, is the
// refusal.
Parsed parseLayout(Bytes b, Place place, bool icon);

// The layout of a file's first picture: after the 14-byte file header of a "BM", or after the array
// element's header and the file header of the first element of an OS/2 bitmap array ("BA").
Parsed parseFile(Bytes b);

} // namespace picture::bmp
