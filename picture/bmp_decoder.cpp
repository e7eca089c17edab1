#include "picture/bmp_decoder.h"

#include "picture/bmp_header.h"
#include "picture/decoder_messages.h"
#include "picture/jpeg_decoder.h"
#include "picture/limits.h"
#include "picture/picture.h"
#include "picture/png_decoder.h"
#include "picture/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <new>

namespace picture {

namespace {

using namespace bmp;

const QString kBmp = kindName(PictureKind::Bmp);

// s2.13 fixed point in linear light, as 64-bit pixels store each channel: 8192 is 1.0.
const std::array<uchar, 8193>& linearToSrgb()
{
    static const std::array<uchar, 8193> table = [] {
        std::array<uchar, 8193> t{};
        for (size_t i = 0; i < t.size(); ++i) {
            const double l = double(i) / 8192.0;
            const double s = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
            t[i] = uchar(std::lround(std::clamp(s, 0.0, 1.0) * 255.0));
        }
        return t;
    }();
    return table;
}

int fixed213(const uchar* p)
{
    return std::clamp(int(qint16(quint16(p[0] | p[1] << 8))), 0, 8192);
}

quint32 pixelValue(const uchar* p, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= quint32(p[i]) << (8 * i);
    return v;
}

// Turns the first `count` pixels of one stored row into colours; `alpha` when the alpha channel is used.
void convertRow(const Layout& l, bool alpha, const uchar* src, int count, QRgb* out)
{
    const int bits = l.bits;
    if (bits == 8) {
        for (int x = 0; x < count; ++x)
            out[x] = l.palette[src[x]];
        return;
    }
    if (bits < 8) {
        const unsigned top = (1u << bits) - 1;
        for (int x = 0; x < count; ++x) {
            const int bit = x * bits;
            out[x] = l.palette[(src[bit / 8] >> (8 - bits - bit % 8)) & top];
        }
        return;
    }
    if (bits == 64) {
        const auto& srgb = linearToSrgb();
        for (int x = 0; x < count; ++x, src += 8) {
            const int a = alpha ? int((fixed213(src + 6) * 255 + 4096) / 8192) : 255;
            out[x] =
                qRgba(srgb[size_t(fixed213(src + 4))], srgb[size_t(fixed213(src + 2))], srgb[size_t(fixed213(src))], a);
        }
        return;
    }
    const auto& c = l.channels;
    const bool plain =
        c[0].mask == 0xFF0000 && c[1].mask == 0xFF00 && c[2].mask == 0xFF && (!alpha || c[3].mask == 0xFF000000u);
    const int bytes = bits / 8;
    if (plain && bits == 24) {
        for (int x = 0; x < count; ++x, src += 3)
            out[x] = qRgb(src[2], src[1], src[0]);
        return;
    }
    if (plain && bits == 32) {
        for (int x = 0; x < count; ++x, src += 4)
            out[x] = pixelValue(src, 4) | (alpha ? 0 : 0xFF000000u);
        return;
    }
    for (int x = 0; x < count; ++x, src += bytes) {
        const quint32 v = pixelValue(src, bytes);
        out[x] = qRgba(int(c[0].get(v)), int(c[1].get(v)), int(c[2].get(v)), alpha ? int(c[3].get(v)) : 255);
    }
}

qint64 rowBytes(const Layout& l)
{
    return (l.width * l.bits + 31) / 32 * 4;
}

// What the declared alpha channel holds: whether any pixel shows (alpha not zero) and whether any lets
// the white through (alpha below full). A channel zero everywhere, or full everywhere, leaves the picture
// opaque.
struct AlphaSeen {
    bool visible = false;
    bool clear = false;
    bool used() const { return visible && clear; }
};

AlphaSeen alphaSeen(Bytes b, const Layout& l)
{
    AlphaSeen seen;
    if (!l.alpha)
        return seen;
    const qint64 stride = rowBytes(l);
    const int bytes = l.bits / 8;
    const unsigned full = l.bits == 64 ? 8192 : 255;
    for (qint64 row = 0; row < l.height && !seen.used(); ++row) {
        const qint64 at = l.pixelsAt + row * stride;
        const qint64 count = std::min(l.width, std::max<qint64>(0, b.size - at) / bytes);
        for (qint64 x = 0; x < count; ++x) {
            const uchar* p = b.data + at + x * bytes;
            const unsigned a = l.bits == 64 ? unsigned(fixed213(p + 6)) : l.channels[3].get(pixelValue(p, bytes));
            seen.visible = seen.visible || a != 0;
            seen.clear = seen.clear || a != full;
        }
    }
    return seen;
}

QImage newPicture(qint64 w, qint64 h, bool alpha)
{
    return QImage(int(w), int(h), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

// Where the rows go as they are decoded: into the picture at full size, or through the reduction to the
// target size by way of one row's buffer, so a large picture never exists at full size.
class RowSink {
public:
    RowSink(qint64 w, qint64 h, bool alpha, int k) : m_width(int(w))
    {
        if (k <= 1) {
            m_image = newPicture(w, h, alpha);
            return;
        }
        m_reducer = std::make_unique<RowReducer>(QSize(int(w), int(h)), k, alpha);
        m_row.reset(new (std::nothrow) QRgb[size_t(w)]);
        m_present.reset(new (std::nothrow) uchar[size_t(w)]);
    }
    bool isValid() const { return m_reducer ? m_reducer->isValid() && m_row && m_present : !m_image.isNull(); }
    QRgb* row(int y) { return m_reducer ? m_row.get() : reinterpret_cast<QRgb*>(m_image.scanLine(y)); }
    // Row y is in row(y), its first `count` pixels arrived; the others are the missing-data colour.
    void put(int y, int count)
    {
        if (!m_reducer) {
            std::fill(row(y) + count, row(y) + m_width, kMissingDataColour);
        } else if (count > 0) {
            std::fill(m_present.get(), m_present.get() + m_width, uchar(0));
            std::fill(m_present.get(), m_present.get() + count, uchar(1));
            m_reducer->addRow(y, m_row.get(), count < m_width ? m_present.get() : nullptr);
        }
    }
    QImage finish() { return m_reducer ? m_reducer->finish() : m_image; }

private:
    int m_width;
    QImage m_image;
    std::unique_ptr<RowReducer> m_reducer;
    std::unique_ptr<QRgb[]> m_row;
    std::unique_ptr<uchar[]> m_present;
};

// A picture of rows stored one after the other at the same stride, bottom up unless the height was negative,
// read in the order they are stored; an icon's AND mask follows them, used where its alpha shows nothing.
DecodedPicture decodeRows(Bytes b, const Layout& l, int k)
{
    const AlphaSeen seen = alphaSeen(b, l);
    const bool alpha = seen.used();
    const bool masked = l.icon && !seen.visible;
    RowSink sink(l.width, l.height, alpha || masked, k);
    if (!sink.isValid())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    const qint64 stride = rowBytes(l);
    const qint64 maskAt = l.pixelsAt + stride * l.height, maskStride = (l.width + 31) / 32 * 4;
    qint64 arrived = 0;
    bool clear = false;
    for (qint64 stored = 0; stored < l.height; ++stored) {
        const int y = int(l.topDown ? stored : l.height - 1 - stored);
        const qint64 at = l.pixelsAt + stored * stride;
        const qint64 present = std::clamp<qint64>(b.size - at, 0, stride);
        const int count = int(std::min(l.width, present * 8 / l.bits));
        QRgb* out = sink.row(y);
        if (count > 0)
            convertRow(l, alpha, b.data + at, count, out);
        arrived += count;
        const qint64 maskRow = maskAt + stored * maskStride;
        for (int x = 0; masked && x < count && b.has(maskRow + x / 8, 1); ++x) {
            if (b.u8(maskRow + x / 8) >> (7 - x % 8) & 1) {
                out[x] &= 0x00FFFFFF;
                clear = true;
            }
        }
        sink.put(y, count);
    }
    if (arrived == 0)
        return {{}, damaged(QStringLiteral("the file ends before its pixel data")), {}};
    QImage image = sink.finish();
    if (masked && !clear && image.format() == QImage::Format_ARGB32)
        image.reinterpretAsFormat(QImage::Format_RGB32);
    const bool whole = arrived == l.width * l.height;
    return {image, {}, whole ? core::Reason() : core::Reason(core::ReasonCode::Truncated, {kBmp})};
}

// Run-length pictures: runs of one colour (two alternating ones for 4 bits), literal pixels, the end of a
// line, a jump ahead and the end of the picture. Pixels the jumps and ends pass over are transparent; the
// pixels after the point where the data ends are kMissingDataColour.
DecodedPicture decodeRle(Bytes b, const Layout& l)
{
    QImage image = newPicture(l.width, l.height, true);
    if (image.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    image.fill(0);
    const qint64 w = l.width, h = l.height;
    auto put = [&](qint64 x, qint64 y, QRgb c) {
        if (x < w && y < h)
            reinterpret_cast<QRgb*>(image.scanLine(int(l.topDown ? y : h - 1 - y)))[x] = c;
    };
    const int unit = l.coding == Coding::Rle24 ? 3 : 1;
    auto colourAt = [&](qint64 at, qint64 i) {
        if (l.coding == Coding::Rle24)
            return qRgb(int(b.u8(at + 3 * i + 2)), int(b.u8(at + 3 * i + 1)), int(b.u8(at + 3 * i)));
        if (l.coding == Coding::Rle8)
            return l.palette[b.u8(at + i)];
        return l.palette[(b.u8(at + i / 2) >> (i % 2 == 0 ? 4 : 0)) & 0xF];
    };
    qint64 at = l.pixelsAt, x = 0, y = 0;
    bool ranOut = false;
    while (y < h) {
        if (!b.has(at, 1 + unit)) {
            ranOut = true;
            break;
        }
        const unsigned n = b.u8(at);
        if (n > 0) {
            for (unsigned i = 0; i < n; ++i)
                put(x + i, y, l.coding == Coding::Rle4 ? colourAt(at + 1, i % 2) : colourAt(at + 1, 0));
            x += n;
            at += 1 + unit;
            continue;
        }
        const unsigned code = b.u8(at + 1);
        at += 2;
        if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (!b.has(at, 2)) {
                ranOut = true;
                break;
            }
            x += b.u8(at);
            y += b.u8(at + 1);
            at += 2;
        } else {
            const qint64 length = l.coding == Coding::Rle4 ? (code + 1) / 2 : qint64(code) * unit;
            const qint64 present = std::clamp<qint64>(b.size - at, 0, length);
            const qint64 drawn = l.coding == Coding::Rle4 ? std::min<qint64>(code, present * 2) : present / unit;
            for (qint64 i = 0; i < drawn; ++i)
                put(x + i, y, colourAt(at, i));
            x += drawn;
            if (present < length) {
                ranOut = true;
                break;
            }
            at += (length + 1) / 2 * 2;
        }
    }
    qint64 missing = 0;
    for (; ranOut && y < h; ++y, x = 0) {
        for (; x < w; ++x, ++missing)
            put(x, y, kMissingDataColour);
    }
    if (missing == w * h)
        return {{}, damaged(QStringLiteral("the file ends before its pixel data")), {}};
    bool clear = false;
    for (int row = 0; row < h && !clear; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        clear = std::any_of(line, line + w, [](QRgb p) { return qAlpha(p) == 0; });
    }
    if (!clear)
        image.reinterpretAsFormat(QImage::Format_RGB32);
    return {image, {}, missing > 0 ? core::Reason(core::ReasonCode::Truncated, {kBmp}) : core::Reason()};
}

QByteArray embedded(const QByteArray& bytes, const Layout& l)
{
    if (l.coding != Coding::Jpeg && l.coding != Coding::Png)
        return {};
    const QByteArray inner = bytes.mid(l.pixelsAt);
    const bool jpeg = inner.startsWith("\xFF\xD8");
    const bool png = inner.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8));
    return (l.coding == Coding::Jpeg ? jpeg : png) ? inner : QByteArray();
}

DecodedPicture decodeLayout(const QByteArray& bytes, const Parsed& parsed, QSize target)
{
    if (parsed.refusal)
        return {{}, parsed.refusal, {}};
    const Layout& l = parsed.layout;
    const Bytes b = bytesOf(bytes);
    QuietMessages quiet; // QImage says on standard error when memory refuses a picture; the reason says it here
    const int k = reductionFactor(QSize(int(l.width), int(l.height)), target);
    switch (l.coding) {
    case Coding::Pixels:
        return decodeRows(b, l, k);
    case Coding::Rle8:
    case Coding::Rle4:
    case Coding::Rle24: {
        // Runs and jumps reach anywhere in the picture: it is drawn whole, then reduced.
        DecodedPicture decoded = decodeRle(b, l);
        if (k > 1 && !decoded.image.isNull()) {
            decoded.image = reducePicture(decoded.image, k);
            if (decoded.image.isNull())
                return {{}, core::ReasonCode::OutOfMemory, {}};
        }
        return decoded;
    }
    case Coding::Jpeg:
    case Coding::Png:
        break;
    }
    const QByteArray inner = embedded(bytes, l);
    if (inner.isEmpty())
        return {{},
                damaged(QStringLiteral("the pixel data offset holds no %1 data")
                            .arg(kindName(l.coding == Coding::Jpeg ? PictureKind::Jpeg : PictureKind::Png))),
                {}};
    return l.coding == Coding::Jpeg ? decodeJpeg(inner, target) : decodePng(inner, target);
}

} // namespace

DecodedPicture decodeBmp(const QByteArray& bytes, QSize target)
{
    return decodeLayout(bytes, parseFile(bytesOf(bytes)), target);
}

DecodedPicture decodeIconBmp(const QByteArray& dib, QSize target)
{
    return decodeLayout(dib, parseLayout(bytesOf(dib), {0, -1}, true), target);
}

QByteArray bmpEmbeddedPicture(const QByteArray& bytes)
{
    const Parsed parsed = parseFile(bytesOf(bytes));
    return parsed.refusal ? QByteArray() : embedded(bytes, parsed.layout);
}

qint64 bmpDecodingMemory(const QByteArray& bytes, QSize target)
{
    const Parsed parsed = parseFile(bytesOf(bytes));
    const Layout& l = parsed.layout;
    if (parsed.refusal || l.coding == Coding::Jpeg || l.coding == Coding::Png)
        return 0;
    // The picture as shown (reduced while read), for one that may have transparency its copy over white, the
    // row buffers and sums of the reduction, and a run-length picture drawn whole before it is reduced.
    const QSize full(int(l.width), int(l.height));
    const QSize shown = reducedSize(full, reductionFactor(full, target));
    const bool transparency = l.alpha || l.coding != Coding::Pixels;
    const qint64 whole = l.coding == Coding::Pixels ? 0 : qint64(l.width) * l.height * 4;
    return qint64(shown.width()) * shown.height() * 4 * (transparency ? 2 : 1) + whole + qint64(l.width) * 5 +
           qint64(shown.width()) * 40;
}

} // namespace picture
