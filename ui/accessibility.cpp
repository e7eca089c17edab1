#include "ui/accessibility.h"

#include "core/badges.h"
#include "handlers/badges.h"

#include "ui/main_window.h"

#include <QLabel>
#include <QWidget>

namespace ui {

namespace {

using namespace core::ids;

// The way a nudge button moves the selected badge, as one character: 上, 下, 左 or 右.
QString directionWord(int argument)
{
    switch (static_cast<handlers::Direction>(argument)) {
    case handlers::Direction::Up:
        return QStringLiteral("上");
    case handlers::Direction::Down:
        return QStringLiteral("下");
    case handlers::Direction::Left:
        return QStringLiteral("左");
    case handlers::Direction::Right:
        return QStringLiteral("右");
    }
    return {};
}

// What a push button does, by its handler; empty for controls that run none.
QString handlerDescription(const Row& row)
{
    switch (row.handler) {
    case Handler::ToggleBadge:
        return QStringLiteral("显示或隐藏效果区的图标“%1”")
            .arg(QString::fromUtf16(core::kBadges[static_cast<std::size_t>(row.argument)].name));
    case Handler::Nudge:
        return QStringLiteral("把“你要移动的图标”选中的图标向%1移动一像素").arg(directionWord(row.argument));
    case Handler::RestoreBadges:
        return QStringLiteral("把所有图标放回原来的位置");
    case Handler::Upload:
        return QStringLiteral("选择一张图片，显示在效果区的图标下面");
    case Handler::SavePicture:
        return QStringLiteral("把效果区的画面保存为图片文件");
    case Handler::QqShowLookup:
        return QStringLiteral("查询所填QQ号的QQ秀");
    case Handler::SaveQqShow:
        return QStringLiteral("把显示的QQ秀保存为图片文件");
    case Handler::BrowseMaterialFolder:
        return QStringLiteral("选择素材所在的文件夹");
    case Handler::StartBatch:
        return QStringLiteral("选择保存的文件夹，把每个素材做成一张图片");
    case Handler::ListFiles:
        return QStringLiteral("列出素材文件夹里的素材文件");
    case Handler::ReadLine:
        return QStringLiteral("读出文件列表的一行");
    case Handler::PreviewCurrentFile:
        return QStringLiteral("在效果区预览当前的素材文件");
    case Handler::None:
    case Handler::StartUp:
    case Handler::BatchStep:
        break;
    }
    return {};
}

struct Described {
    core::ControlId id;
    const char16_t* name;        // nullptr: the control's caption, or the label beside it, names it
    const char16_t* description; // nullptr: what its handler does describes it
    core::ControlId label = 0;   // the label that names the control, for a screen reader's "labelled by"
};

// The controls whose caption and handler do not say what they are.
// clang-format off
constexpr Described kDescribed[] = {
    {PageControl,        u"页面",           u"两页：制作QQ真人秀，取QQ真人秀"},
    {EffectArea,         nullptr,           u"图片和十一个图标合成的效果；点击图标选中它，方向键移动它"},
    {BadgeKindsGroup,    nullptr,           u"每个按钮显示或隐藏一个图标"},
    {BadgeMovingGroup,   nullptr,           u"把选中的图标一像素一像素地移动"},
    {SinglePictureGroup, nullptr,           u"上传一张图片，或保存效果区的画面"},
    {BatchGroup,         nullptr,           u"把一个文件夹的素材逐个做成图片"},
    {AboutGroup,         nullptr,           u"软件和作者的说明"},
    {LookupGroup,        nullptr,           u"按QQ号查询并保存QQ秀"},
    {QqShowGroup,        nullptr,           u"查询到的QQ秀"},
    {CompositionFrame,   u"效果图框",       u"保存图片时保存的画面：黑边里的图片和图标"},
    {CompositionPicture, u"效果图片",       u"图标下面的图片；可以把图片文件拖到这里"},
    {ViewerFrame,        u"QQ秀图框",       u"保存QQ秀时保存的画面"},
    {InnerViewerFrame,   u"QQ秀内框",       u"QQ秀图片的边框"},
    {QqShowViewer,       u"QQ秀图片",       u"查询到的QQ秀图片"},
    {QqNumberBox,        nullptr,           u"要查询QQ秀的QQ号",                     0x16011B44},
    {BadgeSelector,      nullptr,           u"方向按钮移动的图标的名字",             0x16011AC8},
    {MaterialFormatBox,  nullptr,           u"批量修改时列出的素材文件的扩展名",     0x16011B5F},
    {MaterialFolderBox,  u"素材文件夹",     u"批量修改的素材所在的文件夹"},
    {OutputFolderBox,    nullptr,           u"批量修改的图片保存到的文件夹",         0x16011B35},
    {SpareFormatBox,     u"备用格式",       u"备用的素材格式"},
    {LineNumberBox,      u"行号",           u"批量修改下一个要读的文件列表的行"},
    {CurrentFileBox,     u"当前文件",       u"批量修改当前的素材文件"},
    {FileList,           u"文件列表",       u"批量修改的素材文件，一行一个"},
    {PreviewButton,      u"预览",           nullptr},
    {ReadLineButton,     u"读一行",         nullptr},
    {ListFilesButton,    u"列出文件",       nullptr},
};
// clang-format on

const Described* described(core::ControlId id)
{
    for (const Described& d : kDescribed) {
        if (d.id == id)
            return &d;
    }
    return nullptr;
}

} // namespace

AccessibleText accessibleText(const Row& row)
{
    AccessibleText text;
    if (row.kind == Kind::PictureButton) {
        const core::Badge* badge = nullptr;
        for (const core::Badge& b : core::kBadges)
            badge = b.id == row.id ? &b : badge;
        if (badge)
            text = {QString::fromUtf16(badge->name), QStringLiteral("图标；点击选中它，拖动它移动窗口")};
        return text;
    }
    if (row.handler == Handler::Nudge)
        text.name = directionWord(row.argument) + QStringLiteral("移");
    else if (row.text && row.kind != Kind::EditBox && row.kind != Kind::ComboBox && row.kind != Kind::WebView &&
             row.kind != Kind::PageControl)
        text.name = QString::fromUtf16(row.text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).trimmed();
    text.description = handlerDescription(row);
    if (const Described* d = described(row.id)) {
        if (d->name)
            text.name = QString::fromUtf16(d->name);
        else if (const Row* label = d->label ? findRow(d->label) : nullptr)
            text.name = QString::fromUtf16(label->text).remove(QStringLiteral("："));
        if (d->description)
            text.description = QString::fromUtf16(d->description);
    }
    if (text.description.isEmpty() && (row.kind == Kind::Label || row.kind == Kind::TransparentLabel))
        text.description = QStringLiteral("说明文字");
    return text;
}

void describeForAccessibility(const Row& row, QWidget& widget)
{
    const AccessibleText text = accessibleText(row);
    widget.setAccessibleName(text.name);
    widget.setAccessibleDescription(text.description);
}

void linkLabels(const MainWindow& window)
{
    for (const Described& d : kDescribed) {
        auto* label = window.controlAs<QLabel>(d.label);
        if (label && window.widget(d.id))
            label->setBuddy(window.widget(d.id));
    }
}

} // namespace ui
