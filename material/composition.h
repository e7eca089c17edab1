#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// The composition: the black frame, the stretched picture and the colour-keyed badges, as one function from
// a plain description to an image. The window's saved pictures, its batch and the batch tool all go through
// renderComposition, and the window's picture box shows stretchPicture's result, so screen and files agree.
namespace material {

inline constexpr QSize kFrameSize{152, 240};
inline constexpr QRect kPictureRect{6, 7, 140, 226}; // the picture box inside the frame

struct BadgeLayer {
    QImage bitmap; // pixels of the key colour RGB(128,128,128) are not part of the badge
    QPoint pos;    // relative to the picture box
    bool visible = true;
};

struct Composition {
    QImage picture;                 // any size; null shows the box's white background
    std::vector<BadgeLayer> badges; // front first
};

// The picture stretched over `size` with area-averaging, as the picture box shows it. Null stays null.
QImage stretchPicture(const QImage& picture, QSize size = kPictureRect.size());

// The bitmap with the key colour made fully transparent (ARGB32 premultiplied).
QImage keyedBadge(const QImage& bitmap);

// The 152 x 240 frame, RGB32.
QImage renderComposition(const Composition& composition);

// The same, with a picture already stretched to the box size (the window keeps it stretched).
QImage renderCompositionStretched(const QImage& stretched, const std::vector<BadgeLayer>& badges);

} // namespace material
