#pragma once

// The picture generator behind assets/: the eleven badge bitmaps, the composition picture and the program
// icon, all drawn by code so every picture we ship is reproducible from this folder.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

namespace makeassets {

// The colour of badge pixels that are not part of the badge.
inline constexpr QRgb kKeyColour = 0xFF808080;

// True for colours that a viewer could mistake for the key colour (within 12 on every channel).
bool isGreyClose(QRgb colour);

// A set of pixels of a small picture, row by row.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;

    Mask(int w, int h) : width(w), height(h), bits(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0) {}
    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && bits[index(x, y)]; }
    void set(int x, int y)
    {
        if (x >= 0 && y >= 0 && x < width && y < height)
            bits[index(x, y)] = 1;
    }
    // Callers check the bounds.
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
    // The mask grown by one pixel in the four directions (and diagonals when `diagonal`).
    Mask grown(bool diagonal) const;
};

// A pixel font glyph: one string per row, '#' for a set pixel.
struct Glyph {
    std::vector<const char*> rows;
    int width() const;
    int height() const { return static_cast<int>(rows.size()); }
};

// A badge picture built at its final size where every pixel is either the key or one opaque colour, so that a
// colour-keyed badge has a hard edge and no fringe blends into the key grey.
//
// Smooth shapes are drawn with QPainter at 8 times the size with antialiasing off, then each pixel takes the
// most frequent colour of its samples when at least half of them are covered: hand-placed geometry stays
// exact, slopes become clean stairs and no new colours appear.
class PixelArt {
public:
    explicit PixelArt(QSize size);

    QSize size() const { return m_image.size(); }

    // Draws in pixel units; the painter is already scaled to the sample grid.
    void drawSmooth(const std::function<void(QPainter&)>& draw);
    void paintMask(const Mask& mask, QColor colour);
    void drawGlyph(QPoint topLeft, const Glyph& glyph, QColor colour);
    // The glyph over a one-pixel ring of `outline` around it.
    void drawOutlinedGlyph(QPoint topLeft, const Glyph& glyph, QColor colour, QColor outline);

    // The key colour where nothing was drawn. Fails loudly on a grey-close colour or a drawn pixel on the
    // one-pixel key border that every badge keeps.
    QImage toImage(const char* what) const;

private:
    QImage m_image; // ARGB32, alpha 0 for the key
};

Mask glyphMask(QSize canvas, QPoint topLeft, const Glyph& glyph);

// One character of the CJK font drawn by the font's own hinting at the final size with antialiasing off:
// one-pixel strokes set on the grid, centred in `box`.
Mask hintedTextMask(QSize canvas, const QString& text, QRect box, int pixelSize);

// The font the characters are drawn with; missing it would change every badge that shows a character.
QString cjkFontFamily();

// Badges by file name ("vip7", "blue9", ...).
QImage drawBadge(const QString& name);

QImage drawCompositionPicture();       // 140 x 226
QImage drawProgramIcon(int size = 64); // size x size, with alpha, drawn for 64 x 64 and scaled as vectors

// A 24-bit BMP file image: file header, 40-byte info header, bottom-up BGR rows padded to 4 bytes.
QByteArray encodeBmp24(const QImage& image);

} // namespace makeassets
