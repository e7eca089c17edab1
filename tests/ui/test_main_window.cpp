// The built window against its layout: every control where the layout puts it, with its initial properties,
// clipped by its parent, stacked in list order, every text whole in its control, every control named for a
// screen reader; and the window's own behaviour (Esc, Enter, drag anywhere, its dialogs' filters).
#include "core/badges.h"
#include "skin/vorlith_skin.h"
#include "test_utils.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/badge_layout_menu.h"
#include "ui/layout.h"

#include <QAccessible>
#include <QListView>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTabBar>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace ui;

namespace {
// The part of a control that shows inside all of its ancestors, in window coordinates.
QRect visibleRect(QWidget* w)
{
    QRect r(w->mapTo(w->window(), QPoint(0, 0)), w->size());
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        r &= QRect(p->mapTo(p->window(), QPoint(0, 0)), p->size());
    return r;
}
// The room a one-line edit box gives its text: the style's contents rectangle less the two pixels the box
// keeps clear at each side of the text.
qreal editRoom(QLineEdit* edit)
{
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.rect = edit->rect();
    opt.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    return edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit).width() - 2 * 2;
}

// Every text of the layout measured in the font its control draws it with against the room its control gives
// it; what would be cut off, with the widths.
QStringList clippedTexts(testutil::ShownWindow& shown)
{
    QStringList clipped;
    for (const Row& row : layout().subspan(1)) {
        QWidget* w = shown.widget(row.id);
        const QString text = row.text ? QString::fromUtf16(row.text) : QString();
        // The user's own folder and the viewer's address are no text of the layout.
        if (!w || text.startsWith(QString::fromUtf16(kDesktopMarker)) || row.kind == Kind::WebView)
            continue;
        const QFontMetricsF metrics(w->font());
        const auto check = [&](const QString& shownText, qreal room, qreal height = 0, qreal roomHeight = 0) {
            const qreal width = metrics.horizontalAdvance(shownText);
            if (width > room || height > roomHeight)
                clipped << QStringLiteral("%1 “%2”: %3 x %4 px in %5 x %6")
                               .arg(QString::fromUtf16(row.formName), shownText)
                               .arg(width)
                               .arg(height)
                               .arg(room)
                               .arg(roomHeight);
        };
        switch (row.kind) {
        case Kind::Label:
        case Kind::TransparentLabel:
            if (row.flags & CentredText) {
                QString lines = text;
                lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                const QRectF needed = metrics.boundingRect(QRectF(w->contentsRect()), Qt::TextWordWrap, lines);
                check(text.section(QLatin1Char('\r'), 0, 0), w->width(), needed.height(), w->height());
            } else {
                check(text, w->contentsRect().width(), metrics.height(), w->height());
            }
            break;
        case Kind::PushButton: {
            if (text.isEmpty())
                break;
            QStyleOptionButton opt;
            opt.initFrom(w);
            opt.text = text;
            check(text,
                  w->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, w).width(),
                  metrics.height(),
                  w->height());
            break;
        }
        case Kind::GroupBox: {
            QStyleOptionGroupBox opt;
            opt.initFrom(w);
            opt.text = text;
            opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            const QRect label = w->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, w);
            check(text, qMin(label.width(), w->width() - label.left()));
            break;
        }
        case Kind::ComboBox: {
            auto* combo = qobject_cast<QComboBox*>(w);
            const qreal room = editRoom(combo->lineEdit());
            for (int i = 0; i < combo->count(); ++i)
                check(combo->itemText(i), room, metrics.height(), combo->lineEdit()->height() + 1);
            check(text, room);
            break;
        }
        case Kind::EditBox:
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                check(text, editRoom(edit), metrics.height(), edit->height());
            break;
        case Kind::PageControl: {
            QTabBar* tabs = qobject_cast<PageControl*>(w)->tabBar();
            // Each caption in its tab, each tab inside the page control.
            for (int i = 0; i < tabs->count(); ++i)
                check(tabs->tabText(i), qMin(tabs->tabRect(i).width(), w->width() - tabs->x() - tabs->tabRect(i).x()));
            break;
        }
        default:
            break;
        }
    }
    return clipped;
}

