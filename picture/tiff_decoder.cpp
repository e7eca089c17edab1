#include "picture/tiff_decoder.h"

#include "picture/exif.h"
#include "picture/limits.h"
#include "picture/picture.h"
#include "picture/resample.h"

#include <QStringList>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace picture {

namespace {

// The file as libtiff reads it: from the bytes in memory, never written.
struct MemoryFile {
    const QByteArray& bytes;
    toff_t pos = 0;
    QStringList errors;
    QStringList warnings;
};

MemoryFile& file(thandle_t handle)
{
    return *static_cast<MemoryFile*>(handle);
}

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size)
{
    MemoryFile& f = file(handle);
    const toff_t total = toff_t(f.bytes.size());
    if (size <= 0 || f.pos >= total)
        return 0;
    const tmsize_t n = tmsize_t(std::min<toff_t>(toff_t(size), total - f.pos));
    std::memcpy(buffer, f.bytes.constData() + f.pos, size_t(n));
    f.pos += toff_t(n);
    return n;
}

tmsize_t writeProc(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    MemoryFile& f = file(handle);
    const toff_t base = whence == SEEK_CUR ? f.pos : whence == SEEK_END ? toff_t(f.bytes.size()) : 0;
    f.pos = base + offset; // past the end is allowed: the next read gives nothing
    return f.pos;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return toff_t(file(handle).bytes.size());
}

QString format(const char* module, const char* fmt, va_list ap)
{
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    return module ? QStringLiteral("%1: %2").arg(QString::fromUtf8(module), QString::fromUtf8(text))
                  : QString::fromUtf8(text);
}

// libtiff hands its messages to these instead of printing them; returning 1 keeps them off standard error.
int errorProc(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    static_cast<MemoryFile*>(user)->errors.append(format(module, fmt, ap));
    return 1;
}

int warningProc(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    static_cast<MemoryFile*>(user)->warnings.append(format(module, fmt, ap));
    return 1;
}

using Tiff = std::unique_ptr<TIFF, decltype(&TIFFClose)>;

Tiff open(MemoryFile& f)
{
    std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(TIFFOpenOptionsAlloc(),
                                                                             TIFFOpenOptionsFree);
    if (!options)
        return {nullptr, TIFFClose};
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kMaxDecoderMegabytes) * 1024 * 1024);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), errorProc, &f);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), warningProc, &f);
    // "m": no memory mapping, every read goes through readProc.
    return {TIFFClientOpenExt(
                "TIFF", "rm", &f, readProc, writeProc, seekProc, closeProc, sizeProc, nullptr, nullptr, options.get()),
            TIFFClose};
}

const QString kTiff = kindName(PictureKind::Tiff);

QString firstOf(const QStringList& messages, const char* fallback)
{
    return messages.isEmpty() ? QString::fromUtf8(fallback) : messages.first();
}

// What the first page's tags say about its pixels.
struct Layout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 1;
    uint16_t samples = 1;
    uint16_t format = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    int alphaSample = -1;    // which sample is alpha; -1 for none
    bool associated = false; // the colours are premultiplied by it
    bool tiled = false;
    uint32_t blockWidth = 0; // a tile's size, or for strips the picture's width and the rows per strip
    uint32_t blockHeight = 0;
    const uint16_t* map[3] = {}; // a palette picture's colour map
    bool map8 = false;           // an old writer's map of 8-bit values in 16-bit fields
    bool ownReading = false;     // read sample by sample here; else by libtiff's RGBA reader
    QSize size() const { return {int(width), int(height)}; }
    QSize upright() const { return orientation >= 5 ? size().transposed() : size(); }
};

bool knownDepth(const Layout& l)
{
    if (l.format == SAMPLEFORMAT_IEEEFP)
        return l.bits == 32 || l.bits == 64;
    return l.format == SAMPLEFORMAT_UINT &&
           (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8 || l.bits == 16 || l.bits == 32);
}

// Sample planes of a picture stored plane by plane that are read here; real files have three to five.
constexpr int kMaxPlanes = 8;

