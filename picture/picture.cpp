#include "picture/picture.h"

#include "picture/bmp_decoder.h"
#include "picture/decoder_messages.h"
#include "picture/gif_decoder.h"
#include "picture/heif_decoder.h"
#include "picture/jpeg_decoder.h"
#include "picture/limits.h"
#include "picture/pcx.h"
#include "picture/png_decoder.h"
#include "picture/resample.h"
#include "picture/tiff_decoder.h"
#include "picture/webp_decoder.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <initializer_list>

namespace picture {

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

using core::ReasonCode;

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

// Icons and cursors hold several images of one picture; the best is the largest, then the deepest. Its
// offset, -1 when no image is readable within the limits.
qint64 bestIconImage(const QByteArray& bytes, IconEntry& bestEntry)
{
    const int count = std::min<int>(int(u16le(bytes, 4)), kMaxIconEntries);
    int best = -1;
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
    return best < 0 ? -1 : qint64(u32le(bytes, 6 + 16 * qsizetype(best) + 12));
}

// The best image goes to the PNG decoder when it is a PNG, to the BMP decoder's icon reading otherwise.
DecodedPicture decodeIcon(const QByteArray& bytes, QSize target)
{
    IconEntry entry;
    const qint64 offset = bestIconImage(bytes, entry);
    if (offset < 0)
        return {
            {},
            {ReasonCode::Damaged,
             {kindName(PictureKind::Icon), QStringLiteral("the directory holds no readable image within the limits")}},
            {}};
    const QByteArray image = bytes.mid(offset);
    return recognise(image) == PictureKind::Png ? decodePng(image, target) : decodeIconBmp(image, target);
}

qint64 iconDecodingMemory(const QByteArray& bytes, QSize target)
{
    IconEntry entry;
    const qint64 offset = bestIconImage(bytes, entry);
    if (offset < 0)
        return 0;
    const QByteArray image = bytes.mid(offset);
    // A BMP image as decoded, and its copy over white.
    return recognise(image) == PictureKind::Png ? pngDecodingMemory(image, target) : entry.pixels * 8;
}

// A BMP that holds a JPEG or PNG is measured as that picture.
qint64 bmpMemory(const QByteArray& bytes, QSize target);

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

// About the memory Qt's reader takes for the bytes, from their header: the picture (JPEG after its scaling)
// and, for a picture with transparency, its copy over white. 0 when the header gives no size.
qint64 measuredByQt(const QByteArray& bytes, QSize target);

// One row per kind of picture: what file dialogs call it and which file names they offer for it, how its first
// bytes are told (at least 6 bytes are there), its decoder and its measure of the memory decoding takes.
// Adding a kind is adding a row (and, where its library has words of its own for damage, teaching
// core/reasons.cpp's kDamageKinds those words). Rows are tried in order: the signatures are told apart by their
// first bytes, except the HEIF family's, which looks at bytes 4 to 7 and so comes last. The formats with
// decoders of their own are measured by them: Qt's readers for them would let their libraries print to
// standard error, Qt has none for HEIF and PCX, and Qt's GIF reader gives the first frame's size where the
// picture is the whole screen.
struct KindRow {
    PictureKind kind;
    const char16_t* name;     // as file dialogs and reasons name it; kinds of one name share one dialog entry
    const char16_t* patterns; // file name patterns, separated by spaces (names only help the user find files)
    bool (*recognise)(const QByteArray& bytes);
    DecodedPicture (*decode)(const QByteArray& bytes, QSize target);
    qint64 (*memory)(const QByteArray& bytes, QSize target);
};

using B = const QByteArray&;

// clang-format off
constexpr KindRow kKinds[] = {
    {PictureKind::Jpeg,   u"JPEG", u"*.jpg *.jpeg *.jpe *.jfif",
     [](B b) { return startsWith(b, {0xFF, 0xD8}); },
     decodeJpeg, measuredByQt},
    // A BMP file, or an OS/2 bitmap array: its first element's header, then that element's own "BM" file header.
    {PictureKind::Bmp,    u"BMP",  u"*.bmp *.dib",
     [](B b) { return startsWith(b, {'B', 'M'}) || (startsWith(b, {'B', 'A'}) && b.size() >= 16 && b.mid(14, 2) == "BM"); },
     decodeBmp, bmpMemory},
    {PictureKind::Png,    u"PNG",  u"*.png",
     [](B b) { return startsWith(b, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}); },
     decodePng, pngDecodingMemory},
    {PictureKind::Gif,    u"GIF",  u"*.gif",
     [](B b) { return b.startsWith("GIF87a") || b.startsWith("GIF89a"); },
     [](B b, QSize) { return decodeGif(b); }, [](B b, QSize) { return gifDecodingMemory(b); }},
    {PictureKind::Icon,   u"ICO",  u"*.ico",
     [](B b) { return startsWith(b, {0, 0, 1, 0}) && u16le(b, 4) != 0; },
     decodeIcon, iconDecodingMemory},
    {PictureKind::Cursor, u"CUR",  u"*.cur",
     [](B b) { return startsWith(b, {0, 0, 2, 0}) && u16le(b, 4) != 0; },
     decodeIcon, iconDecodingMemory},
    {PictureKind::Pcx8,   u"PCX",  u"*.pcx",
     [](B b) { return u8(b, 0) == 0x0A && u8(b, 1) <= 5 && u8(b, 2) == 0x01 && u8(b, 3) == 0x08; },
     [](B b, QSize) { return decodePcx(b); }, [](B b, QSize) { return pcxDecodingMemory(b); }},
    {PictureKind::Pcx1,   u"PCX",  u"*.pcx",
     [](B b) { return startsWith(b, {0x0A, 0x03, 0x01, 0x01}); },
     [](B b, QSize) { return decodePcx(b); }, [](B b, QSize) { return pcxDecodingMemory(b); }},
    {PictureKind::Webp,   u"WebP", u"*.webp",
     [](B b) { return b.startsWith("RIFF") && b.size() >= 12 && b.mid(8, 4) == "WEBP"; },
     [](B b, QSize) { return decodeWebp(b); }, measuredByQt},
    {PictureKind::Tiff,   u"TIFF", u"*.tif *.tiff",
     [](B b) { return startsWith(b, {'I', 'I', 42, 0}) || startsWith(b, {'M', 'M', 0, 42}); },
     decodeTiff, tiffDecodingMemory},
    {PictureKind::Heic,   u"HEIC", u"*.heic *.heif *.hif",
     [](B b) { return heifKind(b) == PictureKind::Heic; },
     decodeHeif, heifDecodingMemory},
    {PictureKind::Avif,   u"AVIF", u"*.avif",
     [](B b) { return heifKind(b) == PictureKind::Avif; },
     decodeHeif, heifDecodingMemory},
};
// clang-format on

