#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Pictures by content: the kind is told by the first bytes, never by a file name.
namespace material {

enum class PictureKind { None, Bmp, Jpeg, Icon, Cursor, Gif, Pcx8, Pcx1, Png };

// The kind of picture the bytes begin with; None for fewer than 6 bytes or anything unrecognised.
PictureKind recognise(const QByteArray& bytes);

struct DecodedPicture {
    QImage image;    // null when the bytes give no picture
    QString reason;  // why there is no picture (empty when there is one)
    QString warning; // set when a picture came from damaged data, e.g. a truncated file shown in part
};

// Decodes a recognised picture. `target` is the size the picture will be shown at: decoders that can
// scale while decoding (JPEG) stop at the smallest size still at least that large. An empty target
// decodes at full size. Pictures beyond the bounds of material/limits.h are refused before any pixel
// buffer is allocated; for JPEG the bounds apply to the size after that scaling. A JPEG comes out turned upright by its EXIF orientation.
DecodedPicture decodePicture(const QByteArray& bytes, QSize target = {});

} // namespace material
