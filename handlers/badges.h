#pragma once

#include "core/controls.h"

// The badge overlay's handlers. They act only on the badges' own properties.
namespace handlers {

enum class Direction { Up = 0, Down = 1, Left = 2, Right = 3 };

// Shows badge `index` (into core::kBadges) when hidden, hides it when shown.
void toggleBadge(core::Controls& controls, int index);

// Moves the badge the selector names by one pixel. The selector's text is compared with every badge's name,
// exactly; a text that names no badge moves nothing. Moves are unbounded, and hidden badges move too.
void nudgeBadge(core::Controls& controls, Direction direction);

// Puts every badge back at its default position; visibility and the selector stay as they are.
void restoreBadges(core::Controls& controls);

} // namespace handlers
