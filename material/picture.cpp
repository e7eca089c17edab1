#include "material/picture.h"

#include "material/decoder_messages.h"
#include "material/gif_decoder.h"
#include "material/heif_decoder.h"
#include "material/jpeg_decoder.h"
#include "material/limits.h"
#include "material/pcx.h"
#include "material/png_decoder.h"
#include "material/tiff_decoder.h"
#include "material/webp_decoder.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace material {

namespace {

bool startsWith(const QByteArray& b, std::initializer_list<unsigned char> sig)
{
    if (b.size() < static_cast<qsizetype>(sig.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char c : sig) {
        if (static_cast<unsigned char>(b[i++]) != c)
            return false;
    }
    return true;
}

// Callers check the bounds: every read below is of bytes known to be inside the block.
unsigned u8(const QByteArray& b, qsizetype at)
{
    return static_cast<unsigned char>(b[at]);
}

unsigned u16le(const QByteArray& b, qsizetype at)
{
    return u8(b, at) | u8(b, at + 1) << 8;
}

quint32 u32le(const QByteArray& b, qsizetype at)
{
    return u16le(b, at) | quint32(u16le(b, at + 2)) << 16;
}

quint32 u32be(const QByteArray& b, qsizetype at)
{
    return u8(b, at) << 24 | u8(b, at + 1) << 16 | u8(b, at + 2) << 8 | u8(b, at + 3);
}

// An indexed picture whose pixels point past its colour table (a BMP that declares two colours and uses
// two hundred) would be read past the table's end by a careless conversion; the missing entries are black.
QImage withFullColourTable(QImage image)
{
    if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Mono &&
        image.format() != QImage::Format_MonoLSB)
        return image;
    const int full = 1 << image.depth();
    QList<QRgb> table = image.colorTable();
    if (table.size() >= full)
        return image;
    while (table.size() < full)
        table.append(qRgb(0, 0, 0));
    image.setColorTable(table);
    return image;
}

using core::Reason;
using core::ReasonCode;

// The format's name in reasons.
QString formatName(const char* format)
{
    return QString::fromLatin1(format).toUpper();
}

// Why Qt's reader gave no picture, in the decoder's own words where it said any: libpng's "IDAT: CRC
// error" says more than the reader's "Unable to read image data".
Reason readerFailure(const QImageReader& reader, const QuietMessages& messages, const char* format)
{
    if (messages.aboutMemory())
        return ReasonCode::OutOfMemory;
    if (reader.error() == QImageReader::UnsupportedFormatError)
        return {ReasonCode::Unsupported, {formatName(format), reader.errorString()}};
    const QString words = messages.first();
    return {ReasonCode::Damaged, {formatName(format), words.isEmpty() ? reader.errorString() : words}};
}

struct QtRead {
    QImage image;   // null when the reader gave nothing to show
    Reason failure; // why, then
};

bool indexed(QImage::Format format)
{
    return format == QImage::Format_Indexed8 || format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
}

// Reads image `index` of the bytes with Qt's reader for `format` into a picture allocated here and filled
// first, so a pixel the reader never writes (the bytes ended early) has the fill, never what was in memory
// before: Qt's readers write into a given picture of their own size and format. An indexed picture is
// filled with the index `fill`'s low byte, other pictures with the colour. A size beyond the limits and a
// picture beyond the decoder's memory budget are refused before anything is allocated.
QtRead readOnce(const QByteArray& bytes, const char* format, int index, QRgb fill)
{
    QuietMessages messages;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(kMaxDecoderMegabytes);
    if (index > 0 && !reader.jumpToImage(index))
        return {{}, readerFailure(reader, messages, format)};
    const QSize size = reader.size();
    if (size.isValid() && !withinPictureLimits(size.width(), size.height()))
        return {{}, pictureSizeRefusal(size.width(), size.height())};
    const QImage::Format pixels = reader.imageFormat();
    QImage image;
    if (size.isValid() && pixels != QImage::Format_Invalid) {
        const qint64 megabytes =
            qint64(size.width()) * size.height() * QImage::toPixelFormat(pixels).bitsPerPixel() / 8 / (1024 * 1024LL);
        if (megabytes > kMaxDecoderMegabytes)
            return {{}, {ReasonCode::MemoryBudget, {QString::number(megabytes), QString::number(kMaxDecoderMegabytes)}}};
        image = QImage(size, pixels);
        if (image.isNull())
            return {{}, ReasonCode::OutOfMemory};
        if (indexed(pixels)) {
            image.setColorCount(1 << image.depth());
            image.fill(fill & ((1u << image.depth()) - 1));
        } else {
            image.fill(QColor::fromRgba(fill));
        }
    }
    if (!reader.read(&image) || image.isNull())
        return {{}, readerFailure(reader, messages, format)};
    return {image, {}};
}

// Whether a BMP's pixel data ends before its header says it does: uncompressed rows that are not all there,
// or run-length data without its end-of-picture code.
bool bmpEndsEarly(const QByteArray& b)
{
    if (b.size() < 54 || u32le(b, 14) < 40)
        return false;
    const quint32 compression = u32le(b, 30);
    if (compression == 1 || compression == 2)
        return !b.endsWith(QByteArray("\x00\x01", 2));
    if (compression != 0 && compression != 3)
        return false;
    const qint64 width = qint32(u32le(b, 18));
    const qint64 height = std::abs(qint64(qint32(u32le(b, 22))));
    const qint64 rowBytes = (width * u16le(b, 28) + 31) / 32 * 4;
    return qint64(b.size()) < qint64(u32le(b, 10)) + rowBytes * height;
}

// The picture as Qt's reader gives it, where every pixel whose data never came is kMissingDataColour and a
// warning says so. An indexed picture cannot be filled with a colour, so one whose data ended early is read
// a second time with another fill index: the pixels that differ between the two reads were never written.
DecodedPicture readWithQt(const QByteArray& bytes, const char* format, int index = 0)
{
    const QtRead first = readOnce(bytes, format, index, kMissingDataColour);
    if (first.image.isNull())
        return {{}, first.failure, {}};
    const bool endsEarly = qstrcmp(format, "bmp") == 0 && bmpEndsEarly(bytes);
    if (!endsEarly)
        return {withFullColourTable(first.image), {}, {}};
    const Reason truncated(ReasonCode::Truncated, {formatName(format)});
    if (!indexed(first.image.format()))
        return {first.image, {}, truncated};
    const QtRead second = readOnce(bytes, format, index, kMissingDataColour + 1);
    QImage shown = withFullColourTable(first.image).convertToFormat(QImage::Format_RGB32);
    if (shown.isNull() || second.image.size() != first.image.size())
        return {{}, shown.isNull() ? Reason(ReasonCode::OutOfMemory) : second.failure, {}};
    for (int y = 0; y < shown.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x) {
            if (first.image.pixelIndex(x, y) != second.image.pixelIndex(x, y))
                row[x] = kMissingDataColour;
        }
    }
    return {shown, {}, truncated};
}

