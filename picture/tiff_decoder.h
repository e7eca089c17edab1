#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>
#include <QSize>

// TIFF through libtiff: the first page, any of the colour kinds and compressions libtiff reads, turned upright
// by the file's Orientation tag (the numbers EXIF took over from TIFF).
namespace picture {

// Decodes TIFF bytes to an RGB32 picture, or ARGB32 (premultiplied when not turned) when it has alpha. Grey,
// palette, RGB and CMYK at 1 to 32 bits a sample and in float (0 to 1), in strips or tiles, contiguous or
// plane by plane, are read here; the other kinds (YCbCr, L*a*b*, ...) through libtiff's RGBA reader. The
// picture is read a band of rows at a time and reduced while read as picture/resample.h reduces (by the
// factor for the upright picture shown at `target`; an empty target keeps the full size), so a large picture
// never exists whole in memory. Pixels of blocks that never came are kMissingDataColour, with a warning.
// libtiff's complaints come back as the reason or the warning, never on standard error; its working
// buffers are capped by picture/limits.h, and the picture's size is checked before anything is allocated.
DecodedPicture decodeTiff(const QByteArray& bytes, QSize target = {});

// About the most memory decodeTiff(bytes, target) and the composition take, from the first page's header
// alone; 0 when there is no first page.
qint64 tiffDecodingMemory(const QByteArray& bytes, QSize target);

} // namespace picture
