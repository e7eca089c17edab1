#pragma once

#include "material/decoded_picture.h"

#include <QByteArray>

// TIFF through libtiff: the first page, any of the colour kinds and compressions libtiff reads, turned upright
// by the file's Orientation tag (the numbers EXIF took over from TIFF).
namespace material {

// Decodes TIFF bytes to an RGBA8888 (premultiplied) picture, or RGB32/ARGB32 when it had to be turned.
// libtiff's complaints come back as the reason or the warning, never on standard error; its working
// buffers are capped by material/limits.h, and the picture's size is checked before it is allocated.
DecodedPicture decodeTiff(const QByteArray& bytes);

// About the most memory decodeTiff and the composition take for the bytes, from the first page's header
// alone; 0 when there is no first page.
qint64 tiffDecodingMemory(const QByteArray& bytes);

} // namespace material
