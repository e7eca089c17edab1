#include "material/picture_file.h"

#include "material/file_reading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

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
    const Reason why = readRegularFile(nativePath, kMaxPictureFileBytes, buffer);
    // Empty bytes are how a picture box is told to clear: an empty file must not pass for a picture.
    if (!why && buffer.isEmpty())
        return ReasonCode::FileEmpty;
    return why;
}

ReadResult readPictureHead(const QByteArray& nativePath, qint64 count)
{
    ReadResult result;
    result.reason = readRegularFile(nativePath, kMaxPictureFileBytes, result.bytes, count);
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
        const int named = ::openat(dir, tempName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
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
