#pragma once

#include "core/control_ids.h"

#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

namespace core {

// One of the eleven service badges laid over the composition picture.
struct Badge {
    const char16_t* name; // as the badge selector names it
    ControlId id;         // the badge's picture button
    const char16_t* formName;
    QPoint defaultPos; // relative to the composition picture box
    QSize controlSize;
    QSize bitmapSize;
    const char* bitmap;     // resource path of the 24-bit bitmap
    ControlId toggleButton; // the push button captioned with the badge's name
    int stackingPlace;      // 0 the front: where the badge lies among the others over the picture
    int restoreStep;        // 0 the first: when restore writes the badge's default position back
};

inline constexpr int kBadgeCount = 11;

// Canonical order: the selector's list, the order of the nudge comparisons, the toggle buttons' reading order.
// name, picture button, form name, default place, control size, bitmap size, bitmap, toggle button,
// stacking place, restore step
inline constexpr std::array<Badge, kBadgeCount> kBadges{{
    {u"会员Lv7", 0x16011B22, u"图形按钮25", {1, 1}, {42, 20}, {41, 18}, ":/badges/vip7.bmp", 0x16011AB9, 2, 0},
    {u"蓝钻Lv9", 0x16011B24, u"图形按钮22", {98, 21}, {20, 20}, {18, 16}, ":/badges/blue9.bmp", 0x16011ABB, 4, 7},
    {u"粉钻Lv7", 0x16011B26, u"图形按钮19", {79, 21}, {20, 20}, {18, 16}, ":/badges/pink7.bmp", 0x16011ABC, 6, 6},
    {u"黄钻Lv8", 0x16011B2A, u"图形按钮10", {2, 21}, {20, 20}, {18, 16}, ":/badges/yellow8.bmp", 0x16011ABD, 10, 2},
    {u"QQ钻皇", 0x16011B23, u"图形按钮24", {119, 21}, {20, 20}, {18, 16}, ":/badges/emperor.bmp", 0x16011ABE, 3, 8},
    {u"情侣红钻", 0x16011B25, u"图形按钮20", {21, 40}, {20, 20}, {18, 15}, ":/badges/couple.bmp", 0x16011ABF, 5, 10},
    {u"红钻Lv8", 0x16011B29, u"图形按钮13", {21, 21}, {20, 20}, {17, 16}, ":/badges/red8.bmp", 0x16011AC0, 9, 3},
    {u"QQ图书", 0x16011B21, u"图形按钮27", {3, 40}, {20, 20}, {17, 17}, ":/badges/book.bmp", 0x16011AC1, 1, 9},
    {u"紫钻Lv8", 0x16011B27, u"图形按钮16", {60, 21}, {20, 20}, {17, 15}, ":/badges/purple8.bmp", 0x16011AC2, 7, 5},
    {u"绿钻Lv7", 0x16011B28, u"图形按钮15", {40, 21}, {20, 20}, {18, 16}, ":/badges/green7.bmp", 0x16011AC3, 8, 4},
    {u"所有年字", 0x16011B20, u"图形按钮29", {42, 3}, {100, 20}, {96, 17}, ":/badges/years.bmp", 0x16011AC4, 0, 1},
}};

namespace detail {

// The indexes into kBadges in the order a column of the table gives: result[k] is the badge whose column
// says k. A place beyond the badges does not compile (a constant expression cannot read past the end).
template <int Badge::*Column> constexpr std::array<int, kBadgeCount> orderBy()
{
    std::array<int, kBadgeCount> order{};
    order.fill(-1);
    for (int i = 0; i < kBadgeCount; ++i)
        order.at(static_cast<std::size_t>(kBadges[static_cast<std::size_t>(i)].*Column)) = i;
    return order;
}

// Every place taken: two badges in one place leave another place empty.
constexpr bool everyPlaceTaken(const std::array<int, kBadgeCount>& order)
{
    for (int index : order) {
        if (index < 0)
            return false;
    }
    return true;
}

} // namespace detail

// Stacking order of the badges, front first, as indexes into kBadges (the window's list order).
inline constexpr std::array<int, kBadgeCount> kBadgeStacking = detail::orderBy<&Badge::stackingPlace>();
static_assert(detail::everyPlaceTaken(kBadgeStacking), "one badge in each stacking place");

// The order in which restore writes the default positions back, as indexes into kBadges.
inline constexpr std::array<int, kBadgeCount> kBadgeRestoreOrder = detail::orderBy<&Badge::restoreStep>();
static_assert(detail::everyPlaceTaken(kBadgeRestoreOrder), "one badge in each restore step");

// The colour that is not part of any badge.
inline constexpr unsigned kBadgeKeyColour = 0x808080;

// The badge whose name equals the text exactly (no trimming, case-sensitive), if any.
std::optional<int> badgeByName(const QString& name);

} // namespace core
