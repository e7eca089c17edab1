#include "material/picture_file.h"

#include "material/file_reading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <unistd.h>
#include <zlib.h>

namespace material {

namespace {

using core::Reason;
using core::ReasonCode;

// Closes a descriptor on every path out of the function that opened it.
struct Descriptor {
    int fd = -1;
    Descriptor(int f) : fd(f) {} // NOLINT
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

ReadResult readPictureFile(const QString& path)
{
    ReadResult result;
    result.reason = readPictureFile(QFile::encodeName(path), result.bytes);
    return result;
}

core::Reason readPictureFile(const QByteArray& nativePath, QByteArray& buffer)
{
    const Reason why = readRegularFile(nativePath, picture::kMaxPictureFileBytes, buffer);
    // Empty bytes are how a picture box is told to clear: an empty file must not pass for a picture.
    if (!why && buffer.isEmpty())
        return ReasonCode::FileEmpty;
    return why;
}

ReadResult readPictureHead(const QByteArray& nativePath, qint64 count)
{
    ReadResult result;
    result.reason = readRegularFile(nativePath, picture::kMaxPictureFileBytes, result.bytes, count);
    if (!result.reason && result.bytes.isEmpty())
        result.reason = ReasonCode::FileEmpty;
    return result;
}

QString withPngSuffix(const QString& chosen)
{
    if (chosen.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QLatin1String(".png");
}

namespace {

void putBigEndian(uchar* at, quint32 value)
{
    at[0] = static_cast<uchar>(value >> 24);
    at[1] = static_cast<uchar>(value >> 16);
    at[2] = static_cast<uchar>(value >> 8);
    at[3] = static_cast<uchar>(value);
}

// Frames the `length` data bytes that follow a chunk's length and type fields at `chunk` as a PNG chunk:
// the length and type before them, the CRC of type and data after them. Returns the chunk's end.
uchar* closeChunk(uchar* chunk, const char type[4], std::size_t length)
{
    putBigEndian(chunk, static_cast<quint32>(length));
    std::memcpy(chunk + 4, type, 4);
    uchar* end = chunk + 8 + length;
    putBigEndian(end, static_cast<quint32>(::crc32(0, chunk + 4, static_cast<uInt>(length + 4))));
    return end + 4;
}

// The filtered scanlines of a 32-bit picture as 8-bit RGB: each row is stored as the difference from the row
// above (PNG filter "Up"). The frames are a stretched photo inside flat black margins, where Up turns the
// margins and smooth areas into runs of zeros that a fast deflate level packs well. The subtraction is done
// while the pixels are taken apart, so no 24-bit copy of the picture is made.
void filterRows(const QImage& rgb32, uchar* out)
{
    const int width = rgb32.width(), height = rgb32.height();
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
        const auto* above = y > 0 ? reinterpret_cast<const QRgb*>(rgb32.constScanLine(y - 1)) : nullptr;
        *out++ = above ? 2 : 0;
        for (int x = 0; x < width; ++x) {
            const QRgb up = above ? above[x] : 0;
            *out++ = static_cast<uchar>(qRed(row[x]) - qRed(up));
            *out++ = static_cast<uchar>(qGreen(row[x]) - qGreen(up));
            *out++ = static_cast<uchar>(qBlue(row[x]) - qBlue(up));
        }
    }
}

// What one thread reuses from frame to frame: the deflate level's working memory and the filtered rows.
struct EncoderBuffers {
    std::vector<uchar> level = std::vector<uchar>(ISAL_DEF_LVL1_DEFAULT);
    std::vector<uchar> rows;
};

// Deflates the filtered rows into `out` as one zlib stream at ISA-L's level 1: a frame in about half the time
// of libdeflate's fastest level, for files about 4% larger. Returns the stream's size, 0 when it did not fit.
std::size_t deflateRows(EncoderBuffers& buffers, uchar* out, std::size_t room)
{
    isal_zstream stream;
    isal_deflate_stateless_init(&stream);
    stream.level = 1;
    stream.level_buf = buffers.level.data();
    stream.level_buf_size = static_cast<uint32_t>(buffers.level.size());
    stream.gzip_flag = IGZIP_ZLIB;
    stream.end_of_stream = 1;
    stream.next_in = buffers.rows.data();
    stream.avail_in = static_cast<uint32_t>(buffers.rows.size());
    stream.next_out = out;
    stream.avail_out = static_cast<uint32_t>(room);
    if (isal_deflate_stateless(&stream) != COMP_OK)
        return 0;
    return stream.total_out;
}

} // namespace

QByteArray encodePng(const QImage& image)
{
    if (image.isNull())
        return {};
    // 8-bit RGB in one zlib stream (one IDAT chunk), lossless.
    const QImage rgb32 = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (rgb32.isNull())
        return {};
    thread_local EncoderBuffers buffers;
    const std::size_t rawSize = static_cast<std::size_t>(rgb32.height()) * (std::size_t(rgb32.width()) * 3 + 1);
    buffers.rows.resize(rawSize);
    filterRows(rgb32, buffers.rows.data());

    // Data deflate cannot shrink goes into stored blocks, 5 bytes in 65535 more; the zlib stream adds 6.
    const std::size_t room = rawSize + rawSize / 65535 * 5 + 64;
    constexpr std::size_t kSignature = 8, kChunkFrame = 12, kHeaderBytes = 13;
    QByteArray out(static_cast<qsizetype>(kSignature + 3 * kChunkFrame + kHeaderBytes + room), Qt::Uninitialized);
    auto* start = reinterpret_cast<uchar*>(out.data());
    std::memcpy(start, "\x89PNG\r\n\x1a\n", kSignature);
    uchar* chunk = start + kSignature;
    putBigEndian(chunk + 8, static_cast<quint32>(rgb32.width()));
    putBigEndian(chunk + 12, static_cast<quint32>(rgb32.height()));
    constexpr uchar kHeaderTail[] = {8, 2, 0, 0, 0}; // 8 bits, truecolour, deflate, adaptive filters, no interlace
    std::memcpy(chunk + 16, kHeaderTail, sizeof kHeaderTail);
    chunk = closeChunk(chunk, "IHDR", kHeaderBytes);
    const std::size_t packed = deflateRows(buffers, chunk + 8, room);
    if (packed == 0)
        return {};
    chunk = closeChunk(chunk, "IDAT", packed);
    chunk = closeChunk(chunk, "IEND", 0);
    out.resize(chunk - start);
    return out;
}

namespace {

// Writes every byte, going on after a short write: a full disk first shows as a short write and only the
// next call says ENOSPC, which is the reason the user needs. Returns 0 or the error code.
int writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

// A fresh hidden name for a temporary file in the output folder; no material or output is named like it.
QByteArray temporaryName()
{
    return ".vorlith-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
}

// Gives the unnamed file (O_TMPFILE) the name `name` in `dir`; fails with EEXIST when the name is taken.
// AT_EMPTY_PATH needs a capability most users lack; the /proc link of the descriptor does the same without.
int linkUnnamed(int fd, int dir, const QByteArray& name)
{
    if (::linkat(fd, "", dir, name.constData(), AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != ENOENT && errno != EPERM)
        return errno;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), dir, name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// The temporary file in the output folder: unnamed where the file system allows (nothing is left behind
// even if the process is killed), otherwise under a fresh hidden name created exclusively.
int openTemporary(int dir, QByteArray& tempName)
{
    tempName.clear();
    const int fd = ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempName = temporaryName();
        const int named =
            ::openat(dir, tempName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (named >= 0 || errno != EEXIST)
            return named;
    }
    return -1;
}

// Puts the complete file under `name`. Neither linkat nor rename follows a symbolic link at the new name:
// a link there is a taken name (NoReplace) or is itself replaced (Replace).
int linkIntoPlace(int fd, int dir, QByteArray& tempName, const QByteArray& name, WriteMode mode)
{
    if (tempName.isEmpty()) {
        if (mode == WriteMode::NoReplace)
            return linkUnnamed(fd, dir, name);
        // Replacing needs a name to rename from.
        int error = EEXIST;
        for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
            tempName = temporaryName();
            error = linkUnnamed(fd, dir, tempName);
        }
        if (error != 0) {
            tempName.clear();
            return error;
        }
    }
    const int renamed = mode == WriteMode::Replace
                            ? ::renameat(dir, tempName.constData(), dir, name.constData())
                            : ::renameat2(dir, tempName.constData(), dir, name.constData(), RENAME_NOREPLACE);
    if (renamed == 0) {
        tempName.clear();
        return 0;
    }
    if (mode == WriteMode::Replace || errno != EINVAL)
        return errno;
    // A file system without RENAME_NOREPLACE: a hard link fails the same way on a taken name.
    return ::linkat(dir, tempName.constData(), dir, name.constData(), 0) == 0 ? 0 : errno;
}

Reason folderReason(int error, const QString& folder)
{
    if (error == ENOENT)
        return {ReasonCode::FolderMissing, {QDir::toNativeSeparators(folder)}};
    if (error == ENOTDIR)
        return {ReasonCode::NotAFolder, {QDir::toNativeSeparators(folder)}};
    return core::reasonFromErrno(error);
}

} // namespace

WriteResult writeOutputFile(const QString& path, const QByteArray& bytes, WriteMode mode)
{
    const QFileInfo info(path);
    if (path.isEmpty() || info.fileName().isEmpty())
        return {ReasonCode::NoFileName};
    const QString folder = info.absolutePath();
    const Descriptor dir(::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0) {
        const int error = errno;
        return {folderReason(error, folder), error};
    }
    QByteArray tempName;
    const Descriptor file(openTemporary(dir.fd, tempName));
    if (file.fd < 0) {
        const int error = errno;
        return {core::reasonFromErrno(error), error};
    }
    int error = writeAll(file.fd, bytes);
    if (error == 0)
        error = linkIntoPlace(file.fd, dir.fd, tempName, QFile::encodeName(info.fileName()), mode);
    if (!tempName.isEmpty())
        ::unlinkat(dir.fd, tempName.constData(), 0); // after a failure, or the spare name after linkat
    return {core::reasonFromErrno(error), error};
}

WriteResult writePictureFile(const QString& path, const QImage& image, WriteMode mode)
{
    if (image.isNull())
        return {ReasonCode::NoPicture};
    const QByteArray png = encodePng(image);
    if (png.isEmpty())
        return {ReasonCode::OutOfMemory};
    return writeOutputFile(path, png, mode);
}

core::Reason syncOutputFolder(const QString& folder)
{
    const Descriptor dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0)
        return folderReason(errno, folder);
    return ::syncfs(dir.fd) == 0 ? Reason() : core::reasonFromErrno(errno);
}

} // namespace material
