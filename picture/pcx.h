#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>

// PCX, run-length encoded: 8 bits per pixel with the 256-colour palette at the end of the file (or three
// planes of red, green and blue), and 1 bit per pixel in black and white.
namespace picture {

// Decodes PCX bytes to an RGB32 picture. Runs that overrun the picture are cut off; data that ends early
// leaves the remaining lines kMissingDataColour and says so in the warning. Sizes beyond picture/limits.h are refused
// before anything is allocated.
DecodedPicture decodePcx(const QByteArray& bytes);

// About the most memory decodePcx and the composition take for the bytes, from the header alone; 0 when the
// header is refused.
qint64 pcxDecodingMemory(const QByteArray& bytes);

} // namespace picture
