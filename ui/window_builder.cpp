#include "ui/window_builder.h"

#include "assets/assets.h"
#include "handlers/qq_show.h"
#include "ui/accessibility.h"
#include "ui/badge_editing.h"
#include "ui/badge_layout_menu.h"
#include "ui/control_widgets.h"
#include "ui/file_dialog.h"
#include "ui/picture_drop.h"
#include "ui/web_view.h"
#include "ui/widget_controls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>

#include <algorithm>

namespace ui {

namespace {

QString rowText(const Row& row)
{
    QString text = row.text ? QString::fromUtf16(row.text) : QString();
    const QString desktop = QString::fromUtf16(kDesktopMarker);
    const QString server = QString::fromUtf16(kServerMarker);
    if (text.startsWith(desktop)) {
        // A folder below the user's desktop, kept with its trailing separator.
        const QString base = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        text = QDir::toNativeSeparators(base + QLatin1Char('/') + text.mid(desktop.size()) + QLatin1Char('/'));
    } else if (text.startsWith(server)) {
        text = handlers::pictureServerBase() + text.mid(server.size());
    }
    return text;
}

// List items one pixel taller than the style's own.
class TallerItems : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 1);
    }
};

// Keeps a label's or a combo box's texts whole in its fixed size: drawn at the interface font when they fit,
// otherwise at the largest smaller pixel size at which they do; the layout's rectangle stays. Measured again
// whenever the size or the style changes, since a skin's borders and padding change the room a combo box gives its
// text. Unrounded widths, as the text is laid out at 150 %.
class TextFit : public QObject {
public:
    explicit TextFit(QWidget& control) : QObject(&control), m_control(control)
    {
        const QFont font = control.font();
        m_pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
        control.installEventFilter(this);
        fit();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::StyleChange || event->type() == QEvent::Resize)
            fit();
        return false;
    }

private:
    static constexpr int kSmallestPixels = 9;
    // The combo box's room is its edit field less the two pixels its line edit keeps clear at each side.
    static constexpr int kLineEditMargins = 2 * 2;

    void fit()
    {
        QStringList texts;
        qreal room = m_control.width();
        if (auto* label = qobject_cast<QLabel*>(&m_control)) {
            texts << label->text();
            room = label->contentsRect().width();
        } else if (auto* combo = qobject_cast<QComboBox*>(&m_control)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            opt.editable = combo->isEditable();
            opt.frame = combo->hasFrame();
            opt.subControls = QStyle::SC_All;
            room =
                combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo).width() -
                kLineEditMargins;
        }
        QFont font = m_control.font();
        int pixels = m_pixels;
        const auto fits = [&] {
            font.setPixelSize(pixels);
            const QFontMetricsF metrics(font);
            return std::all_of(
                texts.begin(), texts.end(), [&](const QString& t) { return metrics.horizontalAdvance(t) <= room; });
        };
        while (pixels > kSmallestPixels && !fits())
            --pixels;
        if (pixels != QFontInfo(m_control.font()).pixelSize()) {
            font.setPixelSize(pixels);
            m_control.setFont(font);
        }
    }

    QWidget& m_control;
    int m_pixels;
};

QWidget* makeEdit(const Row& row, QWidget* parent)
{
    if (row.flags & MultiLine) {
        auto* box = new QPlainTextEdit(parent);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        // Tab moves the focus on, as from every other control; the boxes hold lines, never tab characters.
        box->setTabChangesFocus(true);
        box->setPlainText(rowText(row));
        return box;
    }
    auto* edit = new QLineEdit(rowText(row), parent);
    if (row.flags & CentredText)
        edit->setAlignment(Qt::AlignCenter);
    return edit;
}

QWidget* makeCombo(const Row& row, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The text stays as typed: no completion from the items, and Enter never swaps the text for an item that
    // differs from it in letter case.
    combo->setCompleter(nullptr);
    combo->setDuplicatesEnabled(true);
    combo->addItems(QString::fromUtf16(row.items).split(QLatin1Char('|')));
    combo->setItemDelegate(new TallerItems(combo));
    combo->view()->setMinimumHeight(160);
    combo->setCurrentIndex(-1); // no item selected; the edit field shows the initial text
    combo->setEditText(rowText(row));
    combo->resize(row.rect.size());
    new TextFit(*combo);
    return combo;
}

QWidget* makeLabel(const Row& row, QWidget* parent)
{
    QString text = rowText(row);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QLabel* label = row.kind == Kind::TransparentLabel ? new TransparentLabel(text, parent) : new QLabel(text, parent);
    if (row.flags & CentredText) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
    } else {
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->resize(row.rect.size()); // measured at its own size, also while hidden with its page
        new TextFit(*label);
    }
    return label;
}

