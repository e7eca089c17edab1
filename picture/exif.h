#pragma once

#include <QByteArray>
#include <QImage>

// EXIF orientation, shared by the decoders whose files carry it (JPEG's APP1 segment, WebP's EXIF chunk) or
// use the same numbers (TIFF's Orientation tag).
namespace picture {

// The orientation (1 to 8, tag 0x0112 of IFD0) in the payload of an APP1 segment that begins "Exif\0\0";
// 1 when there is none or the data is malformed.
int exifOrientation(const QByteArray& app1);

// The picture as it is meant to be seen under an EXIF orientation: 2 to 4 mirror or turn it half way,
// 5 to 8 turn it a quarter and swap width and height. Anything else leaves it as it is. RGB32, or ARGB32 for
// a picture with transparency.
QImage applyExifOrientation(const QImage& stored, int orientation);

} // namespace picture
