#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// The composition: the black frame, the picture fitted into its box and the colour-keyed badges, as one
// function from a plain description to an image. The window's saved pictures, its batch and the batch tool
// all go through it, and the window's picture box shows fitPicture's result, so screen and files agree.
namespace material {

inline constexpr QSize kFrameSize{152, 240};
inline constexpr QRect kPictureRect{6, 7, 140, 226}; // the picture box inside the frame

struct BadgeLayer {
    QImage bitmap; // pixels of the key colour RGB(128,128,128) are not part of the badge
    QPoint pos;    // relative to the picture box
    bool visible = true;
};

// How a picture fills the box.
enum class Fit {
    Stretch,  // over the whole box, whatever its shape
    Cover,    // its shape kept, the box filled, what overflows cut off equally on both sides
    CoverTop, // the same, but a tall picture keeps its top (faces in portraits) and loses its bottom
    Contain,  // its shape kept, the whole picture shown, centred, the rest of the box white
};

// The names vorlith-batch's --fit and the layout file use: "stretch", "cover", "cover-top", "contain".
QString fitName(Fit fit);
std::optional<Fit> fitByName(QStringView name);
QString fitNames(); // all four, separated by "|"

struct Composition {
    QImage picture;                 // any size; null shows the box's white background
    std::vector<BadgeLayer> badges; // front first
    Fit fit = Fit::Stretch;
};

// The picture fitted into `size` with area-averaging, as the picture box shows it: RGB32 of exactly that
// size, transparency and uncovered parts white. Null stays null, and null when memory for a step ran out.
QImage fitPicture(const QImage& picture, Fit fit = Fit::Stretch, QSize size = kPictureRect.size());

// The bitmap with the key colour made fully transparent (ARGB32 premultiplied).
QImage keyedBadge(const QImage& bitmap);

// The 152 x 240 frame, RGB32; null when memory ran out (never a white box standing in for the picture).
QImage renderComposition(const Composition& composition);

// The same, with a picture already fitted to the box size (the window keeps it fitted).
QImage renderCompositionFitted(const QImage& fitted, const std::vector<BadgeLayer>& badges);

} // namespace material
