// The badge overlay and the composition frame on the real window: the handlers through real button clicks,
// the rendered frame against a frame computed here pixel by pixel, and loading and saving single pictures
// through the real file dialog.
#include "core/badges.h"
#include "picture_box_contract.h"
#include "test_utils.h"
#include "testsupport/picture_bytes.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/badge_editing.h"
#include "ui/badge_layout_menu.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QtTest>

using namespace core;

namespace {

using picturebytes::knownPicture;
// A w x h picture whose every pixel differs from its neighbours, drawn from `colour`.
constexpr auto& drawn = picturebytes::painted;

QRgb pattern(int x, int y)
{
    return qRgb(x * 255 / 279, y * 255 / 451, (x * 7 + y * 3) % 256);
}

// Chooses the fit as a user does: the effect area's context menu, "图片适配", then the entry.
bool chooseFit(testutil::ShownWindow& shown, const QString& entry)
{
    auto* owner = shown.widget(ids::EffectArea)->findChild<ui::BadgeLayoutMenu*>();
    if (!owner)
        return false;
    QMenu* menu = owner->makeMenu(shown.widget(ids::EffectArea));
    bool found = false;
    for (QAction* item : menu->actions()) {
        if (!item->menu() || item->text() != QStringLiteral("图片适配"))
            continue;
        for (QAction* fit : item->menu()->actions()) {
            if (fit->text() == entry) {
                fit->trigger();
                found = true;
            }
        }
    }
    menu->close();
    delete menu;
    return found;
}

void click(testutil::ShownWindow& shown, ControlId button, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::mouseClick(shown.widget(button), Qt::LeftButton);
}

void select(testutil::ShownWindow& shown, const QString& text)
{
    shown.window().controlAs<QComboBox>(ids::BadgeSelector)->setEditText(text);
}

QPoint posOf(testutil::ShownWindow& shown, int badge)
{
    return shown.widget(kBadges[static_cast<size_t>(badge)].id)->pos();
}

} // namespace

