#pragma once

// Building blocks shared by the badge drawings.
#include "make_assets.h"

#include <QColor>
#include <QImage>
#include <QRectF>

namespace makeassets {

// The five tones of a cut gem, darkest first; the outline also rings the digit drawn over it.
struct GemColours {
    QColor outline;
    QColor dark;
    QColor body;
    QColor light;
    QColor table;
};

// Level digits, 4 x 6.
inline const Glyph kDigit7{{"####", "...#", "..#.", "..#.", ".#..", ".#.."}};
inline const Glyph kDigit8{{".##.", "#..#", ".##.", "#..#", "#..#", ".##."}};
inline const Glyph kDigit9{{".##.", "#..#", "#..#", ".###", "...#", ".##."}};

void drawGem(PixelArt& art, QRectF r, double girdle, const GemColours& c);
void drawLevelDiamond(PixelArt& art, QRectF gem, double girdle, const GemColours& c, const Glyph& digit, int digitTop);

QImage drawPlainDiamond(QSize size, const GemColours& c, const Glyph& digit);
QImage drawCrownedDiamond(const GemColours& c, const Glyph& digit);
QImage drawCoupleDiamond(const GemColours& c);
QImage drawEmperor();

QImage drawMembership(); // the penguin and the VIP7 plate
QImage drawBook();
QImage drawYears();

} // namespace makeassets
