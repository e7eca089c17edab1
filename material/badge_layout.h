#pragma once

#include "core/badges.h"
#include "core/controls.h"
#include "core/reasons.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <array>
#include <vector>

#include "material/composition.h"

// A badge layout: each badge's visibility and position, as plain values. It is kept in a small text file that
// the window saves and loads and the batch tool reads, one line per badge:
//
//     # comment lines and empty lines are ignored
//     会员Lv7 1 1 1
//     QQ钻皇 0 121 19
//
// that is the badge's name (as the badge selector shows it), visible 0 or 1, left and top relative to the
// composition picture box. UTF-8. A badge the file does not name keeps its default: visible, at its default
// position. A line "fit cover" (or stretch, cover-top, contain) says how the picture fills its box; without
// one, the file leaves that choice as it is.
namespace material {

struct BadgePlacement {
    bool visible = true;
    QPoint pos;
};

// Indexed like core::kBadges.
using BadgeLayout = std::array<BadgePlacement, core::kBadgeCount>;

// Every badge visible at its default position, as the window starts.
BadgeLayout defaultBadgeLayout();

// Coordinates in a layout file are bounded: far beyond the picture box a badge is simply not seen, and the
// bound keeps sums with --move offsets clear of integer overflow.
inline constexpr int kMaxBadgeCoordinate = 100000;

struct BadgeLayoutResult {
    BadgeLayout layout;
    std::optional<Fit> fit; // set when the file has a "fit" line
    core::Reason reason;    // the file's problem or the first bad line's; none when the text was read whole
};

// Reads a layout from its text. Unknown names, a badge named twice, a wrong number of fields, a visibility
// other than 0 or 1 and coordinates that are no whole numbers within the bound are errors.
BadgeLayoutResult parseBadgeLayout(const QString& text);

// The text of a layout: a header comment, all eleven badges in canonical order and the fit when given.
QString formatBadgeLayout(const BadgeLayout& layout, std::optional<Fit> fit = std::nullopt);

// The same through a file. The reason is the file's problem (missing, unreadable, too large) or its bad line's.
BadgeLayoutResult readBadgeLayoutFile(const QString& path);
// Written through a temporary file and renamed into place. Empty on success, otherwise why it failed.
QString writeBadgeLayoutFile(const QString& path, const BadgeLayout& layout, std::optional<Fit> fit = std::nullopt);

// The layout the controls show, and the layout put onto them (setLeft, setTop, setVisible of each badge).
BadgeLayout badgeLayoutOf(const core::Controls& controls);
void applyBadgeLayout(core::Controls& controls, const BadgeLayout& layout);

// The badges of a composition for this layout, front first, with `bitmaps` indexed like core::kBadges.
std::vector<BadgeLayer> badgeLayers(const BadgeLayout& layout, const std::array<QImage, core::kBadgeCount>& bitmaps);

} // namespace material
