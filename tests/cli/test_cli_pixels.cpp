// The batch tool and the window draw the same pixels: the window's rendered composition frame, with a badge
// layout put on its controls and a material in its picture box, equals the tool's PNG for that material and
// layout, and the window's own batch writes the very same file. The effect area's context menu saves and loads that
// layout.
#include "cli/cli_process.h"
#include "core/badges.h"
#include "material/badge_layout.h"
#include "test_utils.h"
#include "testsupport/modern_pictures.h"
#include "testsupport/photo_jpeg.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/badge_layout_menu.h"

#include <QBuffer>
#include <QColor>
#include <QContextMenuEvent>
#include <QMenu>

using namespace core::ids;

Q_DECLARE_METATYPE(material::Fit)

namespace {

// Hidden and moved badges: one hidden, one nudged past the box's left edge, one pushed onto another
// (overlap shows the stacking), one hidden and moved.
material::BadgeLayout testLayout()
{
    material::BadgeLayout layout = material::defaultBadgeLayout();
    layout[0].visible = false;       // 会员Lv7
    layout[3].pos = QPoint(-5, 21);  // 黄钻Lv8 cut off at the left
    layout[1].pos = QPoint(110, 25); // 蓝钻Lv9 over QQ钻皇
    layout[7].visible = false;       // QQ图书
    layout[7].pos = QPoint(70, 70);
    layout[10].pos = QPoint(45, 215); // 所有年字 at the bottom, cut off at the right
    return layout;
}

// The window's batch over the folder, started with the save-to button; true once it has ended.
bool runWindowBatch(testutil::ShownWindow& shown, const QString& in, const QString& format, const QString& out)
{
    shown.controls().setText(MaterialFolderBox, in);
    shown.controls().setText(MaterialFormatBox, format);
    testutil::answerFileDialog(out);
    QTest::mouseClick(shown.widget(SaveToButton), Qt::LeftButton);
    if (shown.controls().interval(BatchTimer) == 0)
        return false;
    return QTest::qWaitFor([&] { return shown.controls().interval(BatchTimer) == 0; }, 30000);
}

} // namespace

class TestCliPixels : public QObject {
    Q_OBJECT

private slots:
    void sameFrameAsWindow_data()
    {
        QTest::addColumn<QByteArray>("material");
        QTest::addColumn<QString>("name");
        QTest::addColumn<material::Fit>("fit");
        QTest::newRow("phone photo, scaled while decoding")
            << testutil::makePhotoJpeg({1080, 1920}, 21) << QStringLiteral("a.jpg") << material::Fit::Stretch;
        QTest::newRow("small photo") << testutil::makePhotoJpeg({640, 1024}, 22) << QStringLiteral("b.jpg")
                                     << material::Fit::Stretch;
        QTest::newRow("phone photo, cover")
            << testutil::makePhotoJpeg({1080, 1920}, 23) << QStringLiteral("d.jpg") << material::Fit::Cover;
        const QImage photo = QImage::fromData(testutil::makePhotoJpeg({360, 480}, 24));
        QTest::newRow("HEIC with a thumbnail, cover keeping the top")
            << picturebytes::heicFile(photo, {80, 1, 240}) << QStringLiteral("e.heic") << material::Fit::CoverTop;
        QTest::newRow("AVIF, contain") << picturebytes::avifFile({photo}) << QStringLiteral("f.avif")
                                       << material::Fit::Contain;
        QImage wide(500, 90, QImage::Format_RGB32);
        wide.fill(QColor(200, 60, 30));
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        wide.save(&buffer, "BMP");
        QTest::newRow("wide bitmap, stretched") << bmp << QStringLiteral("c.bmp") << material::Fit::Stretch;
        QTest::newRow("wide bitmap, contain") << bmp << QStringLiteral("c.bmp") << material::Fit::Contain;
    }

