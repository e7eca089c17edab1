// The composition picture (a dressed cartoon figure) and the program icon. Unlike the badges these are
// ordinary antialiased drawings: nothing keys on their colours.
#include "make_assets.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace makeassets {

namespace {

const QColor kSkin(252, 221, 196);
const QColor kSkinShade(232, 186, 160);
const QColor kHair(92, 52, 30);
const QColor kOutline(70, 45, 40);

void drawBackdrop(QPainter& p, QSize size)
{
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(214, 232, 250));
    sky.setColorAt(0.75, QColor(246, 226, 238));
    sky.setColorAt(1, QColor(250, 236, 220));
    p.fillRect(QRect(QPoint(0, 0), size), sky);
    p.setPen(Qt::NoPen);
    // Soft out-of-focus lights behind the figure.
    const struct {
        double x, y, r;
        QColor c;
    } lights[] = {{22, 78, 14, QColor(255, 255, 255, 110)},
                  {118, 62, 18, QColor(255, 240, 250, 120)},
                  {112, 150, 11, QColor(255, 255, 255, 90)},
                  {18, 170, 9, QColor(255, 250, 235, 100)}};
    for (const auto& l : lights) {
        p.setBrush(l.c);
        p.drawEllipse(QPointF(l.x, l.y), l.r, l.r);
    }
    QRadialGradient shadow(QPointF(70, 212), 34);
    shadow.setColorAt(0, QColor(150, 120, 140, 120));
    shadow.setColorAt(1, QColor(150, 120, 140, 0));
    p.setBrush(shadow);
    p.drawEllipse(QPointF(70, 212), 34, 7);
}

void drawLegs(QPainter& p)
{
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kSkin);
    p.drawRoundedRect(QRectF(58, 160, 9, 40), 4, 4);
    p.drawRoundedRect(QRectF(73, 160, 9, 40), 4, 4);
    p.setBrush(Qt::white); // socks
    p.drawRect(QRectF(58, 192, 9, 8));
    p.drawRect(QRectF(73, 192, 9, 8));
    p.setBrush(QColor(200, 40, 60)); // shoes
    p.drawRoundedRect(QRectF(54, 199, 14, 8), 4, 4);
    p.drawRoundedRect(QRectF(72, 199, 14, 8), 4, 4);
}

