#include "material/file_reading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace material {

namespace {

// Why there is nothing at `path`: its folder is gone, its name could not be made from the bytes on disk
// (a listing turns such bytes into U+FFFD), or the file itself is missing.
QString missingReason(const QString& path)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(info.absolutePath()));
    if (info.fileName().contains(QChar::ReplacementCharacter))
        return QStringLiteral("the file name is not valid in the system's encoding");
    return QStringLiteral("the file does not exist");
}

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString tooLarge(qint64 maxBytes)
{
    if (maxBytes >= 1024 * 1024)
        return QStringLiteral("the file is too large: larger than %1 MB").arg(maxBytes / (1024 * 1024));
    return QStringLiteral("the file is too large: larger than %1 KB").arg(maxBytes / 1024);
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

QString readOpenFile(int fd, qint64 maxBytes, QByteArray& buffer)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return systemReason(errno);
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    if (st.st_size > maxBytes)
        return tooLarge(maxBytes);
    buffer.resize(static_cast<qsizetype>(st.st_size));
    const qint64 got = readUpTo(fd, buffer.data(), st.st_size);
    if (got < 0)
        return systemReason(errno);
    buffer.resize(static_cast<qsizetype>(got));
    return {};
}

} // namespace

QString readRegularFile(const QString& path, qint64 maxBytes, QByteArray& buffer)
{
    return readRegularFile(QFile::encodeName(path), maxBytes, buffer);
}

QString readRegularFile(const QByteArray& nativePath, qint64 maxBytes, QByteArray& buffer)
{
    buffer.resize(0);
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? missingReason(QFile::decodeName(nativePath)) : systemReason(errno);
    const QString why = readOpenFile(fd, maxBytes, buffer);
    ::close(fd);
    if (!why.isEmpty())
        buffer.resize(0);
    return why;
}

} // namespace material
