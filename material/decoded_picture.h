#pragma once

#include <QImage>
#include <QString>

// What every decoder returns. Decoders include this and material/limits.h only, never the dispatcher in
// material/picture.h that picks a decoder by content, so a decoder can be built, fuzzed and tested alone.
namespace material {

struct DecodedPicture {
    QImage image;    // null when the bytes give no picture
    QString reason;  // why there is no picture (empty when there is one)
    QString warning; // set when a picture came from damaged data, e.g. a truncated file shown in part
};

} // namespace material