// Whether the pixels are read here: grey, palette, RGB and CMYK at any whole-byte or smaller depth and in
// float, contiguous or in planes. Other kinds (YCbCr, CIE L*a*b*, LogLuv, old-style JPEG) go to libtiff's RGBA
// reader, which handles them at 8 bits.
bool readHere(TIFF* tiff, const Layout& l, int colours)
{
    if (l.planar != PLANARCONFIG_CONTIG && l.samples > kMaxPlanes)
        return false;
    uint16_t compression = COMPRESSION_NONE, inkset = INKSET_CMYK;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkset);
    if (compression == COMPRESSION_OJPEG || !knownDepth(l))
        return false;
    switch (l.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        return colours >= 1;
    case PHOTOMETRIC_PALETTE:
        return colours >= 1 && l.format == SAMPLEFORMAT_UINT && l.bits <= 16 && l.map[0] != nullptr;
    case PHOTOMETRIC_RGB:
        return colours >= 3;
    case PHOTOMETRIC_SEPARATED:
        return colours >= 4 && inkset == INKSET_CMYK;
    default:
        return false;
    }
}

Layout readLayout(TIFF* tiff)
{
    Layout l;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &l.orientation);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    const uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    const int colours = int(l.samples) - int(extraCount);
    if (extraCount > 0 && extra != nullptr && colours >= 1 &&
        (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA)) {
        l.alphaSample = colours;
        l.associated = extra[0] == EXTRASAMPLE_ASSOCALPHA;
    } else if (extraCount == 0 && l.photometric == PHOTOMETRIC_RGB && l.samples == 4) {
        l.alphaSample = 3; // what libtiff takes an untagged fourth sample of RGB for
        l.associated = true;
    }
    if (l.photometric == PHOTOMETRIC_PALETTE && TIFFGetField(tiff, TIFFTAG_COLORMAP, &l.map[0], &l.map[1], &l.map[2]) &&
        l.bits <= 16) {
        l.map8 = true;
        for (size_t i = 0; i < (size_t(1) << l.bits) && l.map8; ++i)
            l.map8 = l.map[0][i] < 256 && l.map[1][i] < 256 && l.map[2][i] < 256;
    }
    l.tiled = TIFFIsTiled(tiff) != 0;
    if (l.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &l.blockWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &l.blockHeight);
    } else {
        l.blockWidth = l.width;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &l.blockHeight);
    }
    l.blockHeight = std::clamp<uint32_t>(l.blockHeight, 1, std::max<uint32_t>(l.height, 1));
    l.ownReading = readHere(tiff, l, colours);
    return l;
}

// One row of a tile or strip as 16-bit values, one sample per pixel: sample `first`, `step` samples apart.
// Depths below 16 bits are widened to the full range, wider ones and floats (0 to 1) narrowed; with `raw`
// the values are kept as stored (palette indexes).
void samples16(const Layout& l, const uchar* row, int first, int step, int count, bool raw, quint16* out)
{
    if (l.format == SAMPLEFORMAT_IEEEFP) {
        for (int x = 0; x < count; ++x) {
            double v;
            if (l.bits == 32) {
                float f;
                std::memcpy(&f, row + (qsizetype(x) * step + first) * 4, 4);
                v = f;
            } else {
                std::memcpy(&v, row + (qsizetype(x) * step + first) * 8, 8);
            }
            out[x] = quint16(v > 0 ? (v < 1 ? v * 65535 + 0.5 : 65535) : 0); // NaN is 0 too
        }
        return;
    }
    switch (l.bits) {
    case 8:
        for (int x = 0; x < count; ++x)
            out[x] = quint16(row[qsizetype(x) * step + first] * (raw ? 1 : 257));
        return;
    case 16:
        for (int x = 0; x < count; ++x)
            std::memcpy(&out[x], row + (qsizetype(x) * step + first) * 2, 2); // libtiff gives native order
        return;
    case 32:
        for (int x = 0; x < count; ++x) {
            quint32 v;
            std::memcpy(&v, row + (qsizetype(x) * step + first) * 4, 4);
            out[x] = quint16(std::min<quint64>((quint64(v) + 0x8000) >> 16, 65535));
        }
        return;
    default: { // 1, 2 or 4 bits, the first pixel in the high bits of a byte
        const unsigned mask = (1u << l.bits) - 1;
        for (int x = 0; x < count; ++x) {
            const qsizetype bit = (qsizetype(x) * step + first) * l.bits;
            const unsigned v = row[bit >> 3] >> (8 - l.bits - (bit & 7)) & mask;
            out[x] = quint16(raw ? v : v * 65535 / mask);
        }
    }
    }
}

quint32 to8(quint32 v16)
{
    return (v16 * 255 + 32895) >> 16; // rounds as libpng's 16-to-8 scaling does
}

