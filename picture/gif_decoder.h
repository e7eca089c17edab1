#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>

// GIF through giflib: the first frame, drawn on its logical screen.
namespace picture {

// Decodes the first frame of GIF bytes to an RGB32 picture, or ARGB32 when the frame has a transparent index.
// The screen outside the frame is transparent (a picture whose frame does not cover its screen is ARGB32); an
// index past the colour table is transparent white (white in an opaque picture). Rows of the frame whose data never
// came (a file cut short, interlaced or not) are kMissingDataColour, with a warning; data that is damaged after some
// rows shows those rows with a warning, and before any row is a reason. A screen or frame beyond picture/limits.h is
// refused before any pixel buffer is allocated.
DecodedPicture decodeGif(const QByteArray& bytes);

// About the most memory decodeGif and the composition take for the bytes, from the headers up to the first
// frame alone; 0 when there is no first frame.
qint64 gifDecodingMemory(const QByteArray& bytes);

} // namespace picture
