#pragma once

#include "core/reasons.h"

#include <QImage>

// What every decoder returns. Decoders include this and picture/limits.h only, never the dispatcher in
// picture/picture.h that picks a decoder by content, so a decoder can be built, fuzzed and tested alone.
namespace picture {

// The colour of every part of a picture whose data never came (a file that ends early), in every format:
// a plain mid grey, never what happened to be in memory, and neither the frame's black nor the box's white.
inline constexpr QRgb kMissingDataColour = 0xFF808080;

struct DecodedPicture {
    QImage image;         // null when the bytes give no picture
    core::Reason reason;  // why there is no picture (none when there is one)
    core::Reason warning; // set when a picture came from damaged data, e.g. a truncated file shown in part
};

} // namespace picture
