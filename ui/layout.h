#pragma once

#include "core/control_ids.h"

#include <QRect>
#include <QString>

#include <span>

// The main window as data: one row for the window and one per control, in list order. The builder turns the
// rows into widgets; nothing about a control is decided anywhere else. The badges' rows, the toggle buttons'
// captions and the selector's items are made from the badge table (core/badges.h), which holds those facts.
namespace ui {

enum class Kind {
    Window,
    PageControl,
    GroupBox,
    PushButton,
    PictureButton, // a badge
    PictureBox,
    ShapeBox,
    Label,
    TransparentLabel,
    EditBox,
    ComboBox,
    WebView,
    Timer,      // no window
    FileDialog, // no window
};

// What a control's event runs. Families of like handlers share one entry and differ by the row's argument.
enum class Handler {
    None,
    StartUp,      // the window's created event
    QqShowLookup, // query button
    SaveQqShow,
    ToggleBadge, // argument: index into core::kBadges
    Nudge,       // argument: a handlers::Direction
    RestoreBadges,
    Upload,
    SavePicture,
    BrowseMaterialFolder,
    StartBatch,
    ListFiles,
    BatchStep, // the timer's tick
    ReadLine,
    PreviewCurrentFile,
};

enum Flag : unsigned {
    Visible = 1u << 0,
    Disabled = 1u << 1,
    TabStop = 1u << 2,
    MultiLine = 1u << 3,   // edit box: Enter starts a new line, no scroll bars, long lines wrap
    CentredText = 1u << 4, // edit box text centred; label centred both ways and wrapping
    Filled = 1u << 5,      // shape box: black fill inside the outline
};

// A row's text may begin with this marker: the rest is a path below the user's desktop folder.
inline constexpr char16_t kDesktopMarker[] = u"<desktop>";
// The web view's initial address may begin with this marker: it stands for the picture server's base address.
inline constexpr char16_t kServerMarker[] = u"<server>";

struct Row {
    core::ControlId id;
    const char16_t* formName;
    const char16_t* role;
    Kind kind;
    core::ControlId parent; // 0: the main window's client area
    int page;               // children of the page control: 0 making page, 1 QQ Show page; otherwise -1
    QRect rect;             // relative to the parent's client area
    unsigned flags;
    const char16_t* text;  // caption, initial text, or the web view's initial address
    const char16_t* items; // combo box items, separated by '|'
    const char* picture;   // resource path of the carried picture
    Handler handler;
    int argument;
};

// The window row first, then the 68 controls in list order (the first of siblings is in front).
std::span<const Row> layout();

// The row of a control, or nullptr.
const Row* findRow(core::ControlId id);

// The window title; the credits follow the program name.
QString windowTitle();

// An order in which every control comes after its parent (list order within a parent kept).
std::vector<const Row*> creationOrder();

// The tab stops in the order Tab visits them: parents before their children, and siblings from the back of the
// list to its front. The list stacks siblings front first, so from the back it reads each group as it is
// laid out: left to right, then top to bottom.
std::vector<const Row*> tabOrder();

} // namespace ui
