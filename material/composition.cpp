#include "material/composition.h"

#include "core/badges.h"

#include <QPainter>

namespace material {

QImage stretchPicture(const QImage& picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return {};
    // The box's background is white: a picture with transparency shows over white, on screen and in files.
    QImage opaque = picture;
    if (picture.hasAlphaChannel()) {
        opaque = QImage(picture.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter p(&opaque);
        p.drawImage(0, 0, picture);
    }
    QImage scaled =
        opaque.size() == size ? opaque : opaque.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.convertToFormat(QImage::Format_RGB32);
}

QImage keyedBadge(const QImage& bitmap)
{
    QImage out = bitmap.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == core::kBadgeKeyColour)
                row[x] = 0;
            else
                row[x] |= 0xFF000000;
        }
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage renderCompositionStretched(const QImage& stretched, const std::vector<BadgeLayer>& badges)
{
    QImage frame(kFrameSize, QImage::Format_RGB32);
    frame.fill(Qt::black); // the frame's outline and fill are both black
    QPainter p(&frame);
    p.fillRect(kPictureRect, Qt::white);
    if (!stretched.isNull())
        p.drawImage(kPictureRect.topLeft(), stretched, QRect(QPoint(0, 0), kPictureRect.size()));
    // Badges are children of the picture box: cut off at its edge, drawn back to front.
    p.setClipRect(kPictureRect);
    for (auto it = badges.rbegin(); it != badges.rend(); ++it) {
        if (it->visible && !it->bitmap.isNull())
            p.drawImage(kPictureRect.topLeft() + it->pos, keyedBadge(it->bitmap));
    }
    p.end();
    return frame;
}

QImage renderComposition(const Composition& composition)
{
    return renderCompositionStretched(stretchPicture(composition.picture), composition.badges);
}

} // namespace material
