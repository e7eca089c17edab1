// The batch on the real window: the browse and save-to buttons with the folder chooser answered, the timer
// stepping through the list, and the numbered files compared by pixels with the frame the layout describes.
#include "material/composition.h"
#include "material/picture.h"
#include "test_utils.h"
#include "testsupport/picture_bytes.h"
#include "testsupport/ui/window_fixture.h"
#include "ui/badge_layout_menu.h"

#include <QBuffer>
#include <QtTest>

using namespace core;

namespace {

QByteArray jpegOf(QColor colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    for (int y = 0; y < size.height(); y += 8) // stripes, so stretching matters
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(255 - colour.red(), colour.green(), 255 - colour.blue()));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

// The picture as the box shows it: decoded and fitted into 140 x 226.
QImage shownPicture(const QByteArray& jpeg, material::Fit fit)
{
    return material::fitPicture(material::decodePicture(jpeg, material::kPictureRect.size()).image, fit);
}

QStringList filesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

void startRun(testutil::ShownWindow& shown, const QString& materials, const QString& output)
{
    testutil::answerFileDialog(materials);
    QTest::mouseClick(shown.widget(ids::BrowseButton), Qt::LeftButton);
    testutil::answerFileDialog(output);
    QTest::mouseClick(shown.widget(ids::SaveToButton), Qt::LeftButton);
}

} // namespace

class TestBatchWindow : public QObject {
    Q_OBJECT
private slots:
    void twoMaterialsGiveTwoNumberedFiles()
    {
        testutil::Sandbox in, out;
        const QByteArray a = jpegOf(QColor(200, 40, 40), QSize(280, 452));
        const QByteArray b = jpegOf(QColor(40, 60, 220), QSize(640, 1024));
        // Made b first: the numbers follow the names, not the order the folder was filled in.
        QVERIFY(in.write(QStringLiteral("b.JPG"), b));
        QVERIFY(in.write(QStringLiteral("a.jpg"), a));
        testutil::ShownWindow shown;
        // A nudged and a hidden badge, and the pictures contained rather than stretched: the files show
        // what the effect area does.
        QTest::mouseClick(shown.widget(kBadges[1].toggleButton), Qt::LeftButton);
        QTest::mouseClick(shown.widget(ids::NudgeRight), Qt::LeftButton);
        shown.widget(ids::EffectArea)->findChild<ui::BadgeLayoutMenu*>()->setFit(material::Fit::Contain);

        startRun(shown, in.path(), out.path());
        QCOMPARE(shown.controls().text(ids::MaterialFolderBox), in.path());
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(out.path()).size(), 2, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(shown.controls().interval(ids::BatchTimer), 0, 15000);

        QCOMPARE(filesIn(out.path()), (QStringList{QStringLiteral("1.png"), QStringLiteral("2.png")}));
        QCOMPARE(shown.controls().text(ids::FileList), QStringLiteral("a.jpg\r\nb.JPG"));
        const auto framed = [&](const QByteArray& m) {
            return testutil::expectedFrame(shownPicture(m, material::Fit::Contain), shown);
        };
        VERIFY_SAME_PIXELS(QImage(out.file("1.png")), framed(a));
        VERIFY_SAME_PIXELS(QImage(out.file("2.png")), framed(b));
        // The end of the run: no extra file, the box cleared, the line number back at 1.
        QVERIFY(!shown.controls().hasPicture(ids::CompositionPicture));
        QCOMPARE(shown.controls().text(ids::LineNumberBox), QStringLiteral("1"));
    }

