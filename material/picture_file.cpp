#include "material/picture_file.h"

#include "material/file_reading.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <memory>

#include <libdeflate.h>

namespace material {

ReadResult readPictureFile(const QString& path)
{
    ReadResult result;
    result.error = readPictureFile(QFile::encodeName(path), result.bytes);
    return result;
}

QString readPictureFile(const QByteArray& nativePath, QByteArray& buffer)
{
    const QString why = readRegularFile(nativePath, kMaxPictureFileBytes, buffer);
    // Empty bytes are how a picture box is told to clear: an empty file must not pass for a picture.
    if (why.isEmpty() && buffer.isEmpty())
        return QStringLiteral("the file is empty");
    return why;
}

QString withPngSuffix(const QString& chosen)
{
    if (chosen.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QLatin1String(".png");
}

namespace {

void appendBigEndian(QByteArray& out, quint32 value)
{
    const char bytes[4] = {static_cast<char>(value >> 24),
                           static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8),
                           static_cast<char>(value)};
    out.append(bytes, 4);
}

void appendChunk(QByteArray& out, const char type[4], const QByteArray& data)
{
    appendBigEndian(out, static_cast<quint32>(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    appendBigEndian(out, libdeflate_crc32(0, out.constData() + start, static_cast<std::size_t>(out.size() - start)));
}

// The filtered scanlines: each row is stored as the difference from the row above (PNG filter "Up"). The
// frames are a stretched photo inside flat black margins, where Up turns the margins and smooth areas into
// runs of zeros that a fast deflate level packs well; it costs one subtraction per byte.
QByteArray filteredRows(const QImage& rgb)
{
    const int rowBytes = rgb.width() * 3;
    QByteArray raw;
    raw.resize(static_cast<qsizetype>(rgb.height()) * (rowBytes + 1));
    auto* out = reinterpret_cast<uchar*>(raw.data());
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* row = rgb.constScanLine(y);
        const uchar* above = y > 0 ? rgb.constScanLine(y - 1) : nullptr;
        *out++ = above ? 2 : 0;
        for (int x = 0; x < rowBytes; ++x)
            *out++ = static_cast<uchar>(above ? row[x] - above[x] : row[x]);
    }
    return raw;
}

// The deflate level of the frames. Level 1 of libdeflate encodes a frame in a fraction of the time zlib's
// default level takes, and its files are about as small as zlib's level 6 gives for these pictures.
constexpr int kDeflateLevel = 1;

// One compressor per thread: allocating one costs more than compressing a frame, and a compressor may not be
// shared between threads.
libdeflate_compressor* threadCompressor()
{
    struct Free {
        void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
    };
    thread_local std::unique_ptr<libdeflate_compressor, Free> compressor(libdeflate_alloc_compressor(kDeflateLevel));
    return compressor.get();
}

} // namespace

QByteArray encodePng(const QImage& image)
{
    libdeflate_compressor* compressor = threadCompressor();
    if (image.isNull() || !compressor)
        return {};
    // 8-bit RGB in one zlib stream (one IDAT chunk), lossless.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const QByteArray raw = filteredRows(rgb);
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor, static_cast<std::size_t>(raw.size()));
    QByteArray packed(static_cast<qsizetype>(bound), Qt::Uninitialized);
    const std::size_t packedSize = libdeflate_zlib_compress(
        compressor, raw.constData(), static_cast<std::size_t>(raw.size()), packed.data(), bound);
    if (packedSize == 0)
        return {};
    packed.resize(static_cast<qsizetype>(packedSize));

    QByteArray header;
    appendBigEndian(header, static_cast<quint32>(rgb.width()));
    appendBigEndian(header, static_cast<quint32>(rgb.height()));
    header.append("\x08\x02\x00\x00\x00", 5); // 8 bits, truecolour, deflate, adaptive filtering, no interlace

    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    appendChunk(out, "IHDR", header);
    appendChunk(out, "IDAT", packed);
    appendChunk(out, "IEND", {});
    return out;
}

WriteResult writePictureFile(const QString& path, const QImage& image)
{
    if (path.isEmpty())
        return {false, QStringLiteral("no file name was given")};
    if (image.isNull())
        return {false, QStringLiteral("there is no picture to save")};
    const QByteArray png = encodePng(image);
    if (png.isEmpty())
        return {false, QStringLiteral("the picture could not be encoded")};
    // QSaveFile reports no error code of its own; errno still holds the one of the system call that failed.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString(), errno};
    if (file.write(png) != png.size()) {
        const int code = errno;
        QString why = file.errorString();
        file.cancelWriting();
        return {false, why, code};
    }
    if (!file.commit())
        return {false, file.errorString(), errno};
    return {true, {}};
}

} // namespace material
