#include "material/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace material {

ReadResult readPictureFile(const QString& path)
{
    QFileInfo info(path);
    if (!info.exists())
        return {{}, QStringLiteral("the file does not exist")};
    if (info.isDir())
        return {{}, QStringLiteral("it is a folder")};
    if (info.size() > kMaxPictureFileBytes)
        return {{}, QStringLiteral("the file is larger than %1 MB").arg(kMaxPictureFileBytes / (1024 * 1024))};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {{}, f.errorString()};
    // Read at most one byte past the bound, so a file that grows while it is read is still refused.
    QByteArray bytes = f.read(kMaxPictureFileBytes + 1);
    if (bytes.size() > kMaxPictureFileBytes)
        return {{}, QStringLiteral("the file is larger than %1 MB").arg(kMaxPictureFileBytes / (1024 * 1024))};
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
