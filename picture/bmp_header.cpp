#include "picture/bmp_header.h"

#include "picture/limits.h"
#include "picture/picture.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace picture::bmp {

namespace {

const QString kBmp = kindName(PictureKind::Bmp);

core::Reason unsupported(const QString& words)
{
    return {core::ReasonCode::Unsupported, {kBmp, words}};
}

unsigned widenBits(quint32 v, int bits)
{
    if (bits >= 8)
        return v >> (bits - 8);
    unsigned out = 0;
    for (int shift = 8 - bits; shift > -bits; shift -= bits)
        out |= shift >= 0 ? v << shift : v >> -shift;
    return out & 0xFF;
}

// False for a mask whose set bits are not one run.
bool makeChannel(quint32 mask, Channel& c)
{
    c.mask = mask;
    if (mask == 0)
        return true;
    c.shift = std::countr_zero(mask);
    const quint32 run = mask >> c.shift;
    if ((run & (run + 1)) != 0)
        return false;
    c.bits = std::popcount(mask);
    for (quint32 v = 0; c.bits <= 8 && v < (1u << c.bits); ++v)
        c.wide[v] = uchar(widenBits(v, c.bits));
    return true;
}

bool validBits(Coding coding, int bits, bool bitfields)
{
    switch (coding) {
    case Coding::Pixels:
        if (bitfields)
            return bits == 16 || bits == 24 || bits == 32;
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32 || bits == 64;
    case Coding::Rle8:
        return bits == 8;
    case Coding::Rle4:
        return bits == 4;
    case Coding::Rle24:
        return bits == 24;
    case Coding::Jpeg:
    case Coding::Png:
        break;
    }
    return true;
}

// The coding a compression number names. OS/2 2.x headers give 3 and 4 other meanings than Windows'.
core::Reason codingOf(quint32 compression, bool os2, Coding& coding, bool& bitfields)
{
    bitfields = false;
    switch (compression) {
    case 0:
        coding = Coding::Pixels;
        return {};
    case 1:
        coding = Coding::Rle8;
        return {};
    case 2:
        coding = Coding::Rle4;
        return {};
    case 3:
        if (os2)
            return unsupported(QStringLiteral("Huffman 1D compression"));
        coding = Coding::Pixels;
        bitfields = true;
        return {};
    case 4:
        coding = os2 ? Coding::Rle24 : Coding::Jpeg;
        return {};
    case 5:
        coding = Coding::Png;
        return {};
    case 6:
        coding = Coding::Pixels;
        bitfields = true;
        return {};
    case 11:
    case 12:
    case 13:
        return unsupported(QStringLiteral("CMYK colours (compression %1)").arg(compression));
    default:
        return unsupported(QStringLiteral("compression %1").arg(compression));
    }
}

// The masks of a 16-, 24- or 32-bit picture: from the header, after a 40-byte header, or the defaults of a
// picture without bit fields (5-5-5 and 8-8-8). A V3 header or later may give BI_RGB an alpha mask.
core::Reason readMasks(Bytes b,
                       qint64 infoAt,
                       quint32 infoSize,
                       bool os2,
                       quint32 compression,
                       bool bitfields,
                       qint64 dataOffset,
                       Layout& l,
                       qint64& masksEnd)
{
    std::array<quint32, 4> m{};
    masksEnd = infoAt + infoSize;
    const bool inHeader = !os2 && infoSize >= 52;
    if (bitfields && inHeader) {
        for (int i = 0; i < (infoSize >= 56 ? 4 : 3); ++i)
            m[size_t(i)] = b.u32(infoAt + 40 + 4 * qint64(i));
    } else if (bitfields) {
        // After the header, unless the data offset says the pixels begin there: some writers leave the
        // masks out, and the pixels are no masks.
        const int n = compression == 6 ? 4 : 3;
        if (dataOffset >= masksEnd && dataOffset < masksEnd + 4 * qint64(n))
            return damaged(QStringLiteral("the bit-field masks are missing"));
        for (int i = 0; i < n; ++i)
            m[size_t(i)] = b.has(masksEnd + 4 * qint64(i), 4) ? b.u32(masksEnd + 4 * qint64(i)) : 0;
        masksEnd += 4 * qint64(n);
    }
    if ((m[0] | m[1] | m[2]) == 0) {
        m[0] = l.bits == 16 ? 0x7C00 : 0xFF0000;
        m[1] = l.bits == 16 ? 0x03E0 : 0xFF00;
        m[2] = l.bits == 16 ? 0x001F : 0xFF;
        if (!bitfields && inHeader && infoSize >= 56 && (b.u32(infoAt + 52) & (m[0] | m[1] | m[2])) == 0)
            m[3] = b.u32(infoAt + 52);
    }
    const quint32 within = l.bits >= 32 ? 0xFFFFFFFFu : (1u << l.bits) - 1;
    for (size_t i = 0; i < 4; ++i) {
        if (!makeChannel(m[i] & within, l.channels[i]))
            return unsupported(QStringLiteral("bit-field masks that are not contiguous"));
    }
    l.alpha = l.channels[3].mask != 0;
    return {};
}

// The colour table: as many entries as the header says (all 2^bits when it says 0), but no more than fit
// before the pixel data; entries past 256 are never used.
void readPalette(Bytes b, qint64 at, qint64 end, int entryBytes, qint64 count, Layout& l)
{
    const qint64 fits = std::max<qint64>(0, (std::min<qint64>(end, b.size) - at) / entryBytes);
    const qint64 n = std::min({count, fits, qint64(256)});
    for (qint64 i = 0; i < n; ++i) {
        const qint64 e = at + i * entryBytes;
        l.palette[size_t(i)] = qRgb(int(b.u8(e + 2)), int(b.u8(e + 1)), int(b.u8(e)));
    }
    for (qint64 i = n; i < 256; ++i)
        l.palette[size_t(i)] = qRgb(0, 0, 0);
}

} // namespace