// What turns a block's rows into ARGB32 pixels (not premultiplied), with room for one row of samples.
class RowConverter {
public:
    explicit RowConverter(const Layout& l) : m_l(l), m_values(size_t(5) * l.blockWidth) {}

    // Pixels 0 to count - 1 of a row; `planes` holds the row of each sample plane (one for contiguous data).
    void convert(const uchar* const* planes, int count, QRgb* out)
    {
        const bool contig = m_l.planar == PLANARCONFIG_CONTIG;
        if (contig && m_l.bits == 8 && m_l.format == SAMPLEFORMAT_UINT && !m_l.associated &&
            (m_l.photometric == PHOTOMETRIC_RGB || m_l.photometric == PHOTOMETRIC_MINISBLACK)) {
            // Most files: 8-bit RGB or grey, maybe with unassociated alpha, taken as they are.
            const uchar* p = planes[0];
            const int n = m_l.samples, a = m_l.alphaSample, g = m_l.photometric == PHOTOMETRIC_RGB ? 1 : 0;
            for (int x = 0; x < count; ++x, p += n)
                out[x] = qRgba(p[0], p[g], p[2 * ptrdiff_t(g)], a >= 0 ? p[a] : 255);
            return;
        }
        const int colours = m_l.photometric == PHOTOMETRIC_RGB ? 3 : m_l.photometric == PHOTOMETRIC_SEPARATED ? 4 : 1;
        quint16* v[5];
        for (int i = 0; i < 5; ++i)
            v[i] = m_values.data() + size_t(i) * m_l.blockWidth;
        const bool raw = m_l.photometric == PHOTOMETRIC_PALETTE;
        auto fetch = [&](int sample, quint16* into, bool asRaw) {
            samples16(m_l,
                      contig ? planes[0] : planes[sample],
                      contig ? sample : 0,
                      contig ? m_l.samples : 1,
                      count,
                      asRaw,
                      into);
        };
        for (int c = 0; c < colours; ++c)
            fetch(c, v[c], raw);
        if (m_l.alphaSample >= 0)
            fetch(m_l.alphaSample, v[4], false);
        for (int x = 0; x < count; ++x) {
            quint32 rgb[3];
            colour(v, x, rgb);
            quint32 a = 65535;
            if (m_l.alphaSample >= 0) {
                a = v[4][x];
                if (m_l.associated)
                    for (quint32& c : rgb)
                        c = a == 0 ? 0 : std::min<quint32>(c * 65535 / a, 65535);
            }
            out[x] = qRgba(int(to8(rgb[0])), int(to8(rgb[1])), int(to8(rgb[2])), int(to8(a)));
        }
    }

private:
    void colour(quint16* const* v, int x, quint32* rgb) const
    {
        switch (m_l.photometric) {
        case PHOTOMETRIC_MINISWHITE:
            rgb[0] = rgb[1] = rgb[2] = 65535u - v[0][x];
            return;
        case PHOTOMETRIC_PALETTE: {
            const quint32 i = v[0][x];
            for (int c = 0; c < 3; ++c)
                rgb[c] = m_l.map8 ? m_l.map[c][i] * 257u : m_l.map[c][i];
            return;
        }
        case PHOTOMETRIC_RGB:
            for (int c = 0; c < 3; ++c)
                rgb[c] = v[c][x];
            return;
        case PHOTOMETRIC_SEPARATED: {
            const quint32 k = 65535u - v[3][x];
            for (int c = 0; c < 3; ++c)
                rgb[c] = ((65535u - v[c][x]) * k + 32767) / 65535;
            return;
        }
        default:
            rgb[0] = rgb[1] = rgb[2] = v[0][x];
        }
    }

    const Layout& m_l;
    std::vector<quint16> m_values;
};

// How reading went: whether every block came, and whether the file ran out before one did.
struct Outcome {
    bool whole = true;
    bool ranOut = false;
};

// Notes a block that did not come, and whether its data lies past the file's end.
void missed(TIFF* tiff, uint32_t block, qint64 fileSize, Outcome& outcome)
{
    outcome.whole = false;
    const quint64 end = quint64(TIFFGetStrileOffset(tiff, block)) + TIFFGetStrileByteCount(tiff, block);
    outcome.ranOut = outcome.ranOut || end > quint64(fileSize) || TIFFGetStrileByteCount(tiff, block) == 0;
}

template <typename T> std::unique_ptr<T[]> allocate(size_t n)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

// Strips of contiguous samples larger than this are read row by row (a whole strip decodes faster).
constexpr qint64 kMaxStripBytes = 8LL * 1024 * 1024;