// Dresses the application in a carried skin, as the program does at start-up.
bool applyCarriedSkin(int number)
{
    QFile skin(QStringLiteral(":/skins/%1.vskin").arg(number, 2, 10, QLatin1Char('0')));
    if (!skin.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = skin.readAll();
    return vorlith_skin_attach(
               reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()), "", 0, 0, 0) ==
           VORLITH_SKIN_OK;
}

bool hasChinese(const QString& text)
{
    return std::any_of(
        text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void everyControlAtItsRectangleWithItsFlags()
    {
        testutil::ShownWindow shown;
        QVERIFY(shown.ok);
        for (const Row& row : layout().subspan(1)) {
            const QString name = QString::fromUtf16(row.formName);
            QObject* control = shown.window().control(row.id);
            QVERIFY2(control, qPrintable(name));
            QCOMPARE(control->objectName(), name);
            auto* w = qobject_cast<QWidget*>(control);
            QCOMPARE(w != nullptr, row.kind != Kind::Timer && row.kind != Kind::FileDialog);
            if (!w)
                continue;
            QVERIFY2(w->geometry() == row.rect, qPrintable(name));
            QVERIFY2(w->isHidden() == !(row.flags & Visible), qPrintable(name));
            QVERIFY2(w->isEnabled() == !(row.flags & Disabled), qPrintable(name));
            QVERIFY2((w->focusPolicy() == Qt::StrongFocus) == bool(row.flags & TabStop), qPrintable(name));
        }
    }

    void initialTexts()
    {
        testutil::ShownWindow shown;
        auto& c = shown.controls();
        QVERIFY(shown.window().windowTitle().startsWith(QStringLiteral("Vorlith真人秀制作工具 Bata2 ")));
        QCOMPARE(c.text(core::ids::BadgeSelector), QStringLiteral("会员Lv7"));
        QCOMPARE(c.text(core::ids::MaterialFormatBox), QStringLiteral("JPG"));
        QCOMPARE(c.text(core::ids::SpareFormatBox), QStringLiteral("JPG"));
        QCOMPARE(c.text(core::ids::LineNumberBox), QStringLiteral("1"));
        QCOMPARE(c.text(core::ids::FileList), QString());
        QCOMPARE(c.text(core::ids::MaterialFolderBox), QString());
        QVERIFY(!c.text(core::ids::QqNumberBox).isEmpty());
        const QString output = c.text(core::ids::OutputFolderBox);
        QVERIFY2(QDir::isAbsolutePath(output) && output.endsWith(QStringLiteral("测试") + QDir::separator()),
                 qPrintable(output));
        for (auto id : {core::ids::BadgeSelector, core::ids::MaterialFormatBox})
            QCOMPARE(shown.window().controlAs<QComboBox>(id)->currentIndex(), -1);
        QCOMPARE(shown.window().controlAs<QComboBox>(core::ids::MaterialFormatBox)->count(), 8);
        QCOMPARE(shown.window().controlAs<QComboBox>(core::ids::MaterialFormatBox)->itemText(7), QStringLiteral("JGj"));
        QCOMPARE(shown.window().controlAs<QAbstractButton>(core::ids::RestoreButton)->text(), QStringLiteral("还原"));
        QCOMPARE(shown.window().controlAs<QGroupBox>(core::ids::EffectArea)->title(), QStringLiteral("效果区"));
        QCOMPARE(c.interval(core::ids::BatchTimer), 0);
        QCOMPARE(c.dialogFileName(core::ids::FileDialog), QString());
    }

    // Dialogs start in the pictures folder (never the program's own folder), then where the user last was; a
    // badge layout saved under a name without a suffix gets ".layout". The first dialogs of this process.
    void dialogsStartWhereTheUserIs()
    {
        testutil::Sandbox home, elsewhere;
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Pictures")));
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", QDir(home.path()).absolutePath().toUtf8());
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", savedHome); });
        testutil::ShownWindow shown;
        QString started;
        const auto noteAndCancel = [&started](QFileDialog* dialog) {
            started = dialog->directory().absolutePath();
            dialog->reject();
        };
        testutil::whenModalOpens<QFileDialog>(noteAndCancel);
        QTest::mouseClick(shown.widget(core::ids::UploadButton), Qt::LeftButton);
        QTRY_COMPARE(started, QDir(home.file(QStringLiteral("Pictures"))).absolutePath());

        testutil::answerFileDialog(elsewhere.file(QStringLiteral("mine")));
        auto* layouts = shown.widget(core::ids::EffectArea)->findChild<ui::BadgeLayoutMenu*>();
        QVERIFY(layouts);
        std::unique_ptr<QMenu> menu(layouts->makeMenu(nullptr));
        menu->actions().constFirst()->trigger();
        QTRY_VERIFY(QFile::exists(elsewhere.file(QStringLiteral("mine.layout"))));

        started.clear();
        testutil::whenModalOpens<QFileDialog>(noteAndCancel);
        QTest::mouseClick(shown.widget(core::ids::BrowseButton), Qt::LeftButton);
        QTRY_COMPARE(started, QDir(elsewhere.path()).absolutePath());
    }

    void typedSelectorTextIsReadAsTyped()
    {
        testutil::ShownWindow shown;
        auto* combo = shown.window().controlAs<QComboBox>(core::ids::BadgeSelector);
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("no such badge"));
        QCOMPARE(shown.controls().text(core::ids::BadgeSelector), QStringLiteral("no such badge"));
    }

    void makingPageShownBadgesAtDefaults()
    {
        testutil::ShownWindow shown;
        QVERIFY(shown.widget(core::ids::EffectArea)->isVisible());
        QVERIFY(!shown.widget(core::ids::QqShowGroup)->isVisible());
        QVERIFY(shown.controls().hasPicture(core::ids::CompositionPicture));
        for (const core::Badge& badge : core::kBadges) {
            QVERIFY(shown.widget(badge.id)->isVisible());
            QCOMPARE(shown.widget(badge.id)->pos(), badge.defaultPos);
        }
    }

    void controlsOutsideTheirParentsDoNotShow()
    {
        testutil::ShownWindow shown;
        const auto clipped = {core::ids::MaterialFolderBox, core::ids::SpareFormatBox, core::ids::ListFilesButton};
        const auto rightOfPages = {core::ids::FileList,
                                   core::ids::CurrentFileBox,
                                   core::ids::LineNumberBox,
                                   core::ids::PreviewButton,
                                   core::ids::ReadLineButton};
        for (auto id : clipped)
            QVERIFY(visibleRect(shown.widget(id)).isEmpty());
        for (auto id : rightOfPages)
            QVERIFY(visibleRect(shown.widget(id)).isEmpty());
        // The whole page control is in the client area.
        QVERIFY(shown.window().rect().contains(shown.widget(core::ids::PageControl)->geometry()));

        // A wider window uncovers what lies right of the pages; parents still clip the others.
        shown.window().resize(1400, 400);
        for (auto id : rightOfPages)
            QTRY_VERIFY(!visibleRect(shown.widget(id)).isEmpty());
        for (auto id : clipped)
            QVERIFY(visibleRect(shown.widget(id)).isEmpty());
    }

    void badgesStackInListOrder()
    {
        testutil::ShownWindow shown;
        QWidget* box = shown.widget(core::ids::CompositionPicture);
        // children() is in stacking order, back first.
        QList<core::ControlId> backToFront;
        for (QObject* child : box->children()) {
            for (const core::Badge& badge : core::kBadges) {
                if (shown.window().control(badge.id) == child)
                    backToFront.prepend(badge.id);
            }
        }
        QCOMPARE(backToFront.size(), core::kBadgeCount);
        for (int i = 0; i < core::kBadgeCount; ++i)
            QCOMPARE(backToFront[i],
                     core::kBadges[static_cast<size_t>(core::kBadgeStacking[static_cast<size_t>(i)])].id);
    }

    void escClosesFromAPushButton()
    {
        testutil::ShownWindow shown;
        QWidget* button = shown.widget(core::ids::UploadButton);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Escape);
        QVERIFY(!shown.window().isVisible());
    }

    void enterClicksNothing()
    {
        testutil::ShownWindow shown;
        auto* button = shown.window().controlAs<QAbstractButton>(core::ids::RestoreButton);
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
        QTest::keyClick(button, Qt::Key_Enter);
        QCOMPARE(clicks.count(), 0);
        QVERIFY(shown.window().isVisible());
    }

    void dragAnywhere_data()
    {
        QTest::addColumn<core::ControlId>("id");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("moves");
        QTest::newRow("label") << core::ControlId(0x16011AC8) << QPoint(5, 5) << true;
        QTest::newRow("label on the QQ Show page") << core::ControlId(0x16011B48) << QPoint(5, 5) << true;
        QTest::newRow("transparent label 查询的QQ：") << core::ControlId(0x16011B44) << QPoint(5, 5) << true;
        QTest::newRow("QQ Show picture") << core::ids::QqShowViewer << QPoint(80, 120) << true;
        QTest::newRow("black margin of the viewer frame") << core::ids::ViewerFrame << QPoint(2, 100) << true;
        QTest::newRow("picture box where no badge covers it")
            << core::ids::CompositionPicture << QPoint(70, 200) << true;
        QTest::newRow("black margin of the frame") << core::ids::CompositionFrame << QPoint(2, 100) << true;
        QTest::newRow("badge") << core::kBadges[10].id << QPoint(4, 8) << true;
        QTest::newRow("group box") << core::ids::BadgeKindsGroup << QPoint(4, 108) << false;
        QTest::newRow("page pane") << core::ids::PageControl << QPoint(3, 305) << false;
        QTest::newRow("push button") << core::ids::RestoreButton << QPoint(5, 5) << false;
        QTest::newRow("edit box") << core::ids::QqNumberBox << QPoint(5, 5) << false;
    }
    void dragAnywhere()
    {
        QFETCH(core::ControlId, id);
        QFETCH(QPoint, at);
        QFETCH(bool, moves);
        testutil::ShownWindow shown;
        QWidget* target = shown.widget(id);
        auto* pages = shown.window().controlAs<PageControl>(core::ids::PageControl);
        if (pages->page(1)->isAncestorOf(target))
            pages->setCurrentPage(1);
        // The press goes where the user's would: to the control under the point (the web view draws its page
        // in a widget of its own, made once the page exists).
        if (QWidget* child = target->childAt(at); child && id == core::ids::PageControl)
            target = child;
        if (id == core::ids::QqShowViewer) {
            QTRY_VERIFY(target->focusProxy());
            target = target->focusProxy();
        }
        QSignalSpy started(&shown.window(), &MainWindow::moveStarted);
        const QPoint before = shown.window().pos();
        QTest::mousePress(target, Qt::LeftButton, {}, at);
        QTest::mouseMove(target, at + QPoint(30, 20));
        QTest::mouseRelease(target, Qt::LeftButton, {}, at + QPoint(30, 20));
        QTRY_COMPARE(started.count(), moves ? 1 : 0);
        // Without a window manager the window follows the mouse by hand.
        if (!moves || !started.constFirst().constFirst().toBool())
            QTRY_COMPARE(shown.window().pos() != before, moves);
    }

    void tabWalksTheSeenControlsInReadingOrder()
    {
        testutil::ShownWindow shown;
        // From the first toggle button round the whole ring, Tab lands only on controls the user sees, never in
        // a multi-line box; the toggle buttons come in their reading order.
        auto isControl = [&](QWidget* w) {
            return std::any_of(layout().begin(), layout().end(), [&](const Row& r) { return shown.widget(r.id) == w; });
        };
        QWidget* first = shown.widget(core::kBadges[0].toggleButton);
        first->setFocus();
        QList<QWidget*> visited{first};
        for (int i = 0; i < 40 && (visited.size() == 1 || visited.constLast() != first); ++i) {
            QTest::keyClick(shown.window().focusWidget(), Qt::Key_Tab);
            QWidget* focus = shown.window().focusWidget();
            while (focus && !isControl(focus))
                focus = focus->parentWidget();
            QVERIFY(focus);
            QVERIFY2(!visibleRect(focus).isEmpty() && focus->isVisible(), qPrintable(focus->objectName()));
            QVERIFY2(!qobject_cast<QPlainTextEdit*>(focus), qPrintable(focus->objectName()));
            visited << focus;
        }
        QCOMPARE(visited.constLast(), first);
        QVERIFY2(visited.size() > core::kBadgeCount + 8, qPrintable(QString::number(visited.size())));
        for (int i = 0; i < core::kBadgeCount; ++i)
            QCOMPARE(visited[i], shown.widget(core::kBadges[static_cast<size_t>(i)].toggleButton));
        // Shift+Tab walks back.
        QTest::keyClick(shown.window().focusWidget(), Qt::Key_Backtab);
        QCOMPARE(shown.window().focusWidget(), visited[visited.size() - 2]);

        // Widened, the file list is seen; Tab leaves it without typing into it.
        shown.window().resize(1400, 400);
        QWidget* list = shown.widget(core::ids::FileList);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Tab);
        QVERIFY(!list->hasFocus());
        QCOMPARE(shown.controls().text(core::ids::FileList), QString());
    }

    void standardDialogsSpeakChinese()
    {
        testutil::ShownWindow shown;
        QStringList buttons;
        testutil::whenModalOpens<QMessageBox>([&](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                buttons << b->text();
            box->reject();
        });
        shown.controls().askYesNo(QStringLiteral("问题"), QStringLiteral("要停止吗？"));
        buttons.sort();
        QCOMPARE(buttons.size(), 2);
        QVERIFY2(buttons[0].startsWith(QStringLiteral("否")) && buttons[1].startsWith(QStringLiteral("是")),
                 qPrintable(buttons.join(QLatin1Char(' '))));

        // The upload dialog's own texts are Chinese. Its filters end with all files; before it, every kind of
        // picture the program reads can be picked.
        QStringList texts;
        QStringList filters;
        testutil::whenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
            for (QLabel* label : dialog->findChildren<QLabel*>())
                texts << label->text();
            for (QAbstractButton* b : dialog->findChildren<QPushButton*>())
                texts << b->text();
            filters = dialog->nameFilters();
            dialog->reject();
        });
        shown.controls().showDialog(core::ids::FileDialog);
        QVERIFY(!texts.isEmpty());
        for (const QString& text : texts)
            QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}"))), qPrintable(text));
        for (const char* name :
             {"a.png", "a.gif", "a.ico", "a.cur", "a.pcx", "a.jpeg", "a.bmp", "a.webp", "a.tif", "a.heic", "a.avif"}) {
            const bool offered = std::any_of(filters.begin(), filters.end() - 1, [&](const QString& filter) {
                const QStringList patterns = filter.section(QLatin1Char('('), -1).chopped(1).split(QLatin1Char(' '));
                return QDir::match(patterns, QString::fromLatin1(name));
            });
            QVERIFY2(offered, name);
        }
    }

    // Every text of the layout is whole in its control: with the interface font alone and in each skin the
    // program carries (the window starts in skin 13). ctest runs this also at 150 % and 200 %.
    void everyTextFitsItsControl_data()
    {
        QTest::addColumn<int>("skin");
        QTest::newRow("interface font, no skin") << 0;
        for (int n = 1; n <= 33; ++n)
            QTest::newRow(qPrintable(QStringLiteral("skin %1").arg(n))) << n;
    }
    void everyTextFitsItsControl()
    {
        QFETCH(int, skin);
        if (!m_shared)
            m_shared = std::make_unique<testutil::ShownWindow>();
        QVERIFY(m_shared->ok);
        if (skin)
            QVERIFY(applyCarriedSkin(skin));
        QCoreApplication::processEvents();
        const QStringList clipped = clippedTexts(*m_shared);
        // The tests after this one see the window undressed again.
        qApp->setStyleSheet(QString());
        QApplication::setPalette(QApplication::style()->standardPalette());
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }

    // A screen reader hears every control by a Chinese name, with a description of what it is or does; the
    // names come from the captions, the badge table and the nudge directions.
    void accessibleNamesAndDescriptions_data()
    {
        QTest::addColumn<core::ControlId>("id");
        QTest::addColumn<QString>("name");
        for (const core::Badge& badge : core::kBadges) {
            QTest::newRow(qPrintable(QStringLiteral("badge %1").arg(QString::fromUtf16(badge.name))))
                << badge.id << QString::fromUtf16(badge.name);
            QTest::newRow(qPrintable(QStringLiteral("toggle %1").arg(QString::fromUtf16(badge.name))))
                << badge.toggleButton << QString::fromUtf16(badge.name);
        }
        QTest::newRow("up") << core::ids::NudgeUp << QStringLiteral("上移");
        QTest::newRow("down") << core::ids::NudgeDown << QStringLiteral("下移");
        QTest::newRow("left") << core::ids::NudgeLeft << QStringLiteral("左移");
        QTest::newRow("right") << core::ids::NudgeRight << QStringLiteral("右移");
        QTest::newRow("effect area") << core::ids::EffectArea << QStringLiteral("效果区");
        QTest::newRow("viewer") << core::ids::QqShowViewer << QStringLiteral("QQ秀图片");
        QTest::newRow("QQ number") << core::ids::QqNumberBox << QStringLiteral("查询的QQ");
        QTest::newRow("badge selector") << core::ids::BadgeSelector << QStringLiteral("你要移动的图标");
        QTest::newRow("format box") << core::ids::MaterialFormatBox << QStringLiteral("素材格式");
        QTest::newRow("upload") << core::ids::UploadButton << QStringLiteral("上传图片");
        QTest::newRow("every other control") << core::ControlId(0) << QString();
    }
    void accessibleNamesAndDescriptions()
    {
        QFETCH(core::ControlId, id);
        QFETCH(QString, name);
        if (!m_shared)
            m_shared = std::make_unique<testutil::ShownWindow>();
        QVERIFY(m_shared->ok);
        // A combo box is named by the label it is labelled by (on Linux its own name is its text).
        const auto heard = [&](core::ControlId control) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(m_shared->widget(control));
            if (!face)
                return std::pair(QString(), QString());
            QString heardName = face->text(QAccessible::Name);
            for (const auto& [label, relation] : face->relations(QAccessible::Label)) {
                if (face->role() == QAccessible::ComboBox && label->role() == QAccessible::StaticText) {
                    heardName = label->text(QAccessible::Name).remove(QStringLiteral("："));
                    break;
                }
            }
            return std::pair(heardName, face->text(QAccessible::Description));
        };
        if (id) {
            const auto [heardName, description] = heard(id);
            QCOMPARE(heardName, name);
            QVERIFY2(hasChinese(description), qPrintable(description));
            return;
        }
        QSet<QString> descriptions;
        for (const Row& row : layout().subspan(1)) {
            if (!m_shared->widget(row.id))
                continue;
            const auto [heardName, description] = heard(row.id);
            const QString form = QString::fromUtf16(row.formName);
            QVERIFY2(hasChinese(heardName) && hasChinese(description), qPrintable(form + QLatin1Char(' ') + heardName));
            // A toggle button's description names its own badge, a nudge's its own way.
            if (row.kind == Kind::PushButton)
                QVERIFY2(!descriptions.contains(description), qPrintable(form + QLatin1Char(' ') + description));
            if (row.kind == Kind::PushButton)
                descriptions.insert(description);
        }
    }

    // Each dialog's filters: the ones it opens on first, each description shown once, as written. The
    // save dialog shows the PNG pictures the program wrote; the open dialog every kind the program reads.
    void dialogFiltersShowEachDescriptionOnce_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("firstShown");
        QTest::newRow("save") << int(core::DialogMode::Save)
                              << QStringList{QStringLiteral("PNG 图片 (*.png)"),
                                             QStringLiteral("图片文件(*.jpg,*.bmp)")};
        QTest::newRow("open") << int(core::DialogMode::Open)
                              << QStringList{QStringLiteral("所有支持的图片"),
                                             QStringLiteral("图片文件(*.jpg,*.bmp)"),
                                             QStringLiteral("JPEG 图片 (*.jpg *.jpeg *.jpe *.jfif)")};
    }
    void dialogFiltersShowEachDescriptionOnce()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, firstShown);
        testutil::Sandbox dir;
        const QStringList files{QStringLiteral("card.png"),
                                QStringLiteral("photo.heic"),
                                QStringLiteral("a.jpeg"),
                                QStringLiteral("b.webp"),
                                QStringLiteral("c.JPG"),
                                QStringLiteral("notes.txt")};
        for (const QString& name : files)
            QVERIFY(dir.write(name, "x"));
        testutil::ShownWindow shown;
        shown.controls().setDialogMode(core::ids::FileDialog, core::DialogMode(mode));
        QStringList shownFilters;
        QStringList listed;
        testutil::whenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
            dialog->setDirectory(dir.path());
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; types && i < types->count(); ++i)
                shownFilters << types->itemText(i);
            // The folder is read in the background: its files show within a moment.
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            const auto rows = [view] { return view ? view->model()->rowCount(view->rootIndex()) : 0; };
            (void)QTest::qWaitFor([&] { return rows() > 0; }); // the listing below says what came
            QTest::qWait(100);
            for (int i = 0; i < rows(); ++i)
                listed << view->model()->index(i, 0, view->rootIndex()).data().toString();
            dialog->reject();
        });
        shown.controls().showDialog(core::ids::FileDialog);
        QCOMPARE(shownFilters.mid(0, firstShown.size()), firstShown);
        QCOMPARE(QSet<QString>(shownFilters.begin(), shownFilters.end()).size(), shownFilters.size());
        for (const QString& filter : shownFilters)
            QVERIFY2(!filter.contains(QStringLiteral(") (")), qPrintable(filter));
        listed.sort();
        QStringList expected = mode == int(core::DialogMode::Save) ? QStringList{QStringLiteral("card.png")}
                                                                   : QStringList{QStringLiteral("a.jpeg"),
                                                                                 QStringLiteral("b.webp"),
                                                                                 QStringLiteral("c.JPG"),
                                                                                 QStringLiteral("card.png"),
                                                                                 QStringLiteral("photo.heic")};
        QCOMPARE(listed, expected);
    }

    void cleanupTestCase() { m_shared.reset(); }

    void pressOnABadgeActsOnlyOnItsShape()
    {
        testutil::ShownWindow shown;
        const core::Badge& vip = core::kBadges[0];
        auto* badge = shown.window().controlAs<BadgeButton>(vip.id);
        // Find one pixel of the badge's shape and one transparent pixel inside its rectangle.
        QPoint opaque(-1, -1), clear(-1, -1);
        const QImage bitmap = badge->bitmap().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < badge->height(); ++y) {
            for (int x = 0; x < badge->width(); ++x) {
                const bool inBitmap = x < bitmap.width() && y < bitmap.height();
                const bool key = !inBitmap || (bitmap.pixel(x, y) & 0xFFFFFF) == core::kBadgeKeyColour;
                (key ? clear : opaque) = QPoint(x, y);
            }
        }
        QVERIFY(opaque.x() >= 0 && clear.x() >= 0);
        QCOMPARE(badge->childAt(opaque), nullptr);
        QVERIFY(badge->mask().contains(opaque));
        QVERIFY(!badge->mask().contains(clear));
    }

private:
    std::unique_ptr<testutil::ShownWindow> m_shared; // one window for the data-driven looks at every control
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
