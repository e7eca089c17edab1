#include "material/picture.h"

#include <QBuffer>
#include <QImageReader>

namespace material {

namespace {
bool startsWith(const QByteArray& b, std::initializer_list<unsigned char> sig)
{
    if (b.size() < static_cast<qsizetype>(sig.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char c : sig) {
        if (static_cast<unsigned char>(b[i++]) != c)
            return false;
    }
    return true;
}

unsigned u16le(const QByteArray& b, int at)
{
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
} // namespace

PictureKind recognise(const QByteArray& b)
{
    if (b.size() < 6)
        return PictureKind::None;
    if (startsWith(b, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return PictureKind::Png;
    if (startsWith(b, {'B', 'M'}))
        return PictureKind::Bmp;
    if (startsWith(b, {0xFF, 0xD8}))
        return PictureKind::Jpeg;
    if (startsWith(b, {0, 0, 1, 0}) && u16le(b, 4) != 0)
        return PictureKind::Icon;
    if (startsWith(b, {0, 0, 2, 0}) && u16le(b, 4) != 0)
        return PictureKind::Cursor;
    if (b.startsWith("GIF87a") || b.startsWith("GIF89a"))
        return PictureKind::Gif;
    const auto* u = reinterpret_cast<const unsigned char*>(b.constData());
    if (u[0] == 0x0A && u[1] <= 5 && u[2] == 0x01 && u[3] == 0x08)
        return PictureKind::Pcx8;
    if (u[0] == 0x0A && u[1] == 0x03 && u[2] == 0x01 && u[3] == 0x01)
        return PictureKind::Pcx1;
    return PictureKind::None;
}

DecodedPicture decodePicture(const QByteArray& bytes, QSize)
{
    const char* format = nullptr;
    switch (recognise(bytes)) {
    case PictureKind::None:
        return {{}, QStringLiteral("not a recognised picture")};
    case PictureKind::Bmp: format = "bmp"; break;
    case PictureKind::Jpeg: format = "jpeg"; break;
    case PictureKind::Icon:
    case PictureKind::Cursor: format = "ico"; break;
    case PictureKind::Gif: format = "gif"; break;
    case PictureKind::Png: format = "png"; break;
    case PictureKind::Pcx8:
    case PictureKind::Pcx1: return {{}, QStringLiteral("PCX decoding is not available")};
    }
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, format);
    QImage image = reader.read();
    if (image.isNull())
        return {{}, reader.errorString()};
    return {image, {}};
}

} // namespace material
