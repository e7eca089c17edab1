// One contract for both implementations of core::Controls: every operation is run on the real window's widgets
// and on testutil::MemoryControls, and what each reads back is compared. The handler tests run on the
// in-memory controls, so they are only as good as this agreement.
#include "assets/assets.h"
#include "picture/picture.h"
#include "test_utils.h"
#include "testsupport/memory_controls.h"
#include "testsupport/picture_bytes.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/layout.h"

#include <QtTest>

using namespace core;

namespace {

// One implementation with the means to answer its dialogs and to choose the fit, which a user does through
// the window and the in-memory controls take from the test.
struct Side {
    Controls& controls;
    std::function<void(const QString&)> answerFile;             // the next file dialog; empty cancels
    std::function<void(const QString&)> answerFolder;           // the next folder dialog; empty cancels
    std::function<void(QMessageBox::StandardButton)> answerBox; // the next question or message
    std::function<void(material::Fit)> setFit;
    QStringList seen = {};     // every value read back, in order
    QList<QImage> frames = {}; // every frame rendered

    void note(const QString& what, const QVariant& value) { seen.append(what + QLatin1Char('=') + value.toString()); }
    void reason(const QString& what, const Reason& why)
    {
        note(what, QStringLiteral("%1 %2").arg(int(why.code)).arg(why.args.join(QLatin1Char('|'))));
    }
};

using Script = std::function<void(Side&)>;

// Every control of the layout.
QList<ControlId> everyControl()
{
    QList<ControlId> ids;
    for (const ui::Row& row : ui::layout()) {
        if (row.kind != ui::Kind::Window)
            ids.append(row.id);
    }
    return ids;
}

void readLines(Side& s, ControlId id)
{
    const QString at = QString::number(id, 16);
    s.note(at + QStringLiteral(" text"), s.controls.text(id));
    const int n = s.controls.lineCount(id);
    s.note(at + QStringLiteral(" lines"), n);
    for (int i = -1; i <= n; ++i)
        s.note(at + QStringLiteral(" line %1").arg(i), s.controls.line(id, i));
}

void readPlaces(Side& s, ControlId id)
{
    const QString at = QString::number(id, 16);
    s.note(at + QStringLiteral(" place"), QStringLiteral("%1,%2").arg(s.controls.left(id)).arg(s.controls.top(id)));
    s.note(at + QStringLiteral(" visible"), s.controls.isVisible(id));
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

QByteArray pictureOf(QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), (x ^ y) & 0xFF));
    return picturebytes::encode(image, format);
}

} // namespace

class TestControlsContract : public QObject {
    Q_OBJECT
private slots:
    void bothAgree_data();
    void bothAgree();
};

