#pragma once

// Picture files of the newer formats, made by the tests, the fuzzing seeds and the benchmarks themselves:
// HEIC through libheif's HEVC encoder (x265), AVIF through libavif's encoder (libheif's AV1 encoder aborts
// on an assertion for small pictures), animated WebP through libwebp's animation encoder. Still WebP and
// TIFF come from Qt's writers (picturebytes::encode). Each gives the file's bytes, empty on failure.
#include <QByteArray>
#include <QImage>

namespace picturebytes {

struct HeicOptions {
    int quality = 90;
    int orientation = 1;   // EXIF numbering, 1 to 8; written as the file's irot/imir boxes
    int thumbnailSide = 0; // > 0 adds a thumbnail this many pixels on its long side
};

QByteArray heicFile(const QImage& picture, const HeicOptions& options = {});

// `depth` 8, 10 or 12 bits; more than one frame makes an animated AVIF (brand avis).
QByteArray avifFile(const QList<QImage>& frames, int depth = 8, int quality = 90);

// The WebP file with an EXIF chunk of `exif` (a TIFF header and IFD0, as the chunk holds them).
QByteArray webpWithExif(const QByteArray& webp, const QByteArray& exif);

// An animation of the pictures in order, each shown for 100 ms; lossless, so pixels come back exactly.
QByteArray animatedWebpFile(const QList<QImage>& frames);

} // namespace picturebytes