core::Reason damaged(const QString& words)
{
    return {core::ReasonCode::Damaged, {kBmp, words}};
}

Parsed parseLayout(Bytes b, Place place, bool icon)
{
    Parsed p;
    Layout& l = p.layout;
    l.icon = icon;
    const qint64 at = place.infoAt;
    if (!b.has(at, 4))
        return {l, damaged(QStringLiteral("the file ends inside its header"))};
    const quint32 infoSize = b.u32(at);
    if (infoSize < 12 || (infoSize > 12 && infoSize < 16))
        return {l, damaged(QStringLiteral("the info header size %1 is invalid").arg(infoSize))};
    const qint64 fields = std::min<qint64>(infoSize, 124); // later headers begin as the 124-byte one does
    if (!b.has(at, fields))
        return {l, damaged(QStringLiteral("the file ends inside its header"))};
    auto field = [&](qint64 offset) { return offset + 4 <= fields ? b.u32(at + offset) : 0u; };
    const bool os21 = infoSize == 12; // OS/2 1.x: 16-bit sizes, 3-byte colour table entries
    l.bits = int(os21 ? b.u16(at + 10) : b.u16(at + 14));
    const quint32 compression = os21 ? 0 : field(16);
    const bool os2 =
        !os21 && (infoSize < 40 || (infoSize > 40 && infoSize <= 64 && infoSize != 52 && infoSize != 56) ||
                  (infoSize == 40 && ((compression == 3 && l.bits == 1) || (compression == 4 && l.bits == 24))));
    bool bitfields = false;
    const core::Reason coding = codingOf(compression, os2, l.coding, bitfields);
    if (coding)
        return {l, coding};
    if (!validBits(l.coding, l.bits, bitfields))
        return {
            l,
            damaged(QStringLiteral("%1 bits per pixel with compression %2 is invalid").arg(l.bits).arg(compression))};
    l.width = os21 ? qint64(b.u16(at + 4)) : qint64(qint32(b.u32(at + 4)));
    const qint64 height = os21 ? qint64(b.u16(at + 6)) : qint64(qint32(b.u32(at + 8)));
    l.topDown = height < 0;
    l.height = std::abs(height) / (icon ? 2 : 1);
    if (l.coding != Coding::Jpeg && l.coding != Coding::Png) {
        p.refusal = pictureSizeRefusal(l.width, l.height);
        if (p.refusal)
            return p;
    }
    qint64 tableAt = at + infoSize;
    if (l.bits == 16 || l.bits == 24 || l.bits == 32) {
        const core::Reason masks =
            readMasks(b, at, infoSize, os2, compression, bitfields, place.dataOffset, l, tableAt);
        if (masks)
            return {l, masks};
    }
    l.alpha = l.alpha || l.bits == 64;
    if (icon && l.bits == 32 && !bitfields) {
        makeChannel(0xFF000000u, l.channels[3]); // the fourth byte of a 32-bit icon is its alpha
        l.alpha = true;
    }
    // The table's length: clrUsed, or all 2^bits entries for a paletted picture that gives 0.
    const qint64 declared = os21 ? 0 : field(32);
    const int entryBytes = os21 ? 3 : 4;
    const qint64 entries = declared != 0 ? declared : l.bits <= 8 ? qint64(1) << l.bits : 0;
    const bool offsetValid = place.dataOffset >= tableAt && place.dataOffset < b.size;
    if (l.bits <= 8)
        readPalette(b, tableAt, offsetValid ? place.dataOffset : b.size, entryBytes, entries, l);
    l.pixelsAt = offsetValid ? place.dataOffset : tableAt + entries * entryBytes;
    return p;
}

Parsed parseFile(Bytes b)
{
    qint64 header = 0;
    if (b.has(0, 2) && b.data[0] == 'B' && b.data[1] == 'A') {
        if (!b.has(14, 14))
            return {{}, damaged(QStringLiteral("the file ends inside its header"))};
        if (b.data[14] != 'B' || b.data[15] != 'M')
            return {{}, unsupported(QStringLiteral("an OS/2 icon or pointer array"))};
        header = 14;
    }
    if (!b.has(header, 14))
        return {{}, damaged(QStringLiteral("the file ends inside its header"))};
    // The data offset counts from the start of the whole file, in an array as well.
    return parseLayout(b, {header + 14, qint64(b.u32(header + 10))}, false);
}

} // namespace picture::bmp