bool readRowByRow(const Layout& l)
{
    const qint64 stripBytes = (qint64(l.blockWidth) * l.samples * l.bits + 7) / 8 * l.blockHeight;
    return l.ownReading && !l.tiled && l.planar == PLANARCONFIG_CONTIG && stripBytes > kMaxStripBytes;
}

// The picture band by band, a band being a row of tiles, a strip, or a single row of a large strip of
// contiguous samples: each block read and converted into the band's pixels, the band's rows then added to the
// reducer. The pixels of a block that did not come are left out of their blocks of the reduced picture.
bool readOwn(TIFF* tiff, const Layout& l, RowReducer& reducer, qint64 fileSize, Outcome& outcome)
{
    const bool contig = l.planar == PLANARCONFIG_CONTIG;
    const bool rowByRow = readRowByRow(l);
    const int planes = contig ? 1 : l.samples;
    const uint32_t bandHeight = rowByRow ? 1 : l.blockHeight;
    const qsizetype rowBytes = (qsizetype(l.blockWidth) * (contig ? l.samples : 1) * l.bits + 7) / 8; // a plane's
    const tmsize_t blockBytes = tmsize_t(rowBytes) * bandHeight;
    const auto buffer = allocate<uchar>(size_t(blockBytes) * size_t(planes));
    const auto band = allocate<QRgb>(size_t(l.width) * bandHeight);
    const auto present = allocate<uchar>(size_t(l.width) * bandHeight);
    if (!buffer || !band || !present)
        return false;
    RowConverter converter(l);
    const uchar* rows[kMaxPlanes];
    for (uint32_t top = 0; top < l.height; top += bandHeight) {
        const uint32_t bandRows = std::min(bandHeight, l.height - top);
        std::memset(present.get(), 1, size_t(l.width) * bandRows);
        for (uint32_t left = 0; left < l.width; left += l.blockWidth) {
            const int count = int(std::min(l.blockWidth, l.width - left));
            bool came = true;
            for (int p = 0; p < planes && came; ++p) {
                uchar* into = buffer.get() + blockBytes * p;
                const auto plane = uint16_t(p);
                const uint32_t block =
                    l.tiled ? TIFFComputeTile(tiff, left, top, 0, plane) : TIFFComputeStrip(tiff, top, plane);
                tmsize_t got = -1;
                if (rowByRow)
                    got = TIFFReadScanline(tiff, into, top, 0) == 1 ? blockBytes : -1;
                else if (l.tiled)
                    got = TIFFReadEncodedTile(tiff, block, into, blockBytes);
                else
                    got = TIFFReadEncodedStrip(tiff, block, into, blockBytes);
                came = got >= tmsize_t(rowBytes) * (l.tiled ? l.blockHeight : bandRows);
                if (!came)
                    missed(tiff, block, fileSize, outcome);
            }
            for (uint32_t r = 0; r < bandRows; ++r) {
                if (!came) {
                    std::memset(present.get() + size_t(r) * l.width + left, 0, size_t(count));
                    continue;
                }
                for (int p = 0; p < planes; ++p)
                    rows[p] = buffer.get() + blockBytes * p + rowBytes * r;
                converter.convert(rows, count, band.get() + size_t(r) * l.width + left);
            }
        }
        for (uint32_t r = 0; r < bandRows; ++r)
            reducer.addRow(int(top + r), band.get() + size_t(r) * l.width, present.get() + size_t(r) * l.width);
    }
    return true;
}

// The rows of the kinds libtiff's RGBA reader converts (8 bits, alpha premultiplied), a band of strips or
// tiles at a time.
bool readRgba(TIFF* tiff, const Layout& l, RowReducer& reducer, Outcome& outcome, QString& why)
{
    char message[1024] = {};
    TIFFRGBAImage reader;
    if (!TIFFRGBAImageBegin(&reader, tiff, 0, message)) {
        why = QString::fromUtf8(message);
        return false;
    }
    reader.req_orientation = ORIENTATION_TOPLEFT;
    const uint32_t bandHeight = l.blockHeight;
    const auto raster = allocate<uint32_t>(size_t(l.width) * bandHeight);
    const auto row = allocate<QRgb>(l.width);
    bool ok = raster && row;
    for (uint32_t top = 0; ok && top < l.height; top += bandHeight) {
        const uint32_t bandRows = std::min(bandHeight, l.height - top);
        reader.row_offset = int(top);
        reader.col_offset = 0;
        if (!TIFFRGBAImageGet(&reader, raster.get(), l.width, bandRows)) {
            outcome.whole = false;
            continue;
        }
        for (uint32_t r = 0; r < bandRows; ++r) {
            const uint32_t* in = raster.get() + size_t(r) * l.width;
            for (uint32_t x = 0; x < l.width; ++x)
                row[x] = qUnpremultiply(
                    qRgba(int(TIFFGetR(in[x])), int(TIFFGetG(in[x])), int(TIFFGetB(in[x])), int(TIFFGetA(in[x]))));
            reducer.addRow(int(top + r), row.get());
        }
    }
    TIFFRGBAImageEnd(&reader);
    if (!ok)
        why.clear();
    return ok;
}

