// The built window against its layout: every control where the layout puts it, with its initial properties,
// clipped by its parent, stacked in list order; and the window's own behaviour (Esc, Enter, drag anywhere).
#include "core/badges.h"
#include "test_utils.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/badge_layout_menu.h"
#include "ui/layout.h"

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
        if (id == core::ids::QqNumberBox)
            shown.window().controlAs<PageControl>(core::ids::PageControl)->setCurrentPage(1);
        QWidget* target = shown.widget(id);
        // The press goes where the user's would: to the control under the point.
        if (QWidget* child = target->childAt(at); child && id == core::ids::PageControl)
            target = child;
        const QPoint before = shown.window().pos();
        QTest::mousePress(target, Qt::LeftButton, {}, at);
        QTest::mouseMove(target, at + QPoint(30, 20));
        QTest::mouseRelease(target, Qt::LeftButton, {}, at + QPoint(30, 20));
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

        // The upload dialog's own texts are Chinese. Its filters begin with the layout's and end with all files;
        // between them, every kind of picture the program reads can be picked.
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
        QCOMPARE(filters.value(0), QStringLiteral("图片文件(*.jpg,*.bmp) (*.jpg *.bmp)"));
        QCOMPARE(filters.value(filters.size() - 1), QStringLiteral("所有文件 (*)"));
        for (const char* name :
             {"a.png", "a.gif", "a.ico", "a.cur", "a.pcx", "a.jpeg", "a.bmp", "a.webp", "a.tif", "a.heic", "a.avif"}) {
            const bool offered = std::any_of(filters.begin(), filters.end() - 1, [&](const QString& filter) {
                const QStringList patterns = filter.section(QLatin1Char('('), -1).chopped(1).split(QLatin1Char(' '));
                return QDir::match(patterns, QString::fromLatin1(name));
            });
            QVERIFY2(offered, name);
        }
    }

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
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
