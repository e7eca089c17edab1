#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "core/reasons.h"

// Pictures by content: the kind is told by the first bytes, never by a file name.
namespace material {

enum class PictureKind { None, Bmp, Jpeg, Icon, Cursor, Gif, Pcx8, Pcx1, Png };

// The kind of picture the bytes begin with; None for fewer than 6 bytes or anything unrecognised.
PictureKind recognise(const QByteArray& bytes);

// The colour of every part of a picture whose data never came (a file that ends early), in every format:
// a plain mid grey, never what happened to be in memory, and neither the frame's black nor the box's white.
inline constexpr QRgb kMissingDataColour = 0xFF808080;

struct DecodedPicture {
    QImage image;         // null when the bytes give no picture
    core::Reason reason;  // why there is no picture (none when there is one)
    core::Reason warning; // set when a picture came from damaged data, e.g. a truncated file shown in part
};

// Decodes a recognised picture. `target` is the size the picture will be shown at: decoders that can
// scale while decoding (JPEG) stop at the smallest size still at least that large. An empty target
// decodes at full size. Pictures beyond the bounds of material/limits.h are refused before any pixel
// buffer is allocated. A JPEG comes out turned upright by its EXIF orientation.
DecodedPicture decodePicture(const QByteArray& bytes, QSize target = {});

} // namespace material
