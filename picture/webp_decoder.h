#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>

// WebP through libwebp: lossy and lossless pictures, with or without transparency, and the first frame of an
// animation. An EXIF orientation in the file is applied.
namespace picture {

// Decodes WebP bytes to an RGBX8888 or (with transparency) RGBA8888 picture. A file cut short shows the rows
// that arrived, the rest black, and says so in the warning. Sizes beyond picture/limits.h are refused
// before any pixel buffer is allocated.
DecodedPicture decodeWebp(const QByteArray& bytes);

} // namespace picture
