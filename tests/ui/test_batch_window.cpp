// The batch on the real window: the browse and save-to buttons with the folder chooser answered, the timer
// stepping through the list, and the numbered files compared by pixels with the frame the layout describes.
#include "material/composition.h"
#include "material/picture.h"
#include "test_utils.h"
#include "ui/badge_layout_menu.h"
#include "window_fixture.h"

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
        QVERIFY(in.write(QStringLiteral("a.jpg"), a));
        QVERIFY(in.write(QStringLiteral("b.JPG"), b));
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
        QStringList listed = shown.controls().text(ids::FileList).split(QStringLiteral("\r\n"));
        QCOMPARE(listed.size(), 2);
        // Numbers follow the listing order, whatever order the folder gives.
        for (int n = 1; n <= 2; ++n) {
            const QByteArray material = listed[n - 1] == QStringLiteral("a.jpg") ? a : b;
            const QImage written(out.file(QStringLiteral("%1.png").arg(n)));
            VERIFY_SAME_PIXELS(written, testutil::expectedFrame(shownPicture(material, material::Fit::Contain), shown));
        }
        // The end of the run: no extra file, the box cleared, the line number back at 1.
        QVERIFY(!shown.controls().hasPicture(ids::CompositionPicture));
        QCOMPARE(shown.controls().text(ids::LineNumberBox), QStringLiteral("1"));
    }

    void aCorruptMaterialIsSkippedAndReported()
    {
        testutil::Sandbox in, out;
        QVERIFY(in.write(QStringLiteral("good.jpg"), jpegOf(Qt::darkGreen, QSize(140, 226))));
        QVERIFY(in.write(QStringLiteral("broken.jpg"), QByteArray("\xFF\xD8 this is no picture", 22)));
        testutil::ShownWindow shown;
        QString report;
        startRun(shown, in.path(), out.path());
        QTimer::singleShot(0, [&] { testutil::answerMessageBox(&report); });
        QTRY_VERIFY_WITH_TIMEOUT(!report.isEmpty(), 15000);
        QVERIFY2(report.contains(QStringLiteral("broken.jpg")), qPrintable(report));
        QCOMPARE(filesIn(out.path()).size(), 1);
        QCOMPARE(shown.controls().interval(ids::BatchTimer), 0);
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
