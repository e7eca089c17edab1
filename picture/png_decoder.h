#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>
#include <QSize>

// PNG through libpng, wrapped once: errors and warnings come back as reasons and never reach standard error, a
// file that ends early shows what arrived, and a large picture is reduced while it is read, so a 16-bit
// 8192 x 8192 picture never exists at full size in memory.
namespace picture {

// Decodes PNG bytes to an RGB32 picture, or to one with alpha when the file has transparency (an alpha channel
// or a tRNS chunk); 16-bit samples are scaled to 8 bits. `target` is the display size: a picture larger than
// it is reduced by picture/resample.h's reductionFactor, each pixel the average of a k x k block (premultiplied,
// so transparent pixels lend the block no colour). Pictures that are not interlaced are reduced row by row as
// they are read; interlaced ones are read whole, then reduced. An empty target decodes at full size. Stored
// sizes beyond picture/limits.h are refused from the header. Pixels whose data never came are
// kMissingDataColour, with a Truncated warning.
DecodedPicture decodePng(const QByteArray& bytes, QSize target = {});

// About the most memory decodePng(bytes, target) and fitting its picture into the box take, in bytes, from the
// header alone: the picture as decoded, a whole interlaced picture before it is reduced, the copy over white
// of a picture with transparency, and the rows libpng and the reduction work on. 0 without a PNG header or
// for a size that is refused.
qint64 pngDecodingMemory(const QByteArray& bytes, QSize target);

} // namespace picture
