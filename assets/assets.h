#pragma once

// The pictures the program carries, as resources linked in with this library. The badge bitmaps' paths are in
// core/badges.h; the others are here.
#include "core/badges.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>

namespace assets {

inline constexpr char kCompositionPicture[] = ":/pictures/composition.jpg"; // 140 x 226 JPEG
inline constexpr char kProgramIcon[] = ":/icons/vorlith-show.png";          // 64 x 64 PNG

// The bytes of a carried file, as a picture box takes them; empty when there is no such resource.
QByteArray resourceBytes(const QString& path);

// The eleven badge bitmaps, indexed like core::kBadges.
std::array<QImage, core::kBadgeCount> badgeBitmaps();

} // namespace assets