void TestControlsContract::bothAgree_data()
{
    QTest::addColumn<Script>("script");

    // The window's own initial output folder, viewer address and picture come from the desktop folder, the
    // picture server and the carried files, and only the badges' places are read by handlers; everything else
    // starts alike.
    QTest::newRow("initial state") << Script([](Side& s) {
        for (ControlId id : everyControl()) {
            if (id != ids::OutputFolderBox)
                readLines(s, id);
            s.note(QStringLiteral("visible"), s.controls.isVisible(id));
            s.note(QStringLiteral("interval"), s.controls.interval(id));
            s.note(QStringLiteral("mode"), int(s.controls.dialogMode(id)));
            s.note(QStringLiteral("file name"), s.controls.dialogFileName(id));
            s.note(QStringLiteral("picture"), id != ids::CompositionPicture && s.controls.hasPicture(id));
        }
        for (const Badge& badge : kBadges)
            readPlaces(s, badge.id);
    });

    const QStringList texts{QString(),
                            QStringLiteral("a.jpg"),
                            QStringLiteral("a.jpg\r\nb.jpg"),
                            QStringLiteral("a\rb\nc\r\n"),
                            QStringLiteral("\r\n"),
                            QStringLiteral("  spaced  \r\n\r\n\u3000x"),
                            QStringLiteral("a\u2029b\u2028c"),
                            QStringLiteral("no\u00A0break"),
                            QStringLiteral("x\uFDD0y\uFDD1z"),
                            QString(QChar(0xD800)) + QStringLiteral("\nlone surrogate"),
                            QString(40000, QLatin1Char('w'))};
    for (const QString& text : texts) {
        const QString name = text.size() > 20 ? QStringLiteral("long text") : text.toUtf8().toPercentEncoding();
        QTest::newRow(qPrintable(QStringLiteral("text ") + name)) << Script([text](Side& s) {
            for (ControlId id : everyControl()) {
                s.controls.setText(id, text);
                readLines(s, id);
            }
        });
    }

    QTest::newRow("places and visibility") << Script([](Side& s) {
        const QList<QPoint> places{{-7, 300}, {0, 0}, {material::kMaxBadgeCoordinate, -material::kMaxBadgeCoordinate}};
        for (ControlId id : everyControl()) {
            for (QPoint p : places) {
                s.controls.setLeft(id, p.x());
                s.controls.setTop(id, p.y());
                s.controls.setVisible(id, p.x() > 0);
                readPlaces(s, id);
            }
        }
    });

    // Each fit, with the badges moved and one hidden, over a picture of each shape and a picture cut short;
    // bytes that are no picture leave the picture shown, and a control that is no picture box shows none.
    for (material::Fit fit :
         {material::Fit::Stretch, material::Fit::Cover, material::Fit::CoverTop, material::Fit::Contain}) {
        QTest::newRow(qPrintable(QStringLiteral("pictures, fit ") + material::fitName(fit))) << Script([fit](Side& s) {
            s.setFit(fit);
            s.controls.setLeft(kBadges[2].id, 130);
            s.controls.setTop(kBadges[2].id, -4);
            s.controls.setVisible(kBadges[7].id, false);
            const QByteArray bmp = pictureOf(QSize(90, 40), "bmp");
            for (const QByteArray& bytes : {pictureOf(QSize(300, 120), "png"),
                                            QByteArray("\xFF\xD8 no picture", 13),
                                            pictureOf(QSize(40, 300), "jpg"),
                                            bmp.left(bmp.size() / 2),
                                            QByteArray()}) {
                for (ControlId id : {ids::CompositionPicture, ids::SaveToButton}) {
                    s.reason(QStringLiteral("set"), s.controls.setPicture(id, bytes));
                    s.note(QStringLiteral("shown"), s.controls.hasPicture(id));
                    s.reason(QStringLiteral("warning"), s.controls.pictureWarning(id));
                }
                s.frames.append(s.controls.renderFrame(ids::CompositionFrame));
                s.frames.append(s.controls.renderFrame(ids::SaveToButton));
            }
            // A later fit applies to the picture already shown.
            s.controls.setPicture(ids::CompositionPicture, pictureOf(QSize(300, 120), "png"));
            s.setFit(fit == material::Fit::Contain ? material::Fit::Cover : material::Fit::Contain);
            s.frames.append(s.controls.renderFrame(ids::CompositionFrame));
        });
    }

    // What the batch engine takes from the window (the badges' bitmaps, the fit) and gives back (pictures it has
    // already fitted, shown as they are).
    QTest::newRow("the batch's look and its finished pictures") << Script([](Side& s) {
        for (ControlId id : {kBadges[0].id, kBadges[10].id, ids::CompositionPicture})
            s.frames.append(s.controls.badgeBitmap(id));
        for (material::Fit fit : {material::Fit::Cover, material::Fit::Contain, material::Fit::Stretch}) {
            s.setFit(fit);
            s.note(QStringLiteral("fit"), s.controls.pictureFit(ids::CompositionPicture));
        }
        const QImage fitted = material::fitPicture(
            picture::decodePicture(pictureOf(QSize(300, 120), "png"), material::kPictureRect.size()).image);
        for (ControlId id : {ids::CompositionPicture, ids::SaveToButton}) {
            s.controls.showPicture(id, fitted, {core::ReasonCode::Truncated, {QStringLiteral("PNG")}});
            s.note(QStringLiteral("shown"), s.controls.hasPicture(id));
            s.reason(QStringLiteral("warning"), s.controls.pictureWarning(id));
            s.frames.append(s.controls.renderFrame(ids::CompositionFrame));
        }
        s.controls.showPicture(ids::CompositionPicture, {}, {});
        s.note(QStringLiteral("cleared"), s.controls.hasPicture(ids::CompositionPicture));
        s.frames.append(s.controls.renderFrame(ids::CompositionFrame));
    });

    QTest::newRow("timer and address") << Script([](Side& s) {
        for (ControlId id : everyControl()) {
            for (int ms : {10, -5, 10, 0}) {
                s.controls.setInterval(id, ms);
                s.note(QStringLiteral("interval"), s.controls.interval(id));
            }
            s.controls.setAddress(id, QStringLiteral("http://127.0.0.1:9/10002/10002/8012.jpg"));
            s.note(QStringLiteral("address"), s.controls.address(id));
        }
        s.note(QStringLiteral("the address is no text"), s.controls.text(ids::QqShowViewer));
    });

    QTest::newRow("dialogs") << Script([](Side& s) {
        static testutil::Sandbox box;
        QVERIFY(box.write(QStringLiteral("chosen.jpg"), "x"));
        QVERIFY(QDir(box.path()).mkpath(QStringLiteral("sub")));
        for (ControlId id : {ids::FileDialog, ids::SaveToButton}) {
            s.controls.setDialogMode(id, DialogMode::Save);
            s.note(QStringLiteral("mode"), int(s.controls.dialogMode(id)));
            s.controls.setDialogMode(id, DialogMode::Open);
        }
        // Saved first: a dialog that offers an existing file selects it again once its folder has loaded,
        // which could overwrite the typed answer.
        s.controls.setDialogMode(ids::FileDialog, DialogMode::Save);
        s.answerFile(box.file(QStringLiteral("new.png")));
        s.note(QStringLiteral("saved as"), s.controls.showDialog(ids::FileDialog));
        s.note(QStringLiteral("save name"), s.controls.dialogFileName(ids::FileDialog));
        s.controls.setDialogMode(ids::FileDialog, DialogMode::Open);
        s.answerFile(box.file(QStringLiteral("chosen.jpg")));
        s.note(QStringLiteral("confirmed"), s.controls.showDialog(ids::FileDialog));
        s.note(QStringLiteral("file name"), s.controls.dialogFileName(ids::FileDialog));
        s.answerFile({});
        s.note(QStringLiteral("cancelled"), s.controls.showDialog(ids::FileDialog));
        s.note(QStringLiteral("file name kept"), s.controls.dialogFileName(ids::FileDialog));
        s.note(QStringLiteral("no dialog"), s.controls.showDialog(ids::SaveToButton));

        s.answerFolder(box.file(QStringLiteral("sub/")));
        s.note(QStringLiteral("folder"), s.controls.browseForFolder(QStringLiteral("浏览你需要的文件夹")));
        s.answerFolder({});
        s.note(QStringLiteral("no folder"), s.controls.browseForFolder(QStringLiteral("浏览你需要的文件夹")));
        for (QMessageBox::StandardButton button : {QMessageBox::Yes, QMessageBox::No}) {
            s.answerBox(button);
            s.note(QStringLiteral("answer"),
                   s.controls.askYesNo(QStringLiteral("信息："), QStringLiteral("要停止吗？")));
        }
        s.answerBox(QMessageBox::NoButton);
        s.controls.showMessage(QStringLiteral("信息："), QStringLiteral("请确定素材路径正确或者格式正确！"));
        s.note(QStringLiteral("frame after the dialogs"),
               sizeText(s.controls.renderFrame(ids::CompositionFrame).size()));
    });
}

