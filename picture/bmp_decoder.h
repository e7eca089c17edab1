#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>
#include <QSize>

// BMP of every layout Windows and OS/2 write, read by our own code: the 12-byte OS/2 1.x header, OS/2 2.x
// headers of 16 to 64 bytes, and the Windows headers of 40, 52, 56, 108 and 124 bytes; rows stored bottom up
// or top down; 1, 2, 4 and 8-bit palettes of any length; 16, 24, 32 and 64-bit pixels; bit-field masks of any
// contiguous shape; run-length coding of 4, 8 and 24 bits; a JPEG or PNG stored inside; the first picture of
// an OS/2 bitmap array ("BA"); and the pictures of icons and cursors stored as BMP.
namespace picture {

// Decodes a BMP file ("BM", or an OS/2 bitmap array "BA") to true-colour pixels: RGB32, or ARGB32 where the
// picture has transparency: an alpha channel the header declares (a channel that is zero everywhere is no
// channel: the picture is opaque), or pixels a run-length picture skips. The pixel data is read where the
// header's data offset says. A channel of n bits is widened to 8 by repeating its high bits (31 of 5 bits is
// 255). Palette entries the file lacks, and indexes past the palette, are black. `target` is the display size:
// a larger picture is reduced by picture/resample.h's reductionFactor as its rows are read (a run-length one
// once it is drawn whole), so it never exists at full size; an empty target decodes at full size. A JPEG or
// PNG inside goes to that decoder with `target`. Rows and runs whose data never came are kMissingDataColour, with a
// Truncated warning. Sizes beyond picture/limits.h are refused from the header. A valid layout this decoder does not
// read (Huffman 1D, CMYK, masks that are not contiguous) is Unsupported; only damaged data is Damaged.
DecodedPicture decodeBmp(const QByteArray& bytes, QSize target = {});

// Decodes one picture of an icon or cursor stored as BMP: the info header without a file header, a height
// that counts the colour rows and the AND mask's rows, and the mask after the colour rows. A 32-bit picture
// whose alpha is not all zero takes its transparency from the alpha; every other from the mask.
DecodedPicture decodeIconBmp(const QByteArray& dib, QSize target = {});

// The JPEG or PNG a BMP holds in place of its pixels (compression 4 or 5), or nothing.
QByteArray bmpEmbeddedPicture(const QByteArray& bytes);

// About the most memory decodeBmp(bytes, target) and fitting its picture into the box take, in bytes, from
// the header alone; 0 for a header that is refused. A BMP holding a JPEG or PNG is measured by that format.
qint64 bmpDecodingMemory(const QByteArray& bytes, QSize target);

} // namespace picture
