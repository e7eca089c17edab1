#include "material/composition.h"

#include "core/badges.h"
#include "picture/resample.h"

#include <QHash>
#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace material {

namespace {

struct FitEntry {
    Fit fit;
    const char* name;
};

constexpr FitEntry kFits[] = {
    {Fit::Stretch, "stretch"},
    {Fit::Cover, "cover"},
    {Fit::CoverTop, "cover-top"},
    {Fit::Contain, "contain"},
};

// The box's background is white: a picture with transparency shows over white, on screen and in files.
QImage onWhite(const QImage& picture)
{
    if (!picture.hasAlphaChannel())
        return picture;
    QImage opaque(picture.size(), QImage::Format_RGB32);
    if (opaque.isNull())
        return {};
    opaque.fill(Qt::white);
    QPainter p(&opaque);
    p.drawImage(0, 0, picture);
    return opaque;
}

// Block averaging by the integer factor every decoder reduces by (picture/resample.h), then one smooth step to
// the exact size: the same pixels give the same box picture whether a decoder reduced them or not, and an
// indexed picture is averaged in true colour, never dithered.
QImage scaledTo(const QImage& picture, QSize size)
{
    const QImage reduced = picture::reducePicture(picture, picture::reductionFactor(picture.size(), size));
    if (reduced.isNull())
        return {};
    const QImage scaled =
        reduced.size() == size ? reduced : reduced.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.convertToFormat(QImage::Format_RGB32);
}

// The largest part of a picture of `from` pixels that has the shape of `box`: all its height and the middle
// of its width, or all its width and the middle (or the top) of its height.
QRect coverCrop(QSize from, QSize box, bool keepTop)
{
    const qint64 w = from.width(), h = from.height();
    if (w * box.height() > h * box.width()) {
        const int width = int(std::max<qint64>(1, (h * box.width() + box.height() / 2) / box.height()));
        return {int((w - width) / 2), 0, width, int(h)};
    }
    const int height = int(std::max<qint64>(1, (w * box.height() + box.width() / 2) / box.width()));
    return {0, keepTop ? 0 : int((h - height) / 2), int(w), height};
}

// The picture at the largest size of its own shape that fits the box, centred on white.
QImage contained(const QImage& picture, QSize box)
{
    QSize inner = picture.size().scaled(box, Qt::KeepAspectRatio);
    inner = inner.expandedTo(QSize(1, 1));
    QImage out(box, QImage::Format_RGB32);
    if (out.isNull())
        return {};
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(QPoint((box.width() - inner.width()) / 2, (box.height() - inner.height()) / 2),
                scaledTo(picture, inner));
    return out;
}

} // namespace

QString fitName(Fit fit)
{
    for (const FitEntry& e : kFits) {
        if (e.fit == fit)
            return QString::fromLatin1(e.name);
    }
    return {};
}

std::optional<Fit> fitByName(QStringView name)
{
    for (const FitEntry& e : kFits) {
        if (name == QLatin1String(e.name))
            return e.fit;
    }
    return std::nullopt;
}

QString fitNames()
{
    QStringList names;
    for (const FitEntry& e : kFits)
        names.append(QString::fromLatin1(e.name));
    return names.join(QLatin1Char('|'));
}

QImage fitPicture(const QImage& picture, Fit fit, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return {};
    // Every step allocates a picture; one that memory refuses gives a null picture, never a part of one.
    const QImage opaque = onWhite(picture);
    if (opaque.isNull())
        return {};
    switch (fit) {
    case Fit::Cover:
    case Fit::CoverTop:
        return scaledTo(opaque.copy(coverCrop(opaque.size(), size, fit == Fit::CoverTop)), size);
    case Fit::Contain:
        return contained(opaque, size);
    case Fit::Stretch:
        break;
    }
    return scaledTo(opaque, size);
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

namespace {

// Keying a badge costs more than drawing it, and a batch draws the same eleven bitmaps for every material:
// each thread keeps the keyed form of the bitmaps it has met, by cache key (a key names one content and is
// never reused, so an entry cannot go stale; the few there are at once are dropped when many build up).
const QImage& keyedOnce(const QImage& bitmap)
{
    constexpr qsizetype kKept = 64;
    thread_local QHash<qint64, QImage> keyed;
    auto it = keyed.constFind(bitmap.cacheKey());
    if (it == keyed.constEnd()) {
        if (keyed.size() >= kKept)
            keyed.clear();
        it = keyed.insert(bitmap.cacheKey(), keyedBadge(bitmap));
    }
    return *it;
}

} // namespace

QImage renderCompositionFitted(const QImage& fitted, const std::vector<BadgeLayer>& badges)
{
    QImage frame(kFrameSize, QImage::Format_RGB32);
    if (frame.isNull())
        return {};
    frame.fill(Qt::black); // the frame's outline and fill are both black
    QPainter p(&frame);
    p.fillRect(kPictureRect, Qt::white);
    if (!fitted.isNull())
        p.drawImage(kPictureRect.topLeft(), fitted, QRect(QPoint(0, 0), kPictureRect.size()));
    // Badges are children of the picture box: cut off at its edge, drawn back to front.
    p.setClipRect(kPictureRect);
    for (auto it = badges.rbegin(); it != badges.rend(); ++it) {
        if (it->visible && !it->bitmap.isNull())
            p.drawImage(kPictureRect.topLeft() + it->pos, keyedOnce(it->bitmap));
    }
    p.end();
    return frame;
}

QImage renderComposition(const Composition& composition)
{
    const QImage fitted = fitPicture(composition.picture, composition.fit);
    // A picture that memory would not let fit the box is no frame: a white box is not the material.
    if (fitted.isNull() && !composition.picture.isNull())
        return {};
    return renderCompositionFitted(fitted, composition.badges);
}

} // namespace material
