#include "material/picture_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <zlib.h>

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
    const auto* crcBytes = reinterpret_cast<const Bytef*>(out.constData() + start);
    appendBigEndian(out, static_cast<quint32>(crc32(0, crcBytes, static_cast<uInt>(out.size() - start))));
}

// The filtered scanlines: each row is stored as the difference from the row above (PNG filter "Up"). The
// frames are a stretched photo inside flat black margins, where Up turns the margins and smooth areas into
// runs of zeros that deflate's fastest level packs well; it costs one subtraction per byte.
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

} // namespace

QByteArray encodePng(const QImage& image)
{
    if (image.isNull())
        return {};
    // 8-bit RGB, deflated by zlib at level 1: a frame is encoded in a fraction of the time of zlib's default
    // level for files a few per cent larger, which matters when a batch writes thousands of them.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const QByteArray raw = filteredRows(rgb);
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    QByteArray packed(static_cast<qsizetype>(packedSize), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(packed.data()),
                  &packedSize,
                  reinterpret_cast<const Bytef*>(raw.constData()),
                  static_cast<uLong>(raw.size()),
                  1) != Z_OK)
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
