#include "skin/style_builder.h"

#include <QStringList>

namespace skin {

namespace {

QString hex(const QColor& c)
{
    return c.name(QColor::HexRgb);
}

// The colour halfway between two others, for disabled texts and pressed buttons.
QColor mix(const QColor& a, const QColor& b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// The grey of the same lightness, for what takes no input.
QColor grey(const QColor& c)
{
    const int v = qGray(c.rgb());
    return QColor(v, v, v);
}

// Replaces each "@name" of a template by its value; longer names first so "@text" does not eat "@textOn".
QString fill(QString sheet, const QList<std::pair<QString, QString>>& values)
{
    for (const auto& [name, value] : values)
        sheet.replace(QLatin1Char('@') + name, value);
    return sheet;
}

// One template for every skin: the skins differ in palette and metrics only, so every control keeps the same
// shape and size whatever the skin, and the window's fixed layout never clips a caption (push buttons get no
// padding: the layout has buttons as narrow as their two-character captions). Combo boxes get almost none and a
// narrow arrow: the badge selector, 72 pixels wide, holds four-character names ("情侣红钻", 48 pixels at the
// interface font) in its edit field; so a skin's padding metric is read but the fixed layout has no room for it.
const char* const kTemplate = R"(
* { font-family: "WenQuanYi Micro Hei"; }
QToolTip { color: @text; background: @base; border: 1px solid @border; }
QPushButton { color: @buttonText; background: @button; border: @bwpx solid @border; border-radius: @radiuspx;
  padding: 0px; }
QPushButton:hover { background: @hover; }
QPushButton:pressed { background: @pressed; }
QPushButton:disabled { color: @disabledText; }
QPushButton:default { border-color: @accent; }
QPushButton:checked { background: @pressed; border-color: @windowText; }
QLineEdit, QTextEdit, QPlainTextEdit, QComboBox, QSpinBox { color: @text; background: @base;
  border: @bwpx solid @border; border-radius: @radiuspx; selection-color: @highlightText;
  selection-background-color: @highlight; }
QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus, QComboBox:focus { border-color: @accent; }
QLineEdit:disabled, QTextEdit:disabled, QPlainTextEdit:disabled, QComboBox:disabled, QSpinBox:disabled {
  color: @greyedText; background: @greyed; }
QComboBox { padding: 1px 0px 1px 1px; }
QComboBox::drop-down { width: 14px; }
QComboBox QAbstractItemView { color: @text; background: @base; border: 1px solid @border;
  selection-color: @highlightText; selection-background-color: @highlight; }
QGroupBox { color: @accent; border: @bwpx solid @border; border-radius: @radiuspx; margin-top: 8px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }
QGroupBox:focus { border-color: @accent; }
QTabWidget::pane { border: @bwpx solid @border; background: @window; top: -1px; }
QTabBar::tab { color: @windowText; background: @tabIdle; border: @bwpx solid @border; padding: 3px 10px;
  border-top-left-radius: @radiuspx; border-top-right-radius: @radiuspx; margin-right: 2px; }
QTabBar::tab:selected { color: @highlightText; background: @accent; border-color: @accent; }
QTabBar::tab:hover:!selected { background: @hover; color: @buttonText; }
QLabel { color: @windowText; background: transparent; }
QCheckBox, QRadioButton { color: @windowText; }
QScrollBar:vertical { background: @window; width: 12px; margin: 0; }
QScrollBar:horizontal { background: @window; height: 12px; margin: 0; }
QScrollBar::handle { background: @border; border-radius: 4px; min-height: 20px; min-width: 20px; }
QScrollBar::handle:hover { background: @accent; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
QMenu { color: @text; background: @base; border: 1px solid @border; }
QMenu::item:selected { color: @highlightText; background: @highlight; }
)";

} // namespace

QPalette buildPalette(const SkinDescription& s)
{
    QPalette p;
    p.setColor(QPalette::Window, s.colour(Role::Window));
    p.setColor(QPalette::WindowText, s.colour(Role::WindowText));
    p.setColor(QPalette::Base, s.colour(Role::Base));
    p.setColor(QPalette::AlternateBase, mix(s.colour(Role::Base), s.colour(Role::Window)));
    p.setColor(QPalette::Text, s.colour(Role::Text));
    p.setColor(QPalette::Button, s.colour(Role::Button));
    p.setColor(QPalette::ButtonText, s.colour(Role::ButtonText));
    p.setColor(QPalette::Highlight, s.colour(Role::Highlight));
    p.setColor(QPalette::HighlightedText, s.colour(Role::HighlightText));
    p.setColor(QPalette::ToolTipBase, s.colour(Role::Base));
    p.setColor(QPalette::ToolTipText, s.colour(Role::Text));
    p.setColor(QPalette::PlaceholderText, mix(s.colour(Role::Text), s.colour(Role::Base)));
    p.setColor(QPalette::Link, s.colour(Role::Accent));
    p.setColor(QPalette::Mid, s.colour(Role::Border));
    const QColor disabled = mix(s.colour(Role::WindowText), s.colour(Role::Window));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

QString buildStyleSheet(const SkinDescription& s)
{
    const QString pressed = hex(mix(s.colour(Role::Button), s.colour(Role::Border)));
    const QString tabIdle = hex(mix(s.colour(Role::Window), s.colour(Role::Base)));
    const QString disabledText = hex(mix(s.colour(Role::ButtonText), s.colour(Role::Button)));
    // A disabled edit box is greyed: a grey between the window and the borders, its text halfway to that grey.
    const QColor greyed = grey(mix(s.colour(Role::Window), s.colour(Role::Border)));
    const QString greyedText = hex(grey(mix(s.colour(Role::Text), greyed)));
    return fill(QString::fromLatin1(kTemplate),
                {
                    {QStringLiteral("highlightText"), hex(s.colour(Role::HighlightText))},
                    {QStringLiteral("disabledText"), disabledText},
                    {QStringLiteral("greyedText"), greyedText},
                    {QStringLiteral("greyed"), hex(greyed)},
                    {QStringLiteral("buttonText"), hex(s.colour(Role::ButtonText))},
                    {QStringLiteral("windowText"), hex(s.colour(Role::WindowText))},
                    {QStringLiteral("highlight"), hex(s.colour(Role::Highlight))},
                    {QStringLiteral("pressed"), pressed},
                    {QStringLiteral("tabIdle"), tabIdle},
                    {QStringLiteral("button"), hex(s.colour(Role::Button))},
                    {QStringLiteral("window"), hex(s.colour(Role::Window))},
                    {QStringLiteral("border"), hex(s.colour(Role::Border))},
                    {QStringLiteral("accent"), hex(s.colour(Role::Accent))},
                    {QStringLiteral("hover"), hex(s.colour(Role::Hover))},
                    {QStringLiteral("base"), hex(s.colour(Role::Base))},
                    {QStringLiteral("text"), hex(s.colour(Role::Text))},
                    {QStringLiteral("radius"), QString::number(s.radius)},
                    {QStringLiteral("bw"), QString::number(s.borderWidth)},
                });
}

} // namespace skin