    void sameFrameAsWindow()
    {
        QFETCH(QByteArray, material);
        QFETCH(QString, name);
        QFETCH(material::Fit, fit);
        testutil::ShownWindow shown;
        QVERIFY(shown.ok);
        shown.widget(EffectArea)->findChild<ui::BadgeLayoutMenu*>()->setFit(fit);
        testutil::Sandbox in;
        testutil::Sandbox out;
        testutil::Sandbox work;
        QVERIFY(in.write(name, material));
        const material::BadgeLayout layout = testLayout();
        QCOMPARE(material::writeBadgeLayoutFile(work.file(QStringLiteral("t.layout")), layout), QString());

        // The window: the layout through its controls, the material in its picture box.
        for (std::size_t i = 0; i < layout.size(); ++i) {
            shown.controls().setLeft(core::kBadges[i].id, layout[i].pos.x());
            shown.controls().setTop(core::kBadges[i].id, layout[i].pos.y());
            shown.controls().setVisible(core::kBadges[i].id, layout[i].visible);
        }
        QVERIFY(shown.controls().setPicture(CompositionPicture, material).isNone());
        const QImage windowFrame = shown.controls().renderFrame(CompositionFrame);
        QCOMPARE(windowFrame.size(), QSize(152, 240));

        const testutil::ToolRun run = testutil::runBatchTool({QStringLiteral("--input"),
                                                              in.path(),
                                                              QStringLiteral("--format"),
                                                              QFileInfo(name).suffix(),
                                                              QStringLiteral("--output"),
                                                              out.path(),
                                                              QStringLiteral("--layout"),
                                                              work.file(QStringLiteral("t.layout")),
                                                              QStringLiteral("--fit"),
                                                              material::fitName(fit)});
        QCOMPARE(run.exitCode, 0);
        const QImage toolFrame(out.file(QStringLiteral("1.png")));
        VERIFY_SAME_PIXELS(toolFrame, windowFrame);
        testutil::Sandbox windowOut;
        QVERIFY(runWindowBatch(shown, in.path(), QFileInfo(name).suffix(), windowOut.path()));
        QCOMPARE(QDir(windowOut.path()).entryList(QDir::Files), QStringList{QStringLiteral("1.png")});
        QCOMPARE(testutil::readFile(windowOut.file(QStringLiteral("1.png"))),
                 testutil::readFile(out.file(QStringLiteral("1.png"))));
        // The layout matters: the default layout gives a different picture.
        material::applyBadgeLayout(shown.controls(), material::defaultBadgeLayout());
        QVERIFY(!testutil::pixelDiff(toolFrame, shown.controls().renderFrame(CompositionFrame)).isEmpty());
    }

    // Saved from the window's menu, read by the tool; and loaded back into a window.
    void menuSavesAndLoads()
    {
        testutil::ShownWindow shown;
        QVERIFY(shown.ok);
        auto* menu = shown.widget(EffectArea)->findChild<ui::BadgeLayoutMenu*>();
        QVERIFY(menu);
        const material::BadgeLayout layout = testLayout();
        material::applyBadgeLayout(shown.controls(), layout);
        menu->setFit(material::Fit::Contain);
        testutil::Sandbox work;
        const QString file = work.file(QStringLiteral("w.layout"));
        QCOMPARE(menu->saveTo(file), QString());
        const material::BadgeLayoutResult read = material::readBadgeLayoutFile(file);
        QVERIFY(read.reason.isNone());
        QCOMPARE(read.fit, material::Fit::Contain);
        for (std::size_t i = 0; i < layout.size(); ++i) {
            QCOMPARE(read.layout[i].pos, layout[i].pos);
            QCOMPARE(read.layout[i].visible, layout[i].visible);
        }

        testutil::ShownWindow second;
        QVERIFY(second.ok);
        auto* secondMenu = second.widget(EffectArea)->findChild<ui::BadgeLayoutMenu*>();
        QCOMPARE(secondMenu->loadFrom(file), QString());
        QCOMPARE(secondMenu->fit(), material::Fit::Contain);
        VERIFY_SAME_PIXELS(second.controls().renderFrame(CompositionFrame),
                           shown.controls().renderFrame(CompositionFrame));
        QCOMPARE(second.widget(core::kBadges[3].id)->pos(), QPoint(-5, 21));
        QVERIFY(second.widget(core::kBadges[0].id)->isHidden());

        // A bad file changes nothing.
        QVERIFY(work.write(QStringLiteral("bad.layout"), "蓝钻Lv9 1 0 0\nQQ钻皇 1 x 0\n"));
        // The window says why in Chinese: the line, and no English word.
        const QString why = secondMenu->loadFrom(work.file(QStringLiteral("bad.layout")));
        QVERIFY2(why.startsWith(QStringLiteral("第 2 行")), qPrintable(why));
        QVERIFY2(!why.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}"))), qPrintable(why));
        QCOMPARE(second.widget(core::kBadges[1].id)->pos(), QPoint(110, 25));
    }

    // A right click anywhere on the effect area, the picture included, opens the menu with all its entries.
    void rightClickOpensMenu()
    {
        testutil::ShownWindow shown;
        QVERIFY(shown.ok);
        QWidget* picture = shown.widget(CompositionPicture);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(70, 150), picture->mapToGlobal(QPoint(70, 150)));
        QApplication::sendEvent(picture, &event);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << action->text();
        QCOMPARE(texts,
                 (QStringList{
                     QStringLiteral("保存图标布局…"), QStringLiteral("载入图标布局…"), QStringLiteral("图片适配")}));
        menu->close();
    }
};

QTEST_MAIN(TestCliPixels)
#include "test_cli_pixels.moc"
