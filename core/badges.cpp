#include "core/badges.h"

namespace core {

std::optional<int> badgeByName(const QString& name)
{
    for (int i = 0; i < kBadgeCount; ++i) {
        if (name == QString::fromUtf16(kBadges[i].name))
            return i;
    }
    return std::nullopt;
}

} // namespace core