void drawClothes(QPainter& p)
{
    p.setPen(QPen(kOutline, 1));
    // Pleated skirt.
    p.setBrush(QColor(52, 70, 140));
    QPainterPath skirt;
    skirt.moveTo(54, 140);
    skirt.lineTo(86, 140);
    skirt.lineTo(96, 170);
    skirt.lineTo(44, 170);
    skirt.closeSubpath();
    p.drawPath(skirt);
    p.setPen(QPen(QColor(36, 50, 108), 1));
    for (const double x : {62.0, 70.0, 78.0})
        p.drawLine(QPointF(x, 142), QPointF(x + (x - 70) * 0.4, 169));
    // Arms in tapering sleeves, hands at the sides.
    const QColor jacketPink(240, 120, 140);
    for (const int side : {-1, 1}) {
        const QPointF shoulder(70 + side * 15, 108);
        const QPointF wrist(70 + side * 24, 143);
        p.setPen(QPen(kOutline, 11, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(shoulder, wrist);
        p.setPen(QPen(jacketPink, 9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(shoulder, wrist);
        p.setPen(QPen(kOutline, 1));
        p.setBrush(kSkin);
        p.drawEllipse(QPointF(70 + side * 25, 151), 4.5, 4.5);
    }
    // Jacket body with rounded shoulders, open over a white blouse and a bow.
    p.setBrush(jacketPink);
    QPainterPath jacket;
    jacket.moveTo(58, 101);
    jacket.quadTo(52, 101, 51, 108);
    jacket.lineTo(52, 144);
    jacket.lineTo(88, 144);
    jacket.lineTo(89, 108);
    jacket.quadTo(88, 101, 82, 101);
    jacket.closeSubpath();
    p.drawPath(jacket);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(63, 102), QPointF(77, 102), QPointF(74, 144), QPointF(66, 144)}));
    p.setBrush(QColor(220, 40, 70));
    p.drawPolygon(QPolygonF({QPointF(64, 104), QPointF(70, 108), QPointF(64, 112)}));
    p.drawPolygon(QPolygonF({QPointF(76, 104), QPointF(70, 108), QPointF(76, 112)}));
    p.setBrush(QColor(255, 214, 90));
    for (const double y : {120.0, 130.0})
        p.drawEllipse(QPointF(70, y), 1.6, 1.6);
}

void drawHead(QPainter& p)
{
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kSkin);
    p.drawRect(QRectF(66, 92, 8, 11)); // neck
    p.setBrush(kHair);
    p.drawEllipse(QRectF(48, 52, 44, 46)); // hair behind the face
    p.drawRoundedRect(QRectF(49, 70, 10, 36), 5, 5);
    p.drawRoundedRect(QRectF(81, 70, 10, 36), 5, 5);
    p.setBrush(kSkin);
    p.drawEllipse(QRectF(53, 62, 34, 36));
    p.setBrush(kHair); // fringe
    QPainterPath fringe;
    fringe.moveTo(52, 76);
    fringe.cubicTo(54, 54, 86, 54, 88, 76);
    fringe.cubicTo(80, 70, 74, 66, 70, 64);
    fringe.cubicTo(66, 70, 58, 72, 52, 76);
    p.drawPath(fringe);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 30, 35)); // eyes
    p.drawEllipse(QRectF(60.5, 78, 4, 5));
    p.drawEllipse(QRectF(75.5, 78, 4, 5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(61.5, 78.8, 1.6, 1.6));
    p.drawEllipse(QRectF(76.5, 78.8, 1.6, 1.6));
    p.setBrush(QColor(255, 150, 160, 150)); // blush
    p.drawEllipse(QRectF(56, 84, 6, 3.5));
    p.drawEllipse(QRectF(78, 84, 6, 3.5));
    p.setPen(QPen(QColor(190, 70, 80), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(66, 85, 8, 5), 200 * 16, 140 * 16); // smile
    p.setPen(QPen(kSkinShade, 1));
    p.drawLine(QPointF(70, 82), QPointF(69.5, 84));
    // A ribbon in the hair.
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(240, 90, 120));
    p.drawPolygon(QPolygonF({QPointF(80, 58), QPointF(90, 52), QPointF(88, 62)}));
    p.drawPolygon(QPolygonF({QPointF(80, 58), QPointF(74, 50), QPointF(72, 60)}));
    // A sheen across the crown of the hair.
    p.setPen(QPen(QColor(150, 100, 70), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(55, 56, 30, 24), 110 * 16, 50 * 16);
}

} // namespace

QImage drawCompositionPicture()
{
    QImage image(140, 226, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    drawBackdrop(p, image.size());
    drawLegs(p);
    drawClothes(p);
    drawHead(p);
    return image;
}

QImage drawProgramIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient back(0, 0, 0, 64);
    back.setColorAt(0, QColor(120, 90, 220));
    back.setColorAt(1, QColor(220, 80, 160));
    p.setPen(QPen(QColor(70, 40, 120), 2));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    // A figure: head and shoulders.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawEllipse(QPointF(29, 25), 10, 10);
    QPainterPath body;
    body.moveTo(11, 56);
    body.cubicTo(11, 38, 47, 38, 47, 56);
    body.closeSubpath();
    p.drawPath(body);
    // A gold diamond badge at the upper right.
    p.setPen(QPen(QColor(150, 85, 0), 1.5));
    p.setBrush(QColor(255, 200, 30));
    p.drawPolygon(QPolygonF({QPointF(44, 10), QPointF(56, 10), QPointF(60, 16), QPointF(50, 28), QPointF(40, 16)}));
    p.setPen(QPen(QColor(255, 245, 180), 1.5));
    p.drawLine(QPointF(44, 14), QPointF(48, 14));
    return image;
}

} // namespace makeassets
