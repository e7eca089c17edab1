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
};

inline constexpr int kBadgeCount = 11;

// Canonical order: the selector's list, the order of the nudge comparisons, the toggle buttons' reading order.
inline constexpr std::array<Badge, kBadgeCount> kBadges{{
    {u"会员Lv7", 0x16011B22, u"图形按钮25", {1, 1}, {42, 20}, {41, 18}, ":/badges/vip7.bmp", 0x16011AB9},
    {u"蓝钻Lv9", 0x16011B24, u"图形按钮22", {98, 21}, {20, 20}, {18, 16}, ":/badges/blue9.bmp", 0x16011ABB},
    {u"粉钻Lv7", 0x16011B26, u"图形按钮19", {79, 21}, {20, 20}, {18, 16}, ":/badges/pink7.bmp", 0x16011ABC},
    {u"黄钻Lv8", 0x16011B2A, u"图形按钮10", {2, 21}, {20, 20}, {18, 16}, ":/badges/yellow8.bmp", 0x16011ABD},
    {u"QQ钻皇", 0x16011B23, u"图形按钮24", {119, 21}, {20, 20}, {18, 16}, ":/badges/emperor.bmp", 0x16011ABE},
    {u"情侣红钻", 0x16011B25, u"图形按钮20", {21, 40}, {20, 20}, {18, 15}, ":/badges/couple.bmp", 0x16011ABF},
    {u"红钻Lv8", 0x16011B29, u"图形按钮13", {21, 21}, {20, 20}, {17, 16}, ":/badges/red8.bmp", 0x16011AC0},
    {u"QQ图书", 0x16011B21, u"图形按钮27", {3, 40}, {20, 20}, {17, 17}, ":/badges/book.bmp", 0x16011AC1},
    {u"紫钻Lv8", 0x16011B27, u"图形按钮16", {60, 21}, {20, 20}, {17, 15}, ":/badges/purple8.bmp", 0x16011AC2},
    {u"绿钻Lv7", 0x16011B28, u"图形按钮15", {40, 21}, {20, 20}, {18, 16}, ":/badges/green7.bmp", 0x16011AC3},
    {u"所有年字", 0x16011B20, u"图形按钮29", {42, 3}, {100, 20}, {96, 17}, ":/badges/years.bmp", 0x16011AC4},
}};

// Stacking order of the badges, front first, as indexes into kBadges (the window's list order).
inline constexpr std::array<int, kBadgeCount> kBadgeStacking{10, 7, 0, 4, 1, 5, 2, 8, 9, 6, 3};

// The order in which restore writes the default positions back, as indexes into kBadges.
inline constexpr std::array<int, kBadgeCount> kBadgeRestoreOrder{0, 10, 3, 6, 9, 8, 2, 1, 4, 7, 5};

// The colour that is not part of any badge.
inline constexpr unsigned kBadgeKeyColour = 0x808080;

// The badge whose name equals the text exactly (no trimming, case-sensitive), if any.
std::optional<int> badgeByName(const QString& name);

} // namespace core
