// The badges that are not diamonds: the membership penguin with its plate, the book mark and the year strip;
// and the table from file name to drawing.
#include "make_assets.h"
#include "make_assets_badges.h"

#include <QPainter>
#include <QPolygonF>

namespace makeassets {

namespace {

const QChar kYear(0x5E74); // 年
const QChar kBook(0x4E66); // 书

// The mask spread one pixel right and down: a drop shadow that keeps one-pixel strokes apart, where a full
// outline would fill the gaps between them.
Mask dropShadow(const Mask& glyph)
{
    Mask shadow(glyph.width, glyph.height);
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x)
            if (glyph.at(x - 1, y - 1) || glyph.at(x, y - 1) || glyph.at(x - 1, y))
                shadow.set(x, y);
    return shadow;
}

void drawPenguin(PixelArt& art)
{
    const QColor black(24, 26, 38);
    const QColor white(250, 250, 250);
    const QColor orange(255, 150, 0);
    const QColor scarf(225, 20, 30);
    art.drawSmooth([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(black);
        p.drawEllipse(QRectF(1, 7, 3.5, 6.5)); // flippers
        p.drawEllipse(QRectF(9.5, 7, 3.5, 6.5));
        p.drawEllipse(QRectF(2, 1, 10, 14.5));
        p.setBrush(white);
        p.drawEllipse(QRectF(4, 7, 6, 8.5));     // belly
        p.drawEllipse(QRectF(4, 2.5, 2.8, 3.8)); // eyes
        p.drawEllipse(QRectF(7.2, 2.5, 2.8, 3.8));
        p.setBrush(scarf);
        p.drawRect(QRectF(3, 8, 8, 2));
        p.drawRect(QRectF(8.5, 9, 2, 3.5));
        p.setBrush(orange);
        p.drawPolygon(QPolygonF({QPointF(4.5, 6), QPointF(9.5, 6), QPointF(7, 8.2)})); // beak
        p.drawEllipse(QRectF(2, 14.5, 4.5, 2.5));                                      // feet
        p.drawEllipse(QRectF(7.5, 14.5, 4.5, 2.5));
    });
    art.drawGlyph(QPoint(5, 4), Glyph{{"#"}}, black); // pupils
    art.drawGlyph(QPoint(8, 4), Glyph{{"#"}}, black);
}

void drawVipPlate(PixelArt& art)
{
    const QColor rim(150, 70, 0);
    const QColor gold(250, 190, 30);
    const QColor red(215, 25, 35);
    const QColor shine(245, 80, 70);
    art.drawSmooth([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(rim);
        p.drawRoundedRect(QRectF(14, 2, 26, 14), 3, 3);
        p.setBrush(gold);
        p.drawRoundedRect(QRectF(15, 3, 24, 12), 2, 2);
        p.setBrush(red);
        p.drawRect(QRectF(16, 4, 22, 10));
        p.setBrush(shine);
        p.drawRect(QRectF(16, 4, 22, 2));
    });
    const Glyph v{{"#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."}};
    const Glyph i{{"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}};
    const Glyph pee{{"###.", "#..#", "#..#", "###.", "#...", "#...", "#..."}};
    const Glyph seven{{"####", "...#", "..#.", "..#.", ".#..", ".#..", ".#.."}};
    const QColor text(255, 255, 255);
    const QColor shadow(120, 0, 10);
    int x = 17;
    for (const Glyph* g : {&v, &i, &pee, &seven}) {
        art.drawGlyph(QPoint(x, 6), *g, shadow);
        art.drawGlyph(QPoint(x, 5), *g, text);
        x += g->width() + 1;
    }
}

// One rounded tile of the year strip with the character in the middle.
void drawYearTile(PixelArt& art, int left, const GemColours& c, QColor ink)
{
    art.drawSmooth([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(c.outline);
        p.drawRoundedRect(QRectF(left, 1, 18, 15), 3, 3);
        p.setBrush(c.body);
        p.drawRoundedRect(QRectF(left + 1, 2, 16, 13), 2, 2);
        p.setBrush(c.light);
        p.drawRect(QRectF(left + 2, 2, 14, 1));
    });
    art.paintMask(hintedTextMask(art.size(), QString(kYear), QRect(left + 1, 2, 16, 13), 13), ink);
}

} // namespace

QImage drawMembership()
{
    PixelArt art(QSize(41, 18));
    drawVipPlate(art);
    drawPenguin(art);
    return art.toImage("membership");
}

QImage drawBook()
{
    PixelArt art(QSize(17, 17));
    const Mask glyph = hintedTextMask(art.size(), QString(kBook), QRect(1, 1, 14, 14), 14);
    art.paintMask(dropShadow(glyph), QColor(130, 60, 0));
    art.paintMask(glyph, QColor(240, 170, 10));
    // The upper half catches the light.
    Mask upper(glyph.width, glyph.height);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < glyph.width; ++x)
            if (glyph.at(x, y))
                upper.set(x, y);
    art.paintMask(upper, QColor(255, 215, 60));
    return art.toImage("book");
}

QImage drawYears()
{
    PixelArt art(QSize(96, 17));
    const GemColours red{QColor(130, 0, 10), {}, QColor(220, 30, 35), QColor(245, 80, 70), {}};
    const GemColours yellow{QColor(175, 105, 0), {}, QColor(250, 185, 10), QColor(255, 220, 80), {}};
    const GemColours green{QColor(0, 100, 30), {}, QColor(35, 160, 60), QColor(95, 205, 105), {}};
    const GemColours blue{QColor(10, 50, 150), {}, QColor(40, 110, 220), QColor(105, 165, 250), {}};
    const QColor white(255, 255, 255);
    const GemColours* tiles[] = {&red, &yellow, &green, &blue, &red};
    for (int t = 0; t < 5; ++t)
        drawYearTile(art, 1 + t * 19, *tiles[t], tiles[t] == &yellow ? QColor(150, 50, 0) : white);
    return art.toImage("years");
}

QImage drawBadge(const QString& name)
{
    const GemColours blue{
        QColor(16, 48, 140), QColor(30, 90, 205), QColor(55, 130, 235), QColor(120, 185, 255), QColor(190, 228, 255)};
    const GemColours pink{
        QColor(150, 20, 90), QColor(225, 70, 150), QColor(245, 110, 180), QColor(255, 165, 210), QColor(255, 212, 235)};
    const GemColours yellow{
        QColor(150, 85, 0), QColor(235, 160, 0), QColor(255, 200, 20), QColor(255, 225, 90), QColor(255, 246, 175)};
    const GemColours red{
        QColor(120, 0, 10), QColor(190, 20, 30), QColor(230, 40, 45), QColor(255, 110, 100), QColor(255, 178, 165)};
    const GemColours purple{
        QColor(70, 20, 120), QColor(120, 50, 190), QColor(155, 80, 225), QColor(195, 140, 250), QColor(228, 205, 255)};
    const GemColours green{
        QColor(0, 90, 30), QColor(20, 150, 50), QColor(40, 190, 70), QColor(120, 225, 120), QColor(195, 245, 185)};

    if (name == u"vip7")
        return drawMembership();
    if (name == u"blue9")
        return drawPlainDiamond(QSize(18, 16), blue, kDigit9);
    if (name == u"pink7")
        return drawPlainDiamond(QSize(18, 16), pink, kDigit7);
    if (name == u"yellow8")
        return drawCrownedDiamond(yellow, kDigit8);
    if (name == u"emperor")
        return drawEmperor();
    if (name == u"couple")
        return drawCoupleDiamond(red);
    if (name == u"red8")
        return drawPlainDiamond(QSize(17, 16), red, kDigit8);
    if (name == u"book")
        return drawBook();
    if (name == u"purple8")
        return drawPlainDiamond(QSize(17, 15), purple, kDigit8);
    if (name == u"green7")
        return drawPlainDiamond(QSize(18, 16), green, kDigit7);
    if (name == u"years")
        return drawYears();
    return {};
}

} // namespace makeassets
