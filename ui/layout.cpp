#include "ui/layout.h"

#include "assets/assets.h"
#include "core/badges.h"
#include "handlers/badges.h"
#include "material/composition.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>

namespace ui {

namespace {

using enum Kind;
using H = Handler;
using namespace core::ids;

constexpr core::ControlId kMakingPage = core::ids::PageControl; // children of the page control name their page
constexpr unsigned V = Visible;
constexpr unsigned VT = Visible | TabStop;

// The composition frame in the effect area: its size is the composition's, which saved files and the batch share.
constexpr QRect kCompositionFrame(QPoint(15, 19), material::kFrameSize);

// A nudge button's argument: its direction.
constexpr int nudge(handlers::Direction direction)
{
    return static_cast<int>(direction);
}
constexpr int kUp = nudge(handlers::Direction::Up), kDown = nudge(handlers::Direction::Down),
              kLeft = nudge(handlers::Direction::Left), kRight = nudge(handlers::Direction::Right);

// The badge selector's items: the badges' names in canonical order, separated by '|', with a closing NUL.
constexpr std::size_t kBadgeItemsLength = [] {
    std::size_t n = 0;
    for (const core::Badge& badge : core::kBadges)
        n += std::char_traits<char16_t>::length(badge.name) + 1;
    return n;
}();
constexpr std::array<char16_t, kBadgeItemsLength> kBadgeItemsText = [] {
    std::array<char16_t, kBadgeItemsLength> text{};
    std::size_t at = 0;
    for (const core::Badge& badge : core::kBadges) {
        if (at != 0)
            text[at++] = u'|';
        for (const char16_t* c = badge.name; *c != 0; ++c)
            text[at++] = *c;
    }
    return text;
}();
constexpr const char16_t* kBadgeItems = kBadgeItemsText.data();

// clang-format off
// A badge's picture button, `place` in the stacking order: all of it comes from the badge table.
constexpr Row badgeRow(std::size_t place)
{
    const core::Badge& b = core::kBadges[static_cast<std::size_t>(core::kBadgeStacking[place])];
    return {b.id, b.formName, u"badge", PictureButton, CompositionPicture, -1, QRect(b.defaultPos, b.controlSize), V,
            nullptr, nullptr, b.bitmap, H::None, 0};
}

// The push button that shows or hides badge `index`, captioned with its name; only its form name and place
// belong to the layout.
constexpr Row toggleRow(int index, const char16_t* formName, QRect rect)
{
    const core::Badge& b = core::kBadges[static_cast<std::size_t>(index)];
    return {b.toggleButton, formName, u"badge toggle button", PushButton, BadgeKindsGroup, -1, rect, VT, b.name,
            nullptr, nullptr, H::ToggleBadge, index};
}
// clang-format on

constexpr const char16_t* kFormatItems = u"GIF|BMP|JPG|ICO|CUR|JPEG|RGB|JGj";
constexpr const char16_t* kTitle = u"Vorlith真人秀制作工具 Bata2 — vorlith-show 开发组 出品";
constexpr const char16_t* kAbout = u"此软件为Vorlith专用QQ真人秀软件\r\n\r\n"
                                   u"制作：vorlith-show 开发组\r\n\r\n"
                                   u"自由软件，欢迎转发\r\n";

// clang-format off
// id          form name          role                    kind              parent            page rect                   flags                      text / address                                 items          picture                         handler                  argument
constexpr std::array<Row, 69> kRows{{
{core::kMainWindow, u"窗口1", u"main window",          Window,           0,                -1, {50, 50, 541, 344},     V,                         kTitle,                                       nullptr,       assets::kProgramIcon,           H::StartUp,              0},
{MaterialFolderBox, u"编辑框好好", u"material folder box", EditBox,       SinglePictureGroup, -1, {52, 120, 232, 24},   VT,                        nullptr,                                      nullptr,       nullptr,                         H::None,                 0},
{0x16011B5F,   u"标签6",          u"label",               Label,            BatchGroup,       -1, {12, 16, 56, 16},       V,                         u"素材格式",                                   nullptr,       nullptr,                         H::None,                 0},
{MaterialFormatBox, u"组合框2",   u"material format box", ComboBox,         BatchGroup,       -1, {68, 15, 64, 20},       VT,                        u"JPG",                                       kFormatItems,  nullptr,                         H::None,                 0},
{0x16011B5B,   u"标签5",          u"about label",         Label,            AboutGroup,       -1, {12, 40, 304, 120},     V | CentredText,           kAbout,                                       nullptr,       nullptr,                         H::None,                 0},
{AboutGroup,   u"分组框8",        u"about group",         GroupBox,         kMakingPage,       1, {196, 112, 328, 184},   V,                         u"关于作者",                                   nullptr,       nullptr,                         H::None,                 0},
{RestoreButton, u"按钮25",        u"restore button",      PushButton,       BadgeMovingGroup, -1, {287, 16, 32, 24},      VT,                        u"还原",                                       nullptr,       nullptr,                         H::RestoreBadges,        0},
{0x16011B48,   u"标签4",          u"label",               Label,            LookupGroup,      -1, {201, 14, 120, 24},     V,                         u"有一些QQ秀显示不了的",                        nullptr,       nullptr,                         H::None,                 0},
{SaveQqShowButton, u"按钮23",     u"save QQ Show button", PushButton,       LookupGroup,      -1, {204, 48, 116, 24},     VT,                        u"保存QQ秀",                                   nullptr,       nullptr,                         H::SaveQqShow,           0},
{QueryButton,  u"按钮24",         u"query button",        PushButton,       LookupGroup,      -1, {8, 48, 188, 24},       VT,                        u"查询QQ秀",                                   nullptr,       nullptr,                         H::QqShowLookup,         0},
{QqNumberBox,  u"编辑框1",        u"QQ-number box",       EditBox,          LookupGroup,      -1, {72, 16, 121, 20},      VT | CentredText,          u"10001",                                     nullptr,       nullptr,                         H::None,                 0},
{0x16011B44,   u"透明标签5",      u"label",               TransparentLabel, LookupGroup,      -1, {8, 16, 61, 16},        V,                         u"查询的QQ：",                                  nullptr,       nullptr,                         H::None,                 0},
{LookupGroup,  u"分组框7",        u"lookup group",        GroupBox,         kMakingPage,       1, {196, 24, 328, 88},     V,                         u"取QQ秀操作",                                  nullptr,       nullptr,                         H::None,                 0},
{ViewerFrame,  u"外形框3",        u"viewer frame",        ShapeBox,         QqShowGroup,      -1, {15, 19, 152, 240},     V | Filled,                nullptr,                                      nullptr,       nullptr,                         H::None,                 0},
{QqShowViewer, u"超文本浏览框1",  u"QQ Show viewer",      WebView,          InnerViewerFrame, -1, {-12, -17, 181, 282},   VT,                        u"<server>10001/10001/8012.jpg",                nullptr,       nullptr,                         H::None,                 0},
{InnerViewerFrame, u"外形框4",    u"inner viewer frame",  ShapeBox,         ViewerFrame,      -1, {7, 7, 140, 226},       V,                         nullptr,                                      nullptr,       nullptr,                         H::None,                 0},
{QqShowGroup,  u"分组框6",        u"QQ Show group",       GroupBox,         kMakingPage,       1, {8, 24, 184, 272},      V,                         u"QQ秀",                                       nullptr,       nullptr,                         H::None,                 0},
{0x16011B35,   u"标签3",          u"label",               Label,            BatchGroup,       -1, {12, 40, 24, 16},       V,                         u"地址",                                       nullptr,       nullptr,                         H::None,                 0},
{0x16011B34,   u"标签2",          u"label",               Label,            BatchGroup,       -1, {148, 16, 112, 16},     V,                         u"素材所在文件夹位置",                          nullptr,       nullptr,                         H::None,                 0},
{SaveToButton, u"按钮4",          u"save-to button",      PushButton,       BatchGroup,       -1, {275, 40, 44, 16},      VT,                        u"保存到",                                     nullptr,       nullptr,                         H::StartBatch,           0},
{OutputFolderBox, u"编辑框6",     u"output folder box",   EditBox,          BatchGroup,       -1, {44, 40, 224, 16},      VT | Disabled,             u"<desktop>测试",                              nullptr,       nullptr,                         H::None,                 0},
{BrowseButton, u"按钮7",          u"browse button",       PushButton,       BatchGroup,       -1, {275, 16, 44, 16},      VT,                        u"浏览",                                       nullptr,       nullptr,                         H::BrowseMaterialFolder, 0},
{BatchGroup,   u"分组框5",        u"batch group",         GroupBox,         kMakingPage,       0, {196, 232, 328, 64},    V,                         u"批量修改",                                   nullptr,       nullptr,                         H::None,                 0},
{SavePictureButton, u"按钮6",     u"save picture button", PushButton,       SinglePictureGroup, -1, {175, 16, 144, 24},   VT,                        u"保存图片",                                   nullptr,       nullptr,                         H::SavePicture,          0},
{UploadButton, u"按钮5",          u"upload button",       PushButton,       SinglePictureGroup, -1, {10, 16, 146, 24},    VT,                        u"上传图片",                                   nullptr,       nullptr,                         H::Upload,               0},
{SinglePictureGroup, u"分组框4",  u"single-picture group", GroupBox,        kMakingPage,       0, {196, 184, 328, 48},    V,                         u"单样修改",                                   nullptr,       nullptr,                         H::None,                 0},
{CompositionFrame, u"外形框2",    u"composition frame",   ShapeBox,         EffectArea,       -1, kCompositionFrame,      V | Filled,                nullptr,                                      nullptr,       nullptr,                         H::None,                 0},
badgeRow(0),
badgeRow(1),
badgeRow(2),
badgeRow(3),
badgeRow(4),
badgeRow(5),
badgeRow(6),
badgeRow(7),
badgeRow(8),
badgeRow(9),
badgeRow(10),
{CompositionPicture, u"图片框1",  u"composition picture box", PictureBox,   CompositionFrame, -1, material::kPictureRect, V,                         nullptr,                                      nullptr,       assets::kCompositionPicture,    H::None,                 0},
{EffectArea,   u"分组框3",        u"effect area",         GroupBox,         kMakingPage,       0, {8, 24, 184, 272},      V,                         u"效果区",                                     nullptr,       nullptr,                         H::None,                 0},
{NudgeRight,   u"按钮22",         u"nudge button right",  PushButton,       BadgeMovingGroup, -1, {256, 16, 24, 24},      VT,                        u"→",                                         nullptr,       nullptr,                         H::Nudge,                kRight},
{NudgeLeft,    u"按钮21",         u"nudge button left",   PushButton,       BadgeMovingGroup, -1, {232, 16, 24, 24},      VT,                        u"←",                                         nullptr,       nullptr,                         H::Nudge,                kLeft},
{NudgeDown,    u"按钮20",         u"nudge button down",   PushButton,       BadgeMovingGroup, -1, {208, 16, 24, 24},      VT,                        u"↓",                                         nullptr,       nullptr,                         H::Nudge,                kDown},
{0x16011AC8,   u"标签1",          u"label",               Label,            BadgeMovingGroup, -1, {8, 16, 96, 24},        V,                         u"你要移动的图标：",                            nullptr,       nullptr,                         H::None,                 0},
{NudgeUp,      u"按钮19",         u"nudge button up",     PushButton,       BadgeMovingGroup, -1, {184, 16, 24, 24},      VT,                        u"↑",                                         nullptr,       nullptr,                         H::Nudge,                kUp},
{BadgeSelector, u"组合框1",       u"badge selector",      ComboBox,         BadgeMovingGroup, -1, {104, 18, 72, 20},      VT,                        core::kBadges[0].name,                        kBadgeItems,   nullptr,                         H::None,                 0},
{BadgeMovingGroup, u"分组框2",    u"badge moving group",  GroupBox,         kMakingPage,       0, {196, 136, 328, 48},    V,                         u"移动图标专区",                                nullptr,       nullptr,                         H::None,                 0},
toggleRow(10, u"按钮13", {168, 80, 152, 24}),
toggleRow(9, u"按钮18", {88, 80, 72, 24}),
toggleRow(8, u"按钮12", {8, 80, 72, 24}),
toggleRow(7, u"按钮17", {248, 48, 72, 24}),
toggleRow(6, u"按钮11", {168, 48, 72, 24}),
toggleRow(5, u"按钮16", {88, 48, 72, 24}),
toggleRow(4, u"按钮10", {8, 48, 72, 24}),
toggleRow(3, u"按钮15", {248, 16, 72, 24}),
toggleRow(2, u"按钮9", {168, 16, 72, 24}),
toggleRow(1, u"按钮14", {88, 16, 72, 24}),
toggleRow(0, u"按钮8", {8, 16, 72, 24}),
{BadgeKindsGroup, u"分组框1",     u"badge kinds group",   GroupBox,         kMakingPage,       0, {196, 24, 328, 112},    V,                         u"图标种类",                                   nullptr,       nullptr,                         H::None,                 0},
{BatchTimer,   u"时钟1",          u"batch timer",         Timer,            0,                -1, {848, 336, 72, 40},     0,                         nullptr,                                      nullptr,       nullptr,                         H::BatchStep,            0},
{PreviewButton, u"按钮3",         u"preview button",      PushButton,       0,                -1, {840, 296, 80, 32},     VT,                        nullptr,                                      nullptr,       nullptr,                         H::PreviewCurrentFile,   0},
{ReadLineButton, u"按钮2",        u"read-line button",    PushButton,       0,                -1, {856, 56, 48, 24},      VT,                        nullptr,                                      nullptr,       nullptr,                         H::ReadLine,             0},
{LineNumberBox, u"编辑框5",       u"line-number box",     EditBox,          0,                -1, {856, 96, 40, 24},      VT,                        u"1",                                         nullptr,       nullptr,                         H::None,                 0},
{CurrentFileBox, u"编辑框4",      u"current-file box",    EditBox,          0,                -1, {568, 64, 168, 88},     VT | MultiLine,            nullptr,                                      nullptr,       nullptr,                         H::None,                 0},
{FileList,     u"编辑框2",        u"file list",           EditBox,          0,                -1, {544, 176, 816, 80},    VT | MultiLine,            nullptr,                                      nullptr,       nullptr,                         H::None,                 0},
{SpareFormatBox, u"编辑框3",      u"spare format box",    EditBox,          kMakingPage,       0, {224, 472, 40, 24},     VT,                        u"JPG",                                       nullptr,       nullptr,                         H::None,                 0},
{ListFilesButton, u"按钮1",       u"list-files button",   PushButton,       kMakingPage,       0, {912, 336, 48, 24},     VT,                        nullptr,                                      nullptr,       nullptr,                         H::ListFiles,            0},
{core::ids::PageControl, u"选择夹1",        u"page control",        Kind::PageControl, 0,               -1, {0, 0, 536, 312},       V,                         u"制作QQ真人秀|取QQ真人秀",                     nullptr,       nullptr,                         H::None,                 0},
{core::ids::FileDialog, u"通用对话框1",    u"file dialog",         Kind::FileDialog, 0,                -1, {944, 152, 26, 26},     0,                         u"图片文件(*.jpg,*.bmp)|*.jpg;*.bmp",          nullptr,       nullptr,                         H::None,                 0},
}};
// clang-format on

} // namespace

std::span<const Row> layout()
{
    return kRows;
}

const Row* findRow(core::ControlId id)
{
    auto it = std::find_if(kRows.begin(), kRows.end(), [id](const Row& r) { return r.id == id; });
    return it == kRows.end() ? nullptr : &*it;
}

QString windowTitle()
{
    return QString::fromUtf16(kRows[0].text);
}

namespace {

// Depth-first from the window's client area: a parent always before its children, siblings in list order or
// from the back of the list.
std::vector<const Row*> depthFirst(bool backFirst)
{
    std::vector<const Row*> order;
    std::function<void(core::ControlId)> visit = [&](core::ControlId parent) {
        auto take = [&](const Row& r) {
            if (r.kind != Window && r.parent == parent) {
                order.push_back(&r);
                visit(r.id);
            }
        };
        if (backFirst)
            std::for_each(kRows.rbegin(), kRows.rend(), take);
        else
            std::for_each(kRows.begin(), kRows.end(), take);
    };
    visit(0);
    return order;
}

} // namespace

std::vector<const Row*> creationOrder()
{
    return depthFirst(false);
}

std::vector<const Row*> tabOrder()
{
    std::vector<const Row*> order = depthFirst(true);
    std::erase_if(order, [](const Row* r) { return !(r->flags & TabStop); });
    return order;
}

} // namespace ui