// The memory reading takes besides the reduced picture: the band's pixels and their marks, and a block's
// samples (libtiff's RGBA reader keeps a strip or tile of its own).
qint64 bandBytes(const Layout& l)
{
    const qint64 bandHeight = readRowByRow(l) ? 1 : l.blockHeight;
    const qint64 sampleBytes = (qint64(l.blockWidth) * l.samples * l.bits + 7) / 8 * bandHeight;
    return qint64(l.width) * bandHeight * 5 + sampleBytes * (l.ownReading ? 1 : 2) + 64 * 1024LL;
}

} // namespace

DecodedPicture decodeTiff(const QByteArray& bytes, QSize target)
{
    MemoryFile f{bytes, 0, {}, {}};
    const Tiff tiff = open(f);
    if (!tiff)
        return {{}, {core::ReasonCode::Damaged, {kTiff, firstOf(f.errors, "no first page")}}, {}};
    Layout l = readLayout(tiff.get());
    const core::Reason refusal = pictureSizeRefusal(l.width, l.height);
    if (refusal)
        return {{}, refusal, {}};
    if (l.blockWidth == 0 || l.blockWidth > uint32_t(kMaxPictureDimension) ||
        l.blockHeight > uint32_t(kMaxPictureDimension))
        return {{}, {core::ReasonCode::Damaged, {kTiff, QStringLiteral("tiles of no or too large a size")}}, {}};
    char why[1024] = {};
    if (!l.ownReading && !TIFFRGBAImageOK(tiff.get(), why))
        return {{}, {core::ReasonCode::Unsupported, {kTiff, QString::fromUtf8(why)}}, {}};
    // The rows are read as stored and turned afterwards. Setting the tag in memory makes libtiff's RGBA
    // reader leave them as they are.
    TIFFSetField(tiff.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    RowReducer reducer(l.size(), reductionFactor(l.upright(), target), l.alphaSample >= 0);
    if (!reducer.isValid())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    Outcome outcome;
    QString words;
    const bool read = l.ownReading ? readOwn(tiff.get(), l, reducer, bytes.size(), outcome)
                                   : readRgba(tiff.get(), l, reducer, outcome, words);
    if (!read && !words.isEmpty())
        return {{}, {core::ReasonCode::Unsupported, {kTiff, words}}, {}};
    if (!read)
        return {{}, core::ReasonCode::OutOfMemory, {}};
    const QImage image = applyExifOrientation(reducer.finish(), l.orientation);
    if (image.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    DecodedPicture result{image, {}, {}};
    if (outcome.ranOut)
        result.warning = {core::ReasonCode::Truncated, {kTiff}};
    else if (!outcome.whole)
        result.warning = {core::ReasonCode::DamagedShown, {kTiff, firstOf(f.errors, "a part cannot be read")}};
    return result;
}

qint64 tiffDecodingMemory(const QByteArray& bytes, QSize target)
{
    MemoryFile f{bytes, 0, {}, {}};
    const Tiff tiff = open(f);
    if (!tiff)
        return 0;
    const Layout l = readLayout(tiff.get());
    if (!withinPictureLimits(l.width, l.height) || l.blockWidth > uint32_t(kMaxPictureDimension))
        return 0;
    const QSize shown = reducedSize(l.size(), reductionFactor(l.upright(), target));
    // The reduced picture, a turned copy of it when the Orientation tag asks for one, and the copy over white
    // the composition makes of a picture with transparency; and what reading works on.
    const qint64 pixels = qint64(shown.width()) * shown.height();
    return pixels * 4 * (l.orientation > 1 ? 2 : 1) + pixels * 4 + bandBytes(l);
}

} // namespace picture
