#include "picture/pcx.h"

#include "picture/limits.h"
#include "picture/picture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace picture {

namespace {

// The 128-byte header: 0x0A, version, encoding (1 = run-length), bits per pixel, the window xmin, ymin,
// xmax, ymax (inclusive), resolution, a 16-colour palette, then at 65 the plane count and at 66 the bytes
// per line of one plane. Everything is little-endian.
constexpr qsizetype kHeaderSize = 128;
// The 256-colour palette closing an 8-bit file: the byte 0x0C, then 256 red, green, blue triples.
constexpr qsizetype kPaletteSize = 1 + 256 * 3;
constexpr uchar kPaletteMarker = 0x0C;

struct Header {
    int bitsPerPixel = 0;
    int planes = 0;
    int bytesPerLine = 0;
    int width = 0;
    int height = 0;
};

int u16(const uchar* p)
{
    return p[0] | p[1] << 8;
}

// Reads a header, or says why the file cannot be shown.
core::Reason damaged(const QString& what)
{
    return {core::ReasonCode::Damaged, {kindName(PictureKind::Pcx8), what}};
}

core::Reason readHeader(const uchar* h, Header& out)
{
    if (h[0] != 0x0A || h[2] != 1)
        return {core::ReasonCode::Unsupported, {kindName(PictureKind::Pcx8), QStringLiteral("not run-length encoded")}};
    const int xMin = u16(h + 4), yMin = u16(h + 6), xMax = u16(h + 8), yMax = u16(h + 10);
    if (xMax < xMin || yMax < yMin)
        return damaged(QStringLiteral("the picture window is empty"));
    out.bitsPerPixel = h[3];
    out.planes = h[65];
    out.bytesPerLine = u16(h + 66);
    out.width = xMax - xMin + 1;
    out.height = yMax - yMin + 1;
    const bool supported =
        (out.bitsPerPixel == 8 && (out.planes == 1 || out.planes == 3)) || (out.bitsPerPixel == 1 && out.planes == 1);
    if (!supported)
        return {core::ReasonCode::Unsupported,
                {kindName(PictureKind::Pcx8),
                 QStringLiteral("%1 planes of %2 bits").arg(out.planes).arg(out.bitsPerPixel)}};
    const core::Reason refusal = pictureSizeRefusal(out.width, out.height);
    if (refusal)
        return refusal;
    const int minBytes = out.bitsPerPixel == 8 ? out.width : (out.width + 7) / 8;
    if (out.bytesPerLine < minBytes)
        return damaged(QStringLiteral("a line of %1 bytes cannot hold %2 pixels").arg(out.bytesPerLine).arg(out.width));
    return {};
}

// The run-length stream: a byte with its two top bits set repeats the next byte (its low six bits) times,
// any other byte stands for itself. A run may carry on into the next line, as some writers produce.
class RleReader {
public:
    RleReader(const uchar* begin, const uchar* end) : m_pos(begin), m_end(end) {}

    // Fills the line; false when the data ran out first, with the rest of the line zero.
    bool readLine(uchar* line, qsizetype length)
    {
        qsizetype i = 0;
        while (i < length) {
            if (m_runLeft > 0) {
                const qsizetype n = std::min<qsizetype>(m_runLeft, length - i);
                std::memset(line + i, m_runValue, static_cast<size_t>(n));
                i += n;
                m_runLeft -= static_cast<int>(n);
                continue;
            }
            if (m_end - m_pos < 1 || ((*m_pos & 0xC0) == 0xC0 && m_end - m_pos < 2)) {
                std::memset(line + i, 0, static_cast<size_t>(length - i));
                return false;
            }
            const uchar c = *m_pos++;
            if ((c & 0xC0) == 0xC0) {
                m_runLeft = c & 0x3F;
                m_runValue = *m_pos++;
            } else {
                line[i++] = c;
            }
        }
        return true;
    }

private:
    const uchar* m_pos;
    const uchar* m_end;
    int m_runLeft = 0;
    uchar m_runValue = 0;
};

using Palette = std::array<QRgb, 256>;

void convertLine(const Header& h, const uchar* line, const Palette& palette, QRgb* row)
{
    if (h.bitsPerPixel == 1) {
        for (int x = 0; x < h.width; ++x)
            row[x] = (line[x >> 3] >> (7 - (x & 7)) & 1) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    } else if (h.planes == 3) {
        const uchar* g = line + h.bytesPerLine;
        const uchar* b = g + h.bytesPerLine;
        for (int x = 0; x < h.width; ++x)
            row[x] = qRgb(line[x], g[x], b[x]);
    } else {
        for (int x = 0; x < h.width; ++x)
            row[x] = palette[line[x]];
    }
}

} // namespace

DecodedPicture decodePcx(const QByteArray& bytes)
{
    DecodedPicture result;
    if (bytes.size() < kHeaderSize) {
        result.reason = damaged(QStringLiteral("the file is shorter than its header"));
        return result;
    }
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    Header h;
    result.reason = readHeader(data, h);
    if (result.reason)
        return result;

    // Only 8-bit single-plane files carry the closing palette; without it the indexes are shown as greys.
    const uchar* end = data + bytes.size();
    Palette palette;
    for (int i = 0; i < 256; ++i)
        palette[static_cast<size_t>(i)] = qRgb(i, i, i);
    if (h.bitsPerPixel == 8 && h.planes == 1) {
        if (bytes.size() >= kHeaderSize + kPaletteSize && end[-kPaletteSize] == kPaletteMarker) {
            const uchar* p = end - kPaletteSize + 1;
            for (size_t i = 0; i < 256; ++i, p += 3)
                palette[i] = qRgb(p[0], p[1], p[2]);
            end -= kPaletteSize;
        } else {
            result.warning = core::ReasonCode::GreyPalette;
        }
    }

    QImage image(h.width, h.height, QImage::Format_RGB32);
    if (image.isNull()) {
        result.reason = core::ReasonCode::OutOfMemory;
        return result;
    }
    image.fill(kMissingDataColour);
    std::vector<uchar> line(static_cast<size_t>(h.planes) * static_cast<size_t>(h.bytesPerLine));
    RleReader rle(data + kHeaderSize, end);
    for (int y = 0; y < h.height; ++y) {
        // A line the data ends in stays the missing-data colour as a whole, like the lines after it: a part
        // of a line cannot be told from a run that was never finished.
        if (!rle.readLine(line.data(), static_cast<qsizetype>(line.size()))) {
            result.warning = {core::ReasonCode::Truncated, {kindName(PictureKind::Pcx8)}};
            break;
        }
        convertLine(h, line.data(), palette, reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    result.image = image;
    result.reason = {};
    return result;
}

qint64 pcxDecodingMemory(const QByteArray& bytes)
{
    Header h;
    if (bytes.size() < kHeaderSize || readHeader(reinterpret_cast<const uchar*>(bytes.constData()), h))
        return 0;
    return qint64(h.width) * h.height * 4; // the RGB32 picture; it has no transparency to copy over white
}

} // namespace picture