// The size in a BMP's info header, checked here because Qt's reader may take a header it cannot read for
// no header at all: the 12-byte core header has 16-bit sizes, the others signed 32-bit ones with the
// height negative for rows stored top down.
DecodedPicture decodeBmp(const QByteArray& b)
{
    if (b.size() >= 26) {
        const bool core = u32le(b, 14) == 12;
        const qint64 width = core ? u16le(b, 18) : qint32(u32le(b, 18));
        const qint64 height = core ? u16le(b, 20) : std::abs(qint64(qint32(u32le(b, 22))));
        const Reason refusal = pictureSizeRefusal(width, height);
        if (refusal)
            return {{}, refusal, {}};
    }
    return readWithQt(b, "bmp");
}

struct IconEntry {
    qint64 pixels = 0;
    int depth = 0;
};

// The size and depth of one icon or cursor image, from its own header (a PNG, or a BMP info header whose
// height counts the colour and the mask rows). The directory's own width, height and, for cursors, depth
// fields are one byte or reused for the hot spot, so they are not trusted.
bool readIconEntry(const QByteArray& b, qsizetype entry, IconEntry& out)
{
    const quint32 offset = u32le(b, entry + 12);
    if (offset >= quint32(b.size()) || b.size() - qsizetype(offset) < 40)
        return false;
    qint64 width, height;
    if (b.mid(offset, 8) == QByteArray("\x89PNG\r\n\x1a\n", 8)) {
        width = u32be(b, offset + 16);
        height = u32be(b, offset + 20);
        static const int channels[7] = {1, 0, 3, 1, 2, 0, 4}; // by PNG colour type
        const unsigned type = u8(b, offset + 25);
        out.depth = int(u8(b, offset + 24)) * (type < 7 ? channels[type] : 0);
    } else {
        width = qint32(u32le(b, offset + 4));
        height = qint32(u32le(b, offset + 8)) / 2;
        out.depth = int(u16le(b, offset + 14));
    }
    if (!withinPictureLimits(width, height))
        return false;
    out.pixels = width * height;
    return true;
}

