#include "handlers/badges.h"

#include "core/badges.h"

namespace handlers {

void toggleBadge(core::Controls& controls, int index)
{
    if (index < 0 || index >= core::kBadgeCount)
        return;
    const core::ControlId id = core::kBadges[static_cast<size_t>(index)].id;
    controls.setVisible(id, !controls.isVisible(id));
}

void nudgeBadge(core::Controls& controls, Direction direction)
{
    const bool vertical = direction == Direction::Up || direction == Direction::Down;
    const int step = (direction == Direction::Up || direction == Direction::Left) ? -1 : 1;
    // Every badge is compared on every click, each time with the selector's current text.
    for (const core::Badge& badge : core::kBadges) {
        if (controls.text(core::ids::BadgeSelector) != QString::fromUtf16(badge.name))
            continue;
        if (vertical)
            controls.setTop(badge.id, controls.top(badge.id) + step);
        else
            controls.setLeft(badge.id, controls.left(badge.id) + step);
    }
}

void restoreBadges(core::Controls& controls)
{
    for (int index : core::kBadgeRestoreOrder) {
        const core::Badge& badge = core::kBadges[static_cast<size_t>(index)];
        controls.setLeft(badge.id, badge.defaultPos.x());
        controls.setTop(badge.id, badge.defaultPos.y());
    }
}

} // namespace handlers
