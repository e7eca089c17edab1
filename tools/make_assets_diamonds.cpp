// The diamond family of badges: six coloured diamonds with a level digit, the crowned yellow one, the couple
// diamond and the winged emperor emblem.
#include "make_assets.h"
#include "make_assets_badges.h"

#include <QPainter>
#include <QPolygonF>

namespace makeassets {

namespace {

// A cut gem in `r`: a flat table on top, the girdle `girdle` pixels below it, a point at the bottom centre.
QPolygonF gemOutline(QRectF r, double girdle)
{
    const double inset = r.width() * 0.26;
    return QPolygonF({QPointF(r.left() + inset, r.top()),
                      QPointF(r.right() - inset, r.top()),
                      QPointF(r.right(), r.top() + girdle),
                      QPointF(r.center().x(), r.bottom()),
                      QPointF(r.left(), r.top() + girdle)});
}

// The same shape one pixel inside, with the bottom point raised a little more so the slanted sides keep a
// one-pixel outline after the stairs are cut.
QPolygonF gemInside(QRectF r, double girdle)
{
    return gemOutline(r.adjusted(1, 1, -1, -1.6), girdle - 0.4);
}

} // namespace

void drawGem(PixelArt& art, QRectF r, double girdle, const GemColours& c)
{
    art.drawSmooth([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(c.outline);
        p.drawPolygon(gemOutline(r, girdle));

        const QPolygonF in = gemInside(r, girdle);
        const double top = in[0].y();
        const double girdleY = in[2].y();
        const double midX = in[3].x();
        p.setBrush(c.body);
        p.drawPolygon(in);
        // Crown band, lighter than the body, with the table lighter still.
        p.setBrush(c.light);
        p.drawPolygon(QPolygonF({in[0], in[1], in[2], QPointF(in[4].x(), girdleY)}));
        p.setBrush(c.table);
        const double tableInset = (in[1].x() - in[0].x()) * 0.2;
        p.drawPolygon(QPolygonF({QPointF(in[0].x() + tableInset, top),
                                 QPointF(in[1].x() - tableInset, top),
                                 QPointF(midX + 1.5, girdleY),
                                 QPointF(midX - 1.5, girdleY)}));
        // The right half of the pavilion lies in shadow.
        p.setBrush(c.dark);
        p.drawPolygon(QPolygonF({QPointF(midX, girdleY), in[2], in[3]}));
    });
}

void drawLevelDiamond(PixelArt& art, QRectF gem, double girdle, const GemColours& c, const Glyph& digit, int digitTop)
{
    drawGem(art, gem, girdle, c);
    const int left = qRound(gem.center().x() - digit.width() / 2.0);
    art.drawOutlinedGlyph(QPoint(left, digitTop), digit, Qt::white, c.outline);
}

QImage drawPlainDiamond(QSize size, const GemColours& c, const Glyph& digit)
{
    PixelArt art(size);
    drawLevelDiamond(art, QRectF(1, 1, size.width() - 2, size.height() - 2), 4, c, digit, 4);
    return art.toImage("diamond");
}

QImage drawCrownedDiamond(const GemColours& c, const Glyph& digit)
{
    PixelArt art(QSize(18, 16));
    drawLevelDiamond(art, QRectF(1, 3, 16, 12), 3, c, digit, 5);
    // A three-pointed crown sitting on the table.
    const QColor gold(255, 178, 0);
    const QColor brown(140, 70, 0);
    art.drawSmooth([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(brown);
        p.drawPolygon(QPolygonF({QPointF(4, 5),
                                 QPointF(4, 1),
                                 QPointF(6.5, 3),
                                 QPointF(9, 1),
                                 QPointF(11.5, 3),
                                 QPointF(14, 1),
                                 QPointF(14, 5)}));
        p.setBrush(gold);
        p.drawPolygon(QPolygonF({QPointF(5, 4),
                                 QPointF(5, 3),
                                 QPointF(6.5, 4),
                                 QPointF(9, 2.2),
                                 QPointF(11.5, 4),
                                 QPointF(13, 3),
                                 QPointF(13, 4)}));
    });
    art.drawGlyph(QPoint(8, 3), Glyph{{"##"}}, QColor(230, 20, 40));
    return art.toImage("crowned diamond");
}

QImage drawCoupleDiamond(const GemColours& c)
{
    PixelArt art(QSize(18, 15));
    drawGem(art, QRectF(1, 1, 16, 13), 4, c);
    const Glyph heart{{".##.##.", "#######", "#######", ".#####.", "..###..", "...#..."}};
    art.drawOutlinedGlyph(QPoint(5, 3), heart, Qt::white, c.outline);
    art.drawGlyph(QPoint(6, 4), Glyph{{"#"}}, QColor(255, 200, 215));
    return art.toImage("couple diamond");
}

QImage drawEmperor()
{
    const QColor gold(255, 196, 30);
    const QColor goldDark(165, 100, 0);
    const QColor goldLight(255, 236, 140);
    PixelArt art(QSize(18, 16));
    art.drawSmooth([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        // Wings: three feathers a side, fanned upwards, each a dark outline around a gold vane.
        for (const int side : {-1, 1}) {
            auto mirror = [side](double x, double y) { return QPointF(side < 0 ? x : 18 - x, y); };
            p.setBrush(goldDark);
            p.drawPolygon(QPolygonF(
                {mirror(6, 5), mirror(1, 2), mirror(1, 6.5), mirror(1.5, 9.5), mirror(3, 12), mirror(6, 13)}));
            p.setBrush(gold);
            p.drawPolygon(QPolygonF({mirror(6, 6), mirror(2, 3.5), mirror(2, 5.5), mirror(6, 8)}));
            p.drawPolygon(QPolygonF({mirror(6, 9), mirror(2.5, 7), mirror(2.5, 8.8), mirror(6, 10.5)}));
            p.drawPolygon(QPolygonF({mirror(6, 11.5), mirror(3.5, 9.8), mirror(4, 11.2), mirror(6, 12.2)}));
        }
    });
    // The red gem between the wings, under a small crown.
    drawGem(
        art,
        QRectF(4.5, 3.5, 9, 11.5),
        3,
        GemColours{
            QColor(110, 0, 20), QColor(185, 10, 35), QColor(225, 30, 45), QColor(255, 95, 90), QColor(255, 160, 150)});
    art.drawSmooth([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(goldDark);
        p.drawPolygon(QPolygonF({QPointF(6, 4.5),
                                 QPointF(6, 1),
                                 QPointF(7.5, 2.5),
                                 QPointF(9, 1),
                                 QPointF(10.5, 2.5),
                                 QPointF(12, 1),
                                 QPointF(12, 4.5)}));
        p.setBrush(gold);
        p.drawRect(QRectF(7, 3, 4, 1));
    });
    art.drawGlyph(QPoint(8, 3), Glyph{{"##"}}, goldLight);
    art.drawGlyph(QPoint(7, 6), Glyph{{"#"}}, Qt::white);
    return art.toImage("emperor");
}

} // namespace makeassets
