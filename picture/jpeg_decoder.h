#pragma once

#include "picture/decoded_picture.h"
#include "picture/exif.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

// JPEG through libjpeg, wrapped once: errors come back as a reason instead of ending the process, truncated
// files show what arrived, and warnings on damaged data stay off stderr.
namespace picture {

// Decodes JPEG bytes to an RGB32 picture turned upright by its EXIF orientation. `target` is the display
// size; a much larger picture is scaled by n/8 while decoding (see jpegScaleEighths). An empty target
// decodes at full size. The bounds of picture/limits.h apply to the decoded size, after that scaling;
// pictures beyond them are refused after the header, before any pixel is decoded.
DecodedPicture decodeJpeg(const QByteArray& bytes, QSize target = {});

// The n of libjpeg's n/8 scaling for a stored picture of `full` pixels shown at `target`: the smallest n
// whose output is still at least the target in both directions, 8 when no smaller one is.
int jpegScaleEighths(QSize full, QSize target);

} // namespace picture