QObject* makeControl(const Row& row, QWidget* parent, MainWindow& window)
{
    switch (row.kind) {
    case Kind::PageControl:
        return new PageControl(rowText(row).split(QLatin1Char('|')), parent);
    case Kind::GroupBox:
        return new GroupBox(rowText(row), parent);
    case Kind::PushButton:
        return new QPushButton(rowText(row), parent);
    case Kind::PictureButton:
        return new BadgeButton(QImage::fromData(assets::resourceBytes(QString::fromLatin1(row.picture))), parent);
    case Kind::PictureBox: {
        auto* box = new PictureBox(parent);
        box->resize(row.rect.size());
        box->setPictureBytes(assets::resourceBytes(QString::fromLatin1(row.picture)));
        return box;
    }
    case Kind::ShapeBox:
        return new ShapeBox(row.flags & Filled, parent);
    case Kind::Label:
    case Kind::TransparentLabel:
        return makeLabel(row, parent);
    case Kind::EditBox:
        return makeEdit(row, parent);
    case Kind::ComboBox:
        return makeCombo(row, parent);
    case Kind::WebView:
        return new WebView(parent);
    case Kind::Timer:
        return new TimerControl(&window);
    case Kind::FileDialog:
        return new FileDialogControl(rowText(row), &window);
    case Kind::Window:
        break;
    }
    return nullptr;
}

QWidget* parentWidget(const Row& row, MainWindow& window)
{
    if (row.parent == 0)
        return &window;
    QObject* parent = window.control(row.parent);
    if (auto* pages = qobject_cast<PageControl*>(parent))
        return pages->page(row.page);
    return qobject_cast<QWidget*>(parent);
}

void applyRow(const Row& row, QWidget* w, MainWindow& window)
{
    const bool drawn = row.kind == Kind::PictureBox || row.kind == Kind::PictureButton || row.kind == Kind::ShapeBox;
    if (drawn)
        w->setAttribute(Qt::WA_OpaquePaintEvent, row.kind != Kind::PictureButton);
    // Drag anywhere: these kinds move the window, the QQ Show picture too (drawn in a widget the view makes
    // once its page exists); a group box and the page pane do not.
    if (drawn || row.kind == Kind::Label || row.kind == Kind::TransparentLabel || row.kind == Kind::WebView)
        window.addDragHandle(row.id, w, row.kind == Kind::WebView);
    w->setGeometry(row.rect);
    describeForAccessibility(row, *w);
    w->setEnabled(!(row.flags & Disabled));
    w->setFocusPolicy((row.flags & TabStop) ? Qt::StrongFocus : Qt::NoFocus);
    w->setVisible(row.flags & Visible);
}

// Siblings are stacked in list order, the first in front: raising them from last to first leaves the first on top.
void stackInListOrder(MainWindow& window)
{
    const auto rows = layout();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (QWidget* w = window.widget(it->id); w && it->kind != Kind::Window)
            w->raise();
    }
    if (auto* pages = window.controlAs<PageControl>(core::ids::PageControl))
        pages->tabBar()->raise();
}

// Every handler runs through the badges' history, so whichever of them changes the badges makes one undo step.
void bindEvent(
    const Row& row, QObject* control, WidgetControls& controls, const HandlerTable& handlers, BadgeHistory& history)
{
    HandlerFn found = handlers.find(row.handler);
    if (!found)
        return;
    const int nudge = row.handler == Handler::Nudge ? row.argument : -1;
    auto run = [fn = std::move(found), &controls, &history, argument = row.argument, nudge] {
        history.record([&] { fn(controls, argument); }, nudge);
    };
    if (auto* button = qobject_cast<QPushButton*>(control))
        QObject::connect(button, &QPushButton::clicked, button, run);
    else if (auto* timer = qobject_cast<TimerControl*>(control))
        QObject::connect(timer, &TimerControl::tick, timer, run);
}

} // namespace

QPoint centredPosition(QSize screen, QSize window)
{
    return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2};
}

BuiltWindow buildMainWindow(const HandlerTable& handlers)
{
    BuiltWindow built;
    built.window = std::make_unique<MainWindow>();
    built.controls = std::make_unique<WidgetControls>(*built.window);
    MainWindow& window = *built.window;
    window.setWindowIcon(QIcon(QString::fromLatin1(layout()[0].picture)));
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* history = new BadgeHistory(*built.controls, &window);
    for (const Row* row : creationOrder()) {
        QWidget* parent = parentWidget(*row, window);
        if (!parent)
            return {};
        QObject* control = makeControl(*row, parent, window);
        if (!control)
            return {};
        control->setObjectName(QString::fromUtf16(row->formName));
        window.addControl(row->id, control);
        if (auto* w = qobject_cast<QWidget*>(control))
            applyRow(*row, w, window);
        bindEvent(*row, control, *built.controls, handlers, *history);
    }
    stackInListOrder(window);
    linkLabels(window);
    if (const HandlerTable::CloseQuery& query = handlers.closeQuery())
        window.setCloseQuery([query, &controls = *built.controls] { return query(controls); });
    installBadgeLayoutMenu(window, *built.controls, *history);
    installBadgeEditing(window, *built.controls, *history);
    installPictureDrop(window, *built.controls);
    if (auto* view = window.controlAs<WebView>(core::ids::QqShowViewer))
        view->setAddress(rowText(*findRow(core::ids::QqShowViewer)));

    // The client area holds the page control whole; the controls right of it show when the window is widened.
    const QRect pages = findRow(core::ids::PageControl)->rect;
    window.resize(pages.right() + 1, pages.bottom() + 1);
    return built;
}

void raiseCreated(BuiltWindow& built, const HandlerTable& handlers)
{
    if (HandlerFn fn = handlers.find(layout()[0].handler))
        fn(*built.controls, 0);
}

} // namespace ui