// The row for the kind the bytes begin with; none for bytes that are no recognised picture.
const KindRow* rowFor(const QByteArray& bytes)
{
    if (bytes.size() < 6)
        return nullptr;
    for (const KindRow& row : kKinds) {
        if (row.recognise(bytes))
            return &row;
    }
    return nullptr;
}

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
    const bool alpha =
        format != QImage::Format_Invalid && QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha;
    return pixels * std::max(bits, 32) / 8 + (alpha ? pixels * 4 : 0);
}

qint64 bmpMemory(const QByteArray& bytes, QSize target)
{
    const QByteArray inner = bmpEmbeddedPicture(bytes);
    return inner.isEmpty() ? bmpDecodingMemory(bytes, target) : decodingMemory(inner, target);
}

} // namespace

PictureKind recognise(const QByteArray& bytes)
{
    const KindRow* row = rowFor(bytes);
    return row ? row->kind : PictureKind::None;
}

QString kindName(PictureKind kind)
{
    for (const KindRow& row : kKinds) {
        if (row.kind == kind)
            return QString::fromUtf16(row.name);
    }
    return {};
}

QList<PictureFormat> pictureFormats()
{
    QList<PictureFormat> formats;
    for (const KindRow& row : kKinds) {
        const QString name = QString::fromUtf16(row.name);
        if (formats.isEmpty() || formats.constLast().name != name)
            formats.append({name, QString::fromUtf16(row.patterns)});
    }
    return formats;
}

qint64 decodingMemory(const QByteArray& bytes, QSize target)
{
    // Bytes refused by their first bytes are never decoded.
    const KindRow* decoder = rowFor(bytes);
    return decoder ? decoder->memory(bytes, target) : 0;
}

DecodedPicture decodePicture(const QByteArray& bytes, QSize target)
{
    const KindRow* decoder = rowFor(bytes);
    if (!decoder)
        return {{}, ReasonCode::NotAPicture, {}};
    DecodedPicture decoded = decoder->decode(bytes, target);
    if (decoded.image.isNull()) {
        if (decoded.reason.isNone())
            decoded.reason = core::ReasonCode::CannotShow;
        return decoded;
    }
    // Whatever the container, the same pixels leave here as the same picture: true colour, reduced to the
    // target by the one reducer (a no-op for the decoders that reduced while reading).
    decoded.image = reducePicture(decoded.image, reductionFactor(decoded.image.size(), target));
    if (decoded.image.isNull())
        return {{}, ReasonCode::OutOfMemory, {}};
    return decoded;
}

} // namespace picture
