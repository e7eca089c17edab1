#pragma once

#include "core/reasons.h"

#include <QtGlobal>

// Every bound the picture decoders and the picture file reader apply, in one place. Hostile files are normal
// input: a header is checked against these before any pixel buffer is allocated.
namespace picture {

// The largest file read into memory as a picture; larger materials are refused with a reason.
inline constexpr qint64 kMaxPictureFileBytes = 64LL * 1024 * 1024;

// Widest or tallest picture accepted, in pixels. A JPEG is measured as decoded, after scaling by up to 1/8.
inline constexpr int kMaxPictureDimension = 16384;

// Most pixels a picture may have: 64 Mpx, 256 MB as 32-bit pixels. A 48 Mpx phone photo still loads.
inline constexpr qint64 kMaxPicturePixels = 64LL * 1024 * 1024;

// Memory a decoder may use for one picture: Qt's readers allocate the picture itself within this, and
// libjpeg its working buffers (a progressive JPEG keeps all its coefficients, about 6 bytes per pixel).
inline constexpr int kMaxDecoderMegabytes = 512;

// Memory all of vorlith-batch's workers together may hold in decoded pictures and their conversions: a
// worker whose material would go past it waits until others are done; a material that alone needs more is
// skipped for memory.
inline constexpr qint64 kBatchMemoryBudgetMegabytes = 1024;

// A progressive JPEG may repeat scans without end, each pass costing a full decode; real files use a dozen.
inline constexpr int kMaxJpegScans = 256;

// Icon and cursor directories: only this many entries are considered for the best image.
inline constexpr int kMaxIconEntries = 256;

// GIF: only the first frame is ever decoded, and the walk to its descriptor is bounded by the file's size,
// so the number of frames needs no bound of its own.

// True when a picture of this size is within the bounds above.
constexpr bool withinPictureLimits(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= kMaxPictureDimension && height <= kMaxPictureDimension &&
           width * height <= kMaxPicturePixels;
}

// Why a picture of this size is refused, or none when it is within the bounds.
inline core::Reason pictureSizeRefusal(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return {core::ReasonCode::NoPixels, {QString::number(width), QString::number(height)}};
    if (withinPictureLimits(width, height))
        return {};
    return {core::ReasonCode::PictureTooLarge,
            {QString::number(width),
             QString::number(height),
             QString::number(kMaxPictureDimension),
             QString::number(kMaxPicturePixels)}};
}

} // namespace picture