void TestControlsContract::bothAgree()
{
    QFETCH(Script, script);
    testutil::ShownWindow shown;
    QVERIFY(shown.ok);
    QString asked;
    Side window{
        .controls = shown.controls(),
        .answerFile = testutil::answerFileDialog,
        .answerFolder = testutil::answerFileDialog,
        .answerBox = [&asked](QMessageBox::StandardButton button) { testutil::answerMessageBox(&asked, button); },
        .setFit =
            [&shown](material::Fit fit) {
                shown.window().controlAs<ui::PictureBox>(ids::CompositionPicture)->setFit(fit);
            }};
    testutil::MemoryControls memory;
    memory.setBadgeBitmaps(assets::badgeBitmaps());
    Side plain{.controls = memory,
               .answerFile = [&memory](const QString& path) { memory.dialogAnswers.append(path); },
               .answerFolder = [&memory](const QString& path) { memory.folderAnswers.append(path); },
               .answerBox =
                   [&memory](QMessageBox::StandardButton button) {
                       if (button != QMessageBox::NoButton)
                           memory.yesNoAnswers.append(button == QMessageBox::Yes);
                   },
               .setFit = [&memory](material::Fit fit) { memory.setFit(fit); }};
    script(window);
    script(plain);

    for (qsizetype i = 0; i < std::max(window.seen.size(), plain.seen.size()); ++i) {
        const QString expected = window.seen.value(i);
        QVERIFY2(
            plain.seen.value(i) == expected,
            qPrintable(QStringLiteral("read %1: widgets %2, memory %3").arg(i).arg(expected, plain.seen.value(i))));
    }
    QCOMPARE(plain.frames.size(), window.frames.size());
    for (qsizetype i = 0; i < window.frames.size(); ++i) {
        QCOMPARE(plain.frames[i].isNull(), window.frames[i].isNull());
        VERIFY_SAME_PIXELS(plain.frames[i], window.frames[i]);
    }
}

QTEST_MAIN(TestControlsContract)
#include "test_controls_contract.moc"