    void aCorruptMaterialIsSkippedAndReported_data()
    {
        QTest::addColumn<QByteArray>("broken");
        QTest::addColumn<QString>("said");
        QTest::newRow("no picture") << QByteArray("\xFF\xD8 this is no picture", 22) << QString();
        // A GIF whose screen is 20000 x 20000: 1526 MB as 32-bit pixels, past the 1024 MB the window may
        // decode, so it is refused before anything is allocated.
        const QList<picturebytes::GifFrame> frame{picturebytes::GifFrame(QByteArray(4, '\0'), QRect(0, 0, 2, 2))};
        QTest::newRow("past the memory budget") << picturebytes::gifFile(QSize(20000, 20000), {qRgb(1, 2, 3)}, 0, frame)
                                                << QStringLiteral("图片需要 1526 MB 内存，超过允许的 1024 MB");
    }
    void aCorruptMaterialIsSkippedAndReported()
    {
        QFETCH(QByteArray, broken);
        QFETCH(QString, said);
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("good.jpg"), jpegOf(Qt::darkGreen, QSize(140, 226))));
        QVERIFY(in.write(QStringLiteral("broken.jpg"), broken));
        testutil::ShownWindow shown;
        QString report;
        startRun(shown, in.path(), out.path());
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&report); });
        QTRY_VERIFY_WITH_TIMEOUT(!report.isEmpty(), 15000);
        QVERIFY2(report.contains(QStringLiteral("broken.jpg：") + said), qPrintable(report));
        QCOMPARE(filesIn(out.path()).size(), 1);
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
    }

    // Into a folder that already holds 1.png: one question, and No (the default button) leaves the folder
    // as it was and starts nothing.
    void existingOutputsAreReplacedOnlyWhenTheUserSaysSo()
    {
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("a.jpg"), jpegOf(Qt::darkGreen, QSize(140, 226))));
        QVERIFY(in.write(QStringLiteral("b.jpg"), jpegOf(Qt::darkRed, QSize(140, 226))));
        QVERIFY(out.write(QStringLiteral("1.png"), "an earlier result"));
        testutil::ShownWindow shown;
        QString question;
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&question); });
        startRun(shown, in.path(), out.path());
        QTRY_COMPARE(question, QStringLiteral("1 个文件已存在，替换？"));
        QTRY_VERIFY(!QApplication::activeModalWidget()); // the answer is taken
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
        QCOMPARE(filesIn(out.path()), QStringList{QStringLiteral("1.png")});
        QFile kept(out.file(QStringLiteral("1.png")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("an earlier result"));
    }

    // Closing the window during a run asks whether to stop it: No keeps the window and the run; Yes stops the
    // run and closes, and the pictures written so far stay whole.
    void closingDuringARunAsks()
    {
        testutil::Sandbox in, out;
        for (int i = 0; i < 80; ++i)
            QVERIFY(
                in.write(QStringLiteral("m%1.jpg").arg(i), jpegOf(QColor::fromHsv(i * 4, 200, 200), QSize(70, 113))));
        testutil::ShownWindow shown;
        startRun(shown, in.path(), out.path());
        QTRY_VERIFY(QFile::exists(out.file(QStringLiteral("1.png"))));
        for (bool stop : {false, true}) {
            QVERIFY(shown.controls().interval(ids::BatchTimer) != 0);
            QString question;
            testutil::answerMessageBox(&question, stop ? QMessageBox::Yes : QMessageBox::No);
            shown.window().close();
            QCOMPARE(question, QStringLiteral("批量制作正在进行。要停止吗？"));
            QCOMPARE(shown.window().isVisible(), !stop);
        }
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
        const QStringList written = filesIn(out.path());
        QVERIFY(!written.isEmpty() && written.size() < 80);
        for (const QString& name : written)
            QCOMPARE(QImage(out.file(name)).size(), QSize(152, 240));
    }

    void anEmptyListingSaysSoAndStartsNothing()
    {
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("only.gif"), QByteArray("GIF89a")));
        testutil::ShownWindow shown;
        const QString outputBefore = shown.controls().text(ids::OutputFolderBox);
        QString message;
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&message); });
        testutil::answerFileDialog(in.path());
        QTest::mouseClick(shown.widget(ids::BrowseButton), Qt::LeftButton);
        QTest::mouseClick(shown.widget(ids::SaveToButton), Qt::LeftButton);
        QTRY_COMPARE(message, QStringLiteral("请确定素材路径正确或者格式正确！"));
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
        QCOMPARE(shown.controls().text(ids::OutputFolderBox), outputBefore);
        QVERIFY(filesIn(out.path()).isEmpty());
    }
};

QTEST_MAIN(TestBatchWindow)
#include "test_batch_window.moc"
