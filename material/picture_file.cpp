#include "material/picture_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace material {

namespace {

// Why there is nothing at `path`: its folder is gone, its name could not be made from the bytes on disk
// (a listing turns such bytes into U+FFFD), or the file itself is missing.
QString missingReason(const QFileInfo& info)
{
    if (!info.dir().exists())
        return QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(info.absolutePath()));
    if (info.fileName().contains(QChar::ReplacementCharacter))
        return QStringLiteral("the file name is not valid in the system's encoding");
    return QStringLiteral("the file does not exist");
}

QString tooLarge()
{
    return QStringLiteral("the file is larger than %1 MB").arg(kMaxPictureFileBytes / (1024 * 1024));
}

} // namespace

ReadResult readPictureFile(const QString& path)
{
    QFileInfo info(path);
    if (!info.exists())
        return {{}, missingReason(info)};
    if (info.isDir())
        return {{}, QStringLiteral("it is a folder")};
    // Opened without blocking and checked again on the open file: a FIFO would wait for a writer, a device
    // would read without end, and the name may have been replaced since it was looked at.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {{}, QString::fromLocal8Bit(std::strerror(errno))};
    QFile f;
    f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {{}, QStringLiteral("it is not a regular file")};
    if (st.st_size > kMaxPictureFileBytes)
        return {{}, tooLarge()};
    // Read at most one byte past the bound, so a file that grows while it is read is still refused.
    QByteArray bytes = f.read(kMaxPictureFileBytes + 1);
    if (bytes.size() > kMaxPictureFileBytes)
        return {{}, tooLarge()};
    if (f.error() != QFileDevice::NoError)
        return {{}, f.errorString()};
    return {bytes, {}};
}

QString withPngSuffix(const QString& chosen)
{
    if (chosen.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QLatin1String(".png");
}

QByteArray encodePng(const QImage& image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(image.convertToFormat(QImage::Format_RGB888));
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (file.write(png) != png.size()) {
        QString why = file.errorString();
        file.cancelWriting();
        return {false, why};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace material
