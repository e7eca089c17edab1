#include "assets/assets.h"

#include <QFile>

namespace assets {

QByteArray resourceBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::array<QImage, core::kBadgeCount> badgeBitmaps()
{
    std::array<QImage, core::kBadgeCount> bitmaps;
    for (std::size_t i = 0; i < bitmaps.size(); ++i)
        bitmaps[i] = QImage::fromData(resourceBytes(QString::fromLatin1(core::kBadges[i].bitmap)));
    return bitmaps;
}

} // namespace assets