class TestComposition : public QObject {
    Q_OBJECT
private slots:
    void nudgeMovesTheSelectedBadgeOnly_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<ControlId>("button");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("badge");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("three right") << "会员Lv7" << ids::NudgeRight << 3 << 0 << QPoint(4, 1);
        QTest::newRow("two up past the edge") << "会员Lv7" << ids::NudgeUp << 2 << 0 << QPoint(1, -1);
        QTest::newRow("three left past the edge") << "黄钻Lv8" << ids::NudgeLeft << 3 << 3 << QPoint(-1, 21);
        QTest::newRow("down") << "所有年字" << ids::NudgeDown << 1 << 10 << QPoint(42, 4);
    }
    void nudgeMovesTheSelectedBadgeOnly()
    {
        QFETCH(QString, selector);
        QFETCH(ControlId, button);
        QFETCH(int, clicks);
        QFETCH(int, badge);
        QFETCH(QPoint, expected);
        testutil::ShownWindow shown;
        select(shown, selector);
        click(shown, button, clicks);
        for (int i = 0; i < kBadgeCount; ++i)
            QCOMPARE(posOf(shown, i), i == badge ? expected : kBadges[static_cast<size_t>(i)].defaultPos);
    }

    void selectorTextsThatNameNoBadgeMoveNothing_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::newRow("letter case") << "会员lv7";
        QTest::newRow("start of a name") << "蓝";
        QTest::newRow("trailing space") << "会员Lv7 ";
        QTest::newRow("leading full-width space") << "\u3000会员Lv7";
        QTest::newRow("empty") << "";
    }
    void selectorTextsThatNameNoBadgeMoveNothing()
    {
        QFETCH(QString, selector);
        testutil::ShownWindow shown;
        // Typed as a user types it, then the arrow buttons clicked: the text is neither completed nor
        // changed to an item's letter case.
        QLineEdit* edit = shown.window().controlAs<QComboBox>(ids::BadgeSelector)->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        testutil::typeText(edit, selector);
        QTest::keyClick(edit, Qt::Key_Return);
        for (ControlId b : {ids::NudgeUp, ids::NudgeDown, ids::NudgeLeft, ids::NudgeRight})
            click(shown, b);
        for (int i = 0; i < kBadgeCount; ++i)
            QCOMPARE(posOf(shown, i), kBadges[static_cast<size_t>(i)].defaultPos);
        QCOMPARE(shown.controls().text(ids::BadgeSelector), selector);
    }

    void toggleHiddenMovesAndRestore()
    {
        testutil::ShownWindow shown;
        const Badge& pink = kBadges[2];
        click(shown, pink.toggleButton);
        QVERIFY(shown.widget(pink.id)->isHidden());
        // A hidden badge moves too, and shows at its new place.
        select(shown, QString::fromUtf16(pink.name));
        click(shown, ids::NudgeDown, 2);
        QCOMPARE(posOf(shown, 2), pink.defaultPos + QPoint(0, 2));
        click(shown, pink.toggleButton);
        QVERIFY(!shown.widget(pink.id)->isHidden());
        QCOMPARE(posOf(shown, 2), pink.defaultPos + QPoint(0, 2));

        // Restore puts every badge back and leaves visibility and the selector alone.
        click(shown, kBadges[5].toggleButton);
        select(shown, QStringLiteral("黄钻Lv8"));
        click(shown, ids::NudgeLeft, 3);
        click(shown, ids::RestoreButton);
        for (int i = 0; i < kBadgeCount; ++i)
            QCOMPARE(posOf(shown, i), kBadges[static_cast<size_t>(i)].defaultPos);
        QVERIFY(shown.widget(kBadges[5].id)->isHidden());
        QCOMPARE(shown.controls().text(ids::BadgeSelector), QStringLiteral("黄钻Lv8"));
    }

    void everyToggleButtonFlipsItsOwnBadge()
    {
        testutil::ShownWindow shown;
        for (const Badge& badge : kBadges) {
            click(shown, badge.toggleButton);
            QVERIFY(shown.widget(badge.id)->isHidden());
            for (const Badge& other : kBadges) {
                if (other.id != badge.id)
                    QVERIFY(!shown.widget(other.id)->isHidden());
                // Each button looks pressed while its badge is shown.
                QCOMPARE(shown.window().controlAs<QAbstractButton>(other.toggleButton)->isChecked(),
                         !shown.widget(other.id)->isHidden());
            }
            click(shown, badge.toggleButton);
            QVERIFY(!shown.widget(badge.id)->isHidden());
        }
    }

    void clickArrowKeysUndoAndRedo()
    {
        testutil::ShownWindow shown;
        QList<QImage> frames{shown.controls().renderFrame(ids::CompositionFrame)};
        // A click on a pixel of the yellow diamond selects it and gives the effect area the focus.
        const Badge& yellow = kBadges[3];
        QWidget* badge = shown.widget(yellow.id);
        QPoint pixel;
        while (!badge->mask().contains(pixel))
            pixel += QPoint(1, 1);
        QTest::mouseClick(badge, Qt::LeftButton, {}, pixel);
        QCOMPARE(shown.controls().text(ids::BadgeSelector), QString::fromUtf16(yellow.name));
        QWidget* area = shown.widget(ids::EffectArea);
        QCOMPARE(shown.window().focusWidget(), area);
        testutil::pressKey(area, Qt::Key_Right);
        testutil::pressKey(area, Qt::Key_Down);
        QCOMPARE(posOf(shown, 3), yellow.defaultPos + QPoint(1, 1));
        frames << shown.controls().renderFrame(ids::CompositionFrame);
        click(shown, kBadges[0].toggleButton);
        click(shown, ids::RestoreButton);
        frames << shown.controls().renderFrame(ids::CompositionFrame);

        // Undo steps back through restore, the toggle and both nudges, to the very first frame; redo forward.
        testutil::pressKey(area, Qt::Key_Z, Qt::ControlModifier);
        testutil::pressKey(area, Qt::Key_Z, Qt::ControlModifier);
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), frames[1]);
        testutil::pressKey(area, Qt::Key_Z, Qt::ControlModifier);
        testutil::pressKey(area, Qt::Key_Z, Qt::ControlModifier);
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), frames[0]);
        QVERIFY(shown.window().controlAs<QAbstractButton>(kBadges[0].toggleButton)->isChecked());
        testutil::pressKey(area, Qt::Key_Y, Qt::ControlModifier);
        testutil::pressKey(area, Qt::Key_Y, Qt::ControlModifier);
        testutil::pressKey(area, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        testutil::pressKey(area, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), frames[2]);
        QVERIFY(!shown.window().controlAs<QAbstractButton>(kBadges[0].toggleButton)->isChecked());
    }

    void renderedFrameMatchesTheLayout_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<ControlId>("button");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("hidden");
        QTest::newRow("start-up layout") << "" << ids::NudgeUp << 0 << -1;
        QTest::newRow("year strip cut off at the right edge") << "所有年字" << ids::NudgeRight << 3 << -1;
        QTest::newRow("badges overlap in stacking order") << "黄钻Lv8" << ids::NudgeRight << 10 << -1;
        QTest::newRow("a badge cut off at the top") << "会员Lv7" << ids::NudgeUp << 4 << -1;
        QTest::newRow("hidden badges leave the picture") << "" << ids::NudgeUp << 0 << 10;
    }
    void renderedFrameMatchesTheLayout()
    {
        QFETCH(QString, selector);
        QFETCH(ControlId, button);
        QFETCH(int, clicks);
        QFETCH(int, hidden);
        testutil::ShownWindow shown;
        const QImage picture = knownPicture();
        QVERIFY(shown.controls().setPicture(ids::CompositionPicture, picturebytes::encode(picture, "png")).isNone());
        select(shown, selector);
        click(shown, button, clicks);
        if (hidden >= 0)
            click(shown, kBadges[static_cast<size_t>(hidden)].toggleButton);
        const QImage expected = testutil::expectedFrame(picture, shown);
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), expected);
        // What the screen shows is what is saved. At 200 % (ctest runs this at QT_SCALE_FACTOR 2 too) each pixel
        // is a 2 x 2 block on the screen: the badges stay pixel-exact, and the saved frame stays 152 x 240.
        const QImage screen = shown.widget(ids::CompositionFrame)->grab().toImage();
        const int scale = int(screen.devicePixelRatio());
        QCOMPARE(screen.devicePixelRatio(), qreal(scale));
        VERIFY_SAME_PIXELS(screen,
                           expected.scaled(expected.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        if (QTest::currentDataTag() == QLatin1String("start-up layout"))
            QCOMPARE(shown.controls().renderFrame(ids::ViewerFrame).size(), QSize(152, 240));
    }

    // Nudges of one badge in one direction in quick succession are one undo step; a pause of more than a second,
    // another direction, another badge or another change starts a new one. The history's clock is set here.
    void quickNudgesAreOneUndoStep_data()
    {
        QTest::addColumn<QString>("script"); // R L U D: nudges; +N: N ms pass; a name: selected; T: a toggle
        QTest::addColumn<int>("steps");
        QTest::newRow("five right, each within a second") << "R +400 R +900 R +999 R +300 R" << 1;
        QTest::newRow("a pause of more than a second") << "R R +1001 R" << 2;
        QTest::newRow("right then left") << "R L" << 2;
        QTest::newRow("right, up, right") << "R U R" << 3;
        QTest::newRow("another badge between") << "R 黄钻Lv8 R 会员Lv7 R" << 3;
        QTest::newRow("a toggle between") << "R T R" << 3;
    }
    void quickNudgesAreOneUndoStep()
    {
        QFETCH(QString, script);
        QFETCH(int, steps);
        testutil::ShownWindow shown;
        auto* history = shown.window().findChild<ui::BadgeHistory*>();
        QVERIFY(history);
        qint64 now = 5000;
        history->setClock([&now] { return now; });
        const QImage start = shown.controls().renderFrame(ids::CompositionFrame);
        const QHash<QString, ControlId> nudges{{QStringLiteral("R"), ids::NudgeRight},
                                               {QStringLiteral("L"), ids::NudgeLeft},
                                               {QStringLiteral("U"), ids::NudgeUp},
                                               {QStringLiteral("D"), ids::NudgeDown}};
        for (const QString& word : script.split(QLatin1Char(' '))) {
            if (nudges.contains(word))
                click(shown, nudges.value(word));
            else if (word == QLatin1String("T"))
                click(shown, kBadges[5].toggleButton);
            else if (word.startsWith(QLatin1Char('+')))
                now += word.mid(1).toInt();
            else
                select(shown, word);
        }
        QCOMPARE(history->stack().count(), steps);
        QWidget* area = shown.widget(ids::EffectArea);
        // Each Ctrl+Z takes back one step: the start-up frame comes back with the last of them, not before.
        for (int i = 1; i <= steps; ++i) {
            testutil::pressKey(area, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(shown.controls().renderFrame(ids::CompositionFrame) == start, i == steps);
        }
        QVERIFY(!history->stack().canUndo());
    }

    // Each fit against the box computed here: the sizes make every case a plain copy of pixels (or a 2:1
    // shrink of doubled pixels), so no scaling code is needed to know the answer.
    void fitModesFillTheBoxAsChosen_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QImage>("box");
        const QRgb white = qRgb(255, 255, 255);
        const QImage wide = drawn(280, 226, pattern);
        const QImage tall = drawn(140, 452, pattern);
        const QImage wideCentre = drawn(140, 226, [](int x, int y) { return pattern(x + 70, y); });
        QTest::newRow("wide, stretch") << drawn(280, 226, [](int x, int y) { return pattern(x / 2, y); }) << "拉伸填满"
                                       << drawn(140, 226, pattern);
        QTest::newRow("tall, stretch") << drawn(140, 452, [](int x, int y) { return pattern(x, y / 2); }) << "拉伸填满"
                                       << drawn(140, 226, pattern);
        QTest::newRow("wide, cover: the middle") << wide << "裁剪填满（居中）" << wideCentre;
        QTest::newRow("wide, cover keeping the top: the middle") << wide << "裁剪填满（保留顶部）" << wideCentre;
        QTest::newRow("tall, cover: the middle")
            << tall << "裁剪填满（居中）" << drawn(140, 226, [](int x, int y) { return pattern(x, y + 113); });
        QTest::newRow("tall, cover keeping the top") << tall << "裁剪填满（保留顶部）" << drawn(140, 226, pattern);
        QTest::newRow("wide, contain: white above and below")
            << drawn(140, 60, pattern) << "完整显示（留白）"
            << drawn(140, 226, [=](int x, int y) { return y >= 83 && y < 143 ? pattern(x, y - 83) : white; });
        QTest::newRow("tall, contain: white on both sides")
            << drawn(70, 226, pattern) << "完整显示（留白）"
            << drawn(140, 226, [=](int x, int y) { return x >= 35 && x < 105 ? pattern(x - 35, y) : white; });
    }
    void fitModesFillTheBoxAsChosen()
    {
        QFETCH(QImage, picture);
        QFETCH(QString, entry);
        QFETCH(QImage, box);
        testutil::ShownWindow shown;
        QVERIFY(chooseFit(shown, entry));
        QVERIFY(shown.controls().setPicture(ids::CompositionPicture, picturebytes::encode(picture, "png")).isNone());
        const QImage expected = testutil::expectedFrame(box, shown);
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), expected);
        VERIFY_SAME_PIXELS(shown.widget(ids::CompositionFrame)->grab().toImage(), expected);
        // The choice holds for the next picture too.
        QVERIFY(shown.controls().setPicture(ids::CompositionPicture, picturebytes::encode(picture, "png")).isNone());
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), expected);
    }

    void pictureBoxKeepsTheContract()
    {
        testutil::ShownWindow shown;
        testutil::checkPictureBoxContract(shown.controls(), ids::CompositionPicture);
    }

    void renderedFrameWithoutAPictureIsWhiteUnderTheBadges()
    {
        testutil::ShownWindow shown;
        QVERIFY(shown.controls().setPicture(ids::CompositionPicture, QByteArray()).isNone());
        QVERIFY(!shown.controls().hasPicture(ids::CompositionPicture));
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame),
                           testutil::expectedFrame(QImage(), shown));
    }

    void renderedFrameDoesNotDependOnThePageShown()
    {
        testutil::ShownWindow shown;
        const QImage before = shown.controls().renderFrame(ids::CompositionFrame);
        shown.window().controlAs<ui::PageControl>(ids::PageControl)->setCurrentPage(1);
        QVERIFY(!shown.widget(ids::CompositionFrame)->isVisible());
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), before);
    }

    // `existing` is in the folder before the save; the dialog asks about the file that will be written, and
    // `replace` is the answer when it asks. No keeps the file and the dialog, which is then cancelled.
    void saveWritesThePngOfTheFrame_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("existing");
        QTest::addColumn<bool>("replace");
        QTest::newRow("suffix added") << "card"
                                      << "card.png" << QString() << false;
        QTest::newRow("png kept") << "card.png"
                                  << "card.png" << QString() << false;
        QTest::newRow("png in capitals kept") << "card.PNG"
                                              << "card.PNG" << QString() << false;
        QTest::newRow("other extension kept and png added") << "card.jpg"
                                                            << "card.jpg.png" << QString() << false;
        QTest::newRow("chinese name") << "名片"
                                      << "名片.png" << QString() << false;
        QTest::newRow("card beside card.png: asked, Yes replaces") << "card"
                                                                   << "card.png"
                                                                   << "card.png" << true;
        QTest::newRow("card beside card.png: asked, No keeps it") << "card"
                                                                  << "card.png"
                                                                  << "card.png" << false;
        QTest::newRow("CARD.Png beside CARD.Png: No keeps it") << "CARD.Png"
                                                               << "CARD.Png"
                                                               << "CARD.Png" << false;
        QTest::newRow("wide.jpg beside wide.jpg: nothing to ask") << "wide.jpg"
                                                                  << "wide.jpg.png"
                                                                  << "wide.jpg" << false;
    }
    void saveWritesThePngOfTheFrame()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QString, existing);
        QFETCH(bool, replace);
        testutil::Sandbox dir;
        testutil::ShownWindow shown;
        if (!existing.isEmpty())
            QVERIFY(dir.write(existing, "an earlier file"));
        const bool asked = existing == written;
        QString question;
        if (asked)
            testutil::answerMessageBox(&question, replace ? QMessageBox::Yes : QMessageBox::No, [replace] {
                if (!replace)
                    testutil::answerFileDialog(QString());
            });
        testutil::answerFileDialog(dir.file(chosen));
        click(shown, ids::SavePictureButton);
        QTRY_COMPARE(question.contains(written), asked);
        QStringList expectedFiles{written};
        if (!existing.isEmpty() && existing != written)
            expectedFiles.prepend(existing);
        if (asked && !replace) {
            QTRY_VERIFY(!QApplication::activeModalWidget());
            QCOMPARE(testutil::readFile(dir.file(written)), QByteArray("an earlier file"));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), expectedFiles);
            return;
        }
        QTRY_VERIFY(QFile::exists(dir.file(written)) && QFileInfo(dir.file(written)).size() > 100);
        const QByteArray bytes = testutil::readFile(dir.file(written));
        QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
        const QImage saved = QImage::fromData(bytes, "PNG");
        // IHDR: 8 bits per channel, colour type 2 (truecolour, no alpha).
        QCOMPARE(int(bytes[24]), 8);
        QCOMPARE(int(bytes[25]), 2);
        VERIFY_SAME_PIXELS(saved, shown.controls().renderFrame(ids::CompositionFrame));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), expectedFiles);
        // The dialog offers the confirmed path next time.
        QCOMPARE(shown.controls().dialogFileName(ids::FileDialog), QDir::toNativeSeparators(dir.file(chosen)));
    }

    void saveIntoAMissingFolderSaysSoAndLeavesNothing()
    {
        testutil::Sandbox dir;
        testutil::ShownWindow shown;
        QString message;
        testutil::answerFileDialog(dir.file(QStringLiteral("gone/card")));
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&message); });
        click(shown, ids::SavePictureButton);
        QTRY_VERIFY(!message.isEmpty());
        QVERIFY2(message.contains(QStringLiteral("card.png")), qPrintable(message));
        QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    }

    void uploadShowsThePictureByContent_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("upload button") << "dialog";
        QTest::newRow("file dropped on the picture") << "drop";
        QTest::newRow("copied file pasted") << "paste file";
        QTest::newRow("path pasted") << "paste path";
        QTest::newRow("picture pasted") << "paste picture";
    }
    void uploadShowsThePictureByContent()
    {
        QFETCH(QString, how);
        testutil::Sandbox dir;
        testutil::ShownWindow shown;
        const QImage picture = knownPicture();
        // A PNG named .bmp: loading goes by content.
        const QString path = dir.file(QStringLiteral("picture.bmp"));
        QVERIFY(dir.write(QStringLiteral("picture.bmp"), picturebytes::encode(picture, "png")));
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(path)});
        if (how == QLatin1String("dialog")) {
            testutil::answerFileDialog(path);
            click(shown, ids::UploadButton);
            QTRY_VERIFY(shown.controls().dialogFileName(ids::FileDialog).endsWith(QStringLiteral("picture.bmp")));
        } else if (how == QLatin1String("drop")) {
            QDragEnterEvent enter(QPoint(70, 100), Qt::CopyAction, data, Qt::LeftButton, {});
            QApplication::sendEvent(shown.widget(ids::CompositionPicture), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(70, 100), Qt::CopyAction, data, Qt::LeftButton, {});
            QApplication::sendEvent(shown.widget(ids::CompositionPicture), &drop);
            QVERIFY(drop.isAccepted());
        } else {
            if (how == QLatin1String("paste path"))
                data->setText(path);
            else if (how == QLatin1String("paste picture"))
                data->setImageData(picture);
            if (how != QLatin1String("paste file"))
                data->setUrls({});
            QApplication::clipboard()->setMimeData(data);
            data = nullptr;
            shown.widget(ids::UploadButton)->setFocus();
            testutil::pressKey(shown.widget(ids::UploadButton), Qt::Key_V, Qt::ControlModifier);
        }
        delete data;
        QTRY_VERIFY(shown.controls().renderFrame(ids::CompositionFrame) == testutil::expectedFrame(picture, shown));
    }

    void uploadOfANonPictureKeepsThePictureAndSaysWhy_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("said"); // the reason; a format's name is its only Latin word
        QTest::newRow("text") << QByteArray("plain text, not a picture") << QStringLiteral("不是可识别的图片");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("文件是空的");
        QTest::newRow("JPEG cut in its header")
            << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) << QStringLiteral("JPEG 图片数据已损坏：数据提前结束");
        QTest::newRow("damaged JPEG") << QByteArray("\xFF\xD8\xFF\xDB\x00\x02\xFF\xC0\x00\x03\x01garbage", 21)
                                      << QStringLiteral("JPEG 图片数据已损坏：文件结构或字段值无效");
        const QList<picturebytes::GifFrame> frame{picturebytes::GifFrame(QByteArray(64, char(1)))};
        const QByteArray gif = picturebytes::gifFile(QSize(8, 8), {qRgb(1, 2, 3), qRgb(4, 5, 6)}, 0, frame);
        QTest::newRow("GIF cut before its first row")
            << gif.left(13 + 6 + 10 + 2 + 3) << QStringLiteral("GIF 图片数据已损坏：数据提前结束");
        QByteArray badCode = gif;
        badCode[13 + 6 + 10 + 2] = char(0x3C); // a clear code, then code 7 where only the literals are defined
        QTest::newRow("GIF with a bad code") << badCode << QStringLiteral("GIF 图片数据已损坏：压缩数据无法解码");
    }
    void uploadOfANonPictureKeepsThePictureAndSaysWhy()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        testutil::Sandbox dir;
        testutil::ShownWindow shown;
        const QImage before = shown.controls().renderFrame(ids::CompositionFrame);
        QVERIFY(dir.write(QStringLiteral("notes.jpg"), bytes));
        QString message;
        testutil::answerFileDialog(dir.file(QStringLiteral("notes.jpg")));
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&message); });
        click(shown, ids::UploadButton);
        QTRY_VERIFY(!message.isEmpty());
        QVERIFY(message.contains(QStringLiteral("notes.jpg")));
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), before);
        QVERIFY2(message.contains(said), qPrintable(message));
        // Chinese throughout: apart from the file's path and the format's name, no word of Latin letters.
        const QString why =
            message.remove(QDir::toNativeSeparators(dir.file(QStringLiteral("notes.jpg")))).remove(said);
        QVERIFY2(!why.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}"))), qPrintable(message));
    }

    // A file cut short is shown, and the message says what is missing.
    void uploadOfACutPictureShowsItAndSaysSo()
    {
        testutil::Sandbox dir;
        testutil::ShownWindow shown;
        const QImage before = shown.controls().renderFrame(ids::CompositionFrame);
        // Noise, so the compressed rows run to many of libpng's reads and the first ones arrive whole.
        QImage noise(280, 452, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb(x * 37 & 0xFF, y * 11 & 0xFF, (x * y) & 0xFF));
        const QByteArray png = picturebytes::encode(noise, "png");
        QVERIFY(dir.write(QStringLiteral("cut.png"), png.left(png.size() * 2 / 3)));
        QString message;
        testutil::answerFileDialog(dir.file(QStringLiteral("cut.png")));
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&message); });
        click(shown, ids::UploadButton);
        QTRY_VERIFY(!message.isEmpty());
        QVERIFY2(message.contains(QStringLiteral("cut.png")) &&
                     message.contains(QStringLiteral("PNG 图片数据不完整，缺少的部分显示为灰色")),
                 qPrintable(message));
        QVERIFY(shown.controls().renderFrame(ids::CompositionFrame) != before);
    }

    void cancelledUploadChangesNothing()
    {
        testutil::ShownWindow shown;
        const QImage before = shown.controls().renderFrame(ids::CompositionFrame);
        testutil::answerFileDialog(QString());
        click(shown, ids::UploadButton);
        QVERIFY(shown.controls().hasPicture(ids::CompositionPicture));
        VERIFY_SAME_PIXELS(shown.controls().renderFrame(ids::CompositionFrame), before);
        QCOMPARE(shown.controls().dialogFileName(ids::FileDialog), QString());
    }
};

QTEST_MAIN(TestComposition)
#include "test_composition.moc"
