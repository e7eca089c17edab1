#include "material/file_reading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace material {

namespace {

using core::Reason;
using core::ReasonCode;

// Why there is nothing at `path`: its folder is gone, its name could not be made from the bytes on disk
// (a listing turns such bytes into U+FFFD), or the file itself is missing.
Reason missingReason(const QString& path)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return {ReasonCode::FolderMissing, {QDir::toNativeSeparators(info.absolutePath())}};
    if (info.fileName().contains(QChar::ReplacementCharacter))
        return ReasonCode::NameNotEncodable;
    return ReasonCode::FileMissing;
}

Reason tooLarge(qint64 maxBytes)
{
    if (maxBytes >= 1024 * 1024LL)
        return {ReasonCode::FileTooLarge, {QStringLiteral("%1 MB").arg(maxBytes / (1024 * 1024LL))}};
    return {ReasonCode::FileTooLarge, {QStringLiteral("%1 KB").arg(maxBytes / 1024)}};
}

// Reads up to `size` bytes; fewer when the file was cut short meanwhile. Negative on a read error.
qint64 readUpTo(int fd, char* data, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, static_cast<size_t>(size - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

Reason readOpenFile(int fd, qint64 maxBytes, QByteArray& buffer, qint64 readAtMost)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return core::reasonFromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return ReasonCode::IsFolder;
    if (!S_ISREG(st.st_mode))
        return ReasonCode::NotRegularFile;
    if (st.st_size > maxBytes)
        return tooLarge(maxBytes);
    const qint64 wanted = readAtMost >= 0 ? std::min<qint64>(readAtMost, st.st_size) : st.st_size;
    buffer.resize(static_cast<qsizetype>(wanted));
    const qint64 got = readUpTo(fd, buffer.data(), wanted);
    if (got < 0)
        return core::reasonFromErrno(errno);
    buffer.resize(static_cast<qsizetype>(got));
    return {};
}

} // namespace

Reason readRegularFile(const QString& path, qint64 maxBytes, QByteArray& buffer, qint64 readAtMost)
{
    return readRegularFile(QFile::encodeName(path), maxBytes, buffer, readAtMost);
}

Reason readRegularFile(const QByteArray& nativePath, qint64 maxBytes, QByteArray& buffer, qint64 readAtMost)
{
    buffer.resize(0);
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? missingReason(QFile::decodeName(nativePath)) : core::reasonFromErrno(errno);
    const Reason why = readOpenFile(fd, maxBytes, buffer, readAtMost);
    ::close(fd);
    if (why)
        buffer.resize(0);
    return why;
}

} // namespace material
