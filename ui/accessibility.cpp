#include "ui/accessibility.h"

#include "core/badges.h"
#include "core/messages.h"
#include "handlers/badges.h"

#include "ui/main_window.h"

#include <QLabel>
#include <QWidget>

#include <iterator>

namespace ui {

namespace {

using namespace core::ids;

using M = core::MessageCode;

// The way a nudge button moves the selected badge, as one character (上, 下, 左 or 右), in the order of
// handlers::Direction.
constexpr M kDirectionWords[] = {M::Up, M::Down, M::Left, M::Right};
static_assert(std::size(kDirectionWords) == static_cast<std::size_t>(handlers::Direction::Right) + 1);

QString directionWord(int argument)
{
    return argument >= 0 && argument < int(std::size(kDirectionWords))
               ? core::chineseText(kDirectionWords[static_cast<std::size_t>(argument)])
               : QString();
}

// What a push button does, by its handler. A handler not listed (the timers', or none) describes nothing.
struct HandlerText {
    Handler handler;
    M description; // %1: the badge a toggle shows or hides, the way a nudge moves
};

constexpr HandlerText kHandlerTexts[] = {
    {Handler::ToggleBadge, M::ToggleBadgeDescription},
    {Handler::Nudge, M::NudgeDescription},
    {Handler::RestoreBadges, M::RestoreBadgesDescription},
    {Handler::Upload, M::UploadDescription},
    {Handler::SavePicture, M::SavePictureDescription},
    {Handler::QqShowLookup, M::QqShowLookupDescription},
    {Handler::SaveQqShow, M::SaveQqShowDescription},
    {Handler::BrowseMaterialFolder, M::BrowseMaterialFolderDescription},
    {Handler::StartBatch, M::StartBatchDescription},
    {Handler::ListFiles, M::ListFilesDescription},
    {Handler::ReadLine, M::ReadLineDescription},
    {Handler::PreviewCurrentFile, M::PreviewDescription},
};

QString handlerDescription(const Row& row)
{
    QString subject;
    if (row.handler == Handler::ToggleBadge)
        subject = QString::fromUtf16(core::kBadges[static_cast<std::size_t>(row.argument)].name);
    else if (row.handler == Handler::Nudge)
        subject = directionWord(row.argument);
    for (const HandlerText& t : kHandlerTexts) {
        if (t.handler == row.handler)
            return core::chineseText(t.description, {subject});
    }
    return {};
}

struct Described {
    core::ControlId id;
    core::MessageCode name;        // None: the control's caption, or the label beside it, names it
    core::MessageCode description; // None: what its handler does describes it
    core::ControlId label = 0;     // the label that names the control, for a screen reader's "labelled by"
};

// The controls whose caption and handler do not say what they are.
// clang-format off
constexpr Described kDescribed[] = {
    {PageControl, M::PageName, M::PageDescription},
    {EffectArea, M::None, M::EffectAreaDescription},
    {BadgeKindsGroup, M::None, M::BadgeKindsDescription},
    {BadgeMovingGroup, M::None, M::BadgeMovingDescription},
    {SinglePictureGroup, M::None, M::SinglePictureDescription},
    {BatchGroup, M::None, M::BatchDescription},
    {AboutGroup, M::None, M::AboutDescription},
    {LookupGroup, M::None, M::LookupDescription},
    {QqShowGroup, M::None, M::QqShowGroupDescription},
    {CompositionFrame, M::CompositionFrameName, M::CompositionFrameDescription},
    {CompositionPicture, M::CompositionPictureName, M::CompositionPictureDescription},
    {ViewerFrame, M::ViewerFrameName, M::ViewerFrameDescription},
    {InnerViewerFrame, M::InnerViewerFrameName, M::InnerViewerFrameDescription},
    {QqShowViewer, M::QqShowViewerName, M::QqShowViewerDescription},
    {QqNumberBox, M::None, M::QqNumberDescription, 0x16011B44},
    {BadgeSelector, M::None, M::BadgeSelectorDescription, 0x16011AC8},
    {MaterialFormatBox, M::None, M::MaterialFormatDescription, 0x16011B5F},
    {MaterialFolderBox, M::MaterialFolderName, M::MaterialFolderDescription},
    {OutputFolderBox, M::None, M::OutputFolderDescription, 0x16011B35},
    {SpareFormatBox, M::SpareFormatName, M::SpareFormatDescription},
    {LineNumberBox, M::LineNumberName, M::LineNumberDescription},
    {CurrentFileBox, M::CurrentFileName, M::CurrentFileDescription},
    {FileList, M::FileListName, M::FileListDescription},
    {PreviewButton, M::PreviewName, M::None},
    {ReadLineButton, M::ReadLineName, M::None},
    {ListFilesButton, M::ListFilesName, M::None},
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
            text = {QString::fromUtf16(badge->name), core::chineseText(core::MessageCode::BadgeDescription)};
        return text;
    }
    if (row.handler == Handler::Nudge)
        text.name = core::chineseText(core::MessageCode::NudgeName, {directionWord(row.argument)});
    else if (row.text && row.kind != Kind::EditBox && row.kind != Kind::ComboBox && row.kind != Kind::WebView &&
             row.kind != Kind::PageControl)
        text.name = QString::fromUtf16(row.text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).trimmed();
    text.description = handlerDescription(row);
    if (const Described* d = described(row.id)) {
        if (d->name != core::MessageCode::None)
            text.name = core::chineseText(d->name);
        else if (const Row* label = d->label ? findRow(d->label) : nullptr)
            text.name = QString::fromUtf16(label->text).remove(core::chineseText(core::MessageCode::LabelColon));
        if (d->description != core::MessageCode::None)
            text.description = core::chineseText(d->description);
    }
    if (text.description.isEmpty() && (row.kind == Kind::Label || row.kind == Kind::TransparentLabel))
        text.description = core::chineseText(core::MessageCode::LabelDescription);
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
