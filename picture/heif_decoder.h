#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>
#include <QSize>

// HEIC and AVIF, the HEIF family, through libheif (which brings the HEVC and AV1 decoders): the primary
// picture with the file's own rotation, mirroring and crop applied.
namespace picture {

// Decodes HEIF bytes to a picture. With a `target` (the display size), a thumbnail that is at least the
// target in both directions and has the picture's shape is decoded instead of the full picture, as the
// JPEG decoder scales while decoding. Sizes beyond picture/limits.h are refused before decoding.
DecodedPicture decodeHeif(const QByteArray& bytes, QSize target = {});

// About the most memory decodeHeif takes for `target`, from the file's structure alone (no pixel is
// decoded); 0 when the file gives no picture.
qint64 heifDecodingMemory(const QByteArray& bytes, QSize target = {});

} // namespace picture
