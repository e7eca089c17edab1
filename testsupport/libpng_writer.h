#pragma once

// PNGs written by libpng itself, for what Qt's writer cannot make: 16-bit and low-depth samples, grey with
// alpha, palettes with a tRNS chunk, interlaced files. Used by the decoder tests and the benchmarks.
#include <QByteArray>
#include <QList>
#include <QRgb>

#include <functional>
#include <utility>

namespace picturebytes {

struct PngShape {
    PngShape(int d, int type, bool adam7 = false, QList<QRgb> colours = {})
        : depth(d), colourType(type), interlaced(adam7), palette(std::move(colours))
    {}
    int depth;      // bits a sample: 1, 2, 4, 8 or 16
    int colourType; // PNG's own numbers: 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    bool interlaced;
    QList<QRgb> palette; // for colour type 3; entries with alpha below 255 go into a tRNS chunk
};

// A w x h PNG; `sample` gives channel c of pixel (x, y) at the shape's depth (for a palette, the index).
QByteArray
libpngEncode(int w, int h, const PngShape& shape, const std::function<unsigned(int x, int y, int c)>& sample);

} // namespace picturebytes
