#pragma once

#include "picture/decoded_picture.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

// The dispatcher: pictures by content, the kind told by the first bytes, never by a file name, and each kind
// handed to its decoder. Each kind is one row of the table in picture.cpp: its name, file patterns, signature,
// decoder and memory measure.
namespace picture {

enum class PictureKind { None, Bmp, Jpeg, Icon, Cursor, Gif, Pcx8, Pcx1, Png, Webp, Tiff, Heic, Avif };

// The kind of picture the bytes begin with; None for fewer than 6 bytes or anything unrecognised.
PictureKind recognise(const QByteArray& bytes);

// The kind's name as file dialogs and reasons give it ("JPEG", "PCX", ...); empty for None.
QString kindName(PictureKind kind);

// A kind as file dialogs offer it: its name and its file name patterns, separated by spaces. Pictures are
// recognised by content, so the patterns only help the user find files.
struct PictureFormat {
    QString name;
    QString patterns;
};

// Every kind the decoders read, one entry per name (the two PCX kinds are one), in the table's order.
QList<PictureFormat> pictureFormats();

// Decodes a recognised picture. `target` is the size the picture will be shown at: decoders that can
// scale while decoding (JPEG by n/8, PNG and TIFF by averaging k x k blocks as rows come) or that find a large
// enough thumbnail (HEIC) stop at the smallest size still at least that large, and every picture is then
// reduced by picture/resample.h's reductionFactor for the target, so the same pixels in any container give
// the same true-colour picture (RGB32, or ARGB32 / ARGB32_Premultiplied with alpha; never indexed). An empty
// target decodes at full size. Pictures beyond the bounds of picture/limits.h are refused before any pixel buffer is
// allocated; for JPEG they apply to the size after that scaling, for PNG to the stored size. Pictures come out upright:
// JPEG, WebP and TIFF by their EXIF or TIFF orientation, HEIC and AVIF by their own transformations. Of an animation
// (GIF, WebP, AVIF) the first frame is shown. No picture always comes with a reason, so callers report it as it is.
DecodedPicture decodePicture(const QByteArray& bytes, QSize target = {});

// About the most memory decoding the bytes for `target` and fitting them into the box takes, in bytes, from
// the header alone: the decoded picture (JPEG, PNG and TIFF after their reduction; a whole interlaced PNG
// before it) and, for a picture with transparency, its copy over white. 0 when the header gives no size.
qint64 decodingMemory(const QByteArray& bytes, QSize target);

} // namespace picture