// Icons and cursors hold several images of one picture; the best is the largest, then the deepest.
DecodedPicture decodeIcon(const QByteArray& bytes)
{
    const int count = std::min<int>(int(u16le(bytes, 4)), kMaxIconEntries);
    int best = -1;
    IconEntry bestEntry;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        IconEntry e;
        if (entry + 16 > bytes.size() || !readIconEntry(bytes, entry, e))
            continue;
        if (best < 0 || e.pixels > bestEntry.pixels || (e.pixels == bestEntry.pixels && e.depth > bestEntry.depth)) {
            best = i;
            bestEntry = e;
        }
    }
    if (best < 0)
        return {{},
                {ReasonCode::Damaged,
                 {QStringLiteral("ICO"), QStringLiteral("the directory holds no readable image within the limits")}},
                {}};
    // An image stored as a PNG goes to the PNG decoder, which owns libpng's messages (Qt's lets them through).
    const QByteArray png = bytes.mid(u32le(bytes, 6 + 16 * qsizetype(best) + 12));
    if (recognise(png) == PictureKind::Png)
        return decodePng(png);
    return readWithQt(bytes, "ico", best);
}

// The HEIF family: an ISO box of type "ftyp" first, whose major brand or one of whose compatible brands
// names a HEIF picture or sequence. AVIF brands make it AVIF; the other HEIF brands HEIC. Real files list
// a handful of brands; only the first 64 are looked at, however large the box claims to be.
PictureKind heifKind(const QByteArray& b)
{
    if (b.size() < 12 || QByteArrayView(b).sliced(4, 4) != "ftyp")
        return PictureKind::None;
    const qsizetype boxEnd = std::min<qsizetype>({b.size(), u32be(b, 0), 16 + 64 * 4});
    bool heif = false;
    bool avif = false;
    for (qsizetype at = 8; at + 4 <= std::max<qsizetype>(boxEnd, 12); at += at == 8 ? 8 : 4) {
        const QByteArrayView brand = QByteArrayView(b).sliced(at, 4); // the major brand, then the compatible ones
        avif = avif || brand == "avif" || brand == "avis";
        heif = heif || avif || brand == "heic" || brand == "heix" || brand == "mif1" || brand == "msf1";
    }
    return !heif ? PictureKind::None : avif ? PictureKind::Avif : PictureKind::Heic;
}

} // namespace

