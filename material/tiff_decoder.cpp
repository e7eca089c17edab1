#include "material/tiff_decoder.h"

#include "material/exif.h"
#include "material/limits.h"

#include <QStringList>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace material {

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

const QString kTiff = QStringLiteral("TIFF");

QString firstOf(const QStringList& messages, const char* fallback)
{
    return messages.isEmpty() ? QString::fromUtf8(fallback) : messages.first();
}

} // namespace

DecodedPicture decodeTiff(const QByteArray& bytes)
{
    MemoryFile f{bytes, 0, {}, {}};
    const Tiff tiff = open(f);
    if (!tiff)
        return {{}, {core::ReasonCode::Damaged, {kTiff, firstOf(f.errors, "no first page")}}, {}};
    uint32_t width = 0;
    uint32_t height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    const core::Reason refusal = pictureSizeRefusal(width, height);
    if (refusal)
        return {{}, refusal, {}};
    char why[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), why))
        return {{}, {core::ReasonCode::Unsupported, {kTiff, QString::fromUtf8(why)}}, {}};
    QImage image(int(width), int(height), QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull())
        return {{}, core::ReasonCode::OutOfMemory, {}};
    image.fill(QColor::fromRgba(kMissingDataColour));
    // The rows are read as stored and turned afterwards: libtiff's own reader only mirrors, it cannot turn
    // a picture a quarter. Setting the tag in memory makes it leave the rows as they are.
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    TIFFSetField(tiff.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    // The raster is one uint32 per pixel, red in the low byte: RGBA8888 in memory, alpha premultiplied.
    const bool whole =
        TIFFReadRGBAImageOriented(
            tiff.get(), width, height, reinterpret_cast<uint32_t*>(image.bits()), ORIENTATION_TOPLEFT, 1) != 0;
    DecodedPicture result{applyExifOrientation(image, orientation), {}, {}};
    if (!whole || !f.errors.isEmpty())
        result.warning = {core::ReasonCode::Truncated, {kTiff}};
    return result;
}

qint64 tiffDecodingMemory(const QByteArray& bytes)
{
    MemoryFile f{bytes, 0, {}, {}};
    const Tiff tiff = open(f);
    uint32_t width = 0;
    uint32_t height = 0;
    if (!tiff || !TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height))
        return 0;
    // The premultiplied RGBA raster, a turned copy of it when the Orientation tag asks for one, and the copy
    // over white the composition makes of a picture with transparency.
    return qint64(width) * height * 4 * 3;
}

} // namespace material