PictureKind recognise(const QByteArray& b)
{
    if (b.size() < 6)
        return PictureKind::None;
    if (startsWith(b, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return PictureKind::Png;
    if (startsWith(b, {'B', 'M'}))
        return PictureKind::Bmp;
    if (startsWith(b, {0xFF, 0xD8}))
        return PictureKind::Jpeg;
    if (startsWith(b, {0, 0, 1, 0}) && u16le(b, 4) != 0)
        return PictureKind::Icon;
    if (startsWith(b, {0, 0, 2, 0}) && u16le(b, 4) != 0)
        return PictureKind::Cursor;
    if (b.startsWith("GIF87a") || b.startsWith("GIF89a"))
        return PictureKind::Gif;
    if (u8(b, 0) == 0x0A && u8(b, 1) <= 5 && u8(b, 2) == 0x01 && u8(b, 3) == 0x08)
        return PictureKind::Pcx8;
    if (startsWith(b, {0x0A, 0x03, 0x01, 0x01}))
        return PictureKind::Pcx1;
    if (b.startsWith("RIFF") && b.size() >= 12 && b.mid(8, 4) == "WEBP")
        return PictureKind::Webp;
    if (startsWith(b, {'I', 'I', 42, 0}) || startsWith(b, {'M', 'M', 0, 42}))
        return PictureKind::Tiff;
    return heifKind(b);
}

namespace {

// About the memory Qt's reader takes for the bytes, from their header: the picture (JPEG after its scaling)
// and, for a picture with transparency, its copy over white. 0 when the header gives no size.
qint64 measuredByQt(const QByteArray& bytes, QSize target)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QuietMessages messages;
    QImageReader reader(&buffer);
    QSize size = reader.size();
    if (!size.isValid())
        return 0;
    const QImage::Format format = reader.imageFormat();
    if (recognise(bytes) == PictureKind::Jpeg) {
        const int eighths = jpegScaleEighths(size, target);
        size = QSize((size.width() * eighths + 7) / 8, (size.height() * eighths + 7) / 8);
    }
    const qint64 pixels = qint64(size.width()) * size.height();
    const int bits = format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    const bool alpha = format != QImage::Format_Invalid && QImage::toPixelFormat(format).alphaUsage() ==
                                                               QPixelFormat::UsesAlpha;
    return pixels * std::max(bits, 32) / 8 + (alpha ? pixels * 4 : 0);
}

// Each kind's decoder and its measure of the memory decoding takes. The formats with decoders of their own
// are measured by them: Qt's readers for them would let their libraries print to standard error, Qt has none
// for HEIF and PCX, and Qt's GIF reader gives the first frame's size where the picture is the whole screen.
struct KindDecoder {
    PictureKind kind;
    DecodedPicture (*decode)(const QByteArray& bytes, QSize target);
    qint64 (*memory)(const QByteArray& bytes, QSize target);
};

// clang-format off
const KindDecoder kDecoders[] = {
    {PictureKind::Bmp,    [](const QByteArray& b, QSize) { return decodeBmp(b); },  measuredByQt},
    {PictureKind::Jpeg,   decodeJpeg,                                               measuredByQt},
    {PictureKind::Icon,   [](const QByteArray& b, QSize) { return decodeIcon(b); }, measuredByQt},
    {PictureKind::Cursor, [](const QByteArray& b, QSize) { return decodeIcon(b); }, measuredByQt},
    {PictureKind::Gif,    [](const QByteArray& b, QSize) { return decodeGif(b); },  [](const QByteArray& b, QSize) { return gifDecodingMemory(b); }},
    {PictureKind::Pcx8,   [](const QByteArray& b, QSize) { return decodePcx(b); },  [](const QByteArray& b, QSize) { return pcxDecodingMemory(b); }},
    {PictureKind::Pcx1,   [](const QByteArray& b, QSize) { return decodePcx(b); },  [](const QByteArray& b, QSize) { return pcxDecodingMemory(b); }},
    {PictureKind::Png,    decodePng,                                                pngDecodingMemory},
    {PictureKind::Webp,   [](const QByteArray& b, QSize) { return decodeWebp(b); }, measuredByQt},
    {PictureKind::Tiff,   [](const QByteArray& b, QSize) { return decodeTiff(b); }, [](const QByteArray& b, QSize) { return tiffDecodingMemory(b); }},
    {PictureKind::Heic,   decodeHeif,                                               heifDecodingMemory},
    {PictureKind::Avif,   decodeHeif,                                               heifDecodingMemory},
};
// clang-format on

// The decoder for the kind the bytes begin with; none for bytes that are no recognised picture.
const KindDecoder* decoderFor(const QByteArray& bytes)
{
    const PictureKind kind = recognise(bytes);
    for (const KindDecoder& d : kDecoders) {
        if (d.kind == kind)
            return &d;
    }
    return nullptr;
}

} // namespace

qint64 decodingMemory(const QByteArray& bytes, QSize target)
{
    // Bytes refused by their first bytes are never decoded.
    const KindDecoder* decoder = decoderFor(bytes);
    return decoder ? decoder->memory(bytes, target) : 0;
}

DecodedPicture decodePicture(const QByteArray& bytes, QSize target)
{
    const KindDecoder* decoder = decoderFor(bytes);
    if (!decoder)
        return {{}, ReasonCode::NotAPicture, {}};
    DecodedPicture decoded = decoder->decode(bytes, target);
    if (decoded.image.isNull() && decoded.reason.isNone())
        decoded.reason = core::ReasonCode::CannotShow;
    return decoded;
}

} // namespace material
