// The one output writer shared by the window and the batch tool: PNG lossless for every pixel, readable by an
// independent decoder (Qt's own PNG reader), and a file put in place only where it may go.
#include "material/picture_file.h"
#include "test_utils.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTest>

class TestPngEncoder : public QObject {
    Q_OBJECT

private slots:
    void losslessRoundTrip_data()
    {
        QTest::addColumn<QImage>("image");
        QRandomGenerator random(17);
        auto noise = [&random](QSize size) {
            QImage image(size, QImage::Format_RGB32);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    image.setPixel(x, y, random.generate() | 0xFF000000u);
            return image;
        };
        QTest::newRow("frame of noise") << noise({152, 240});
        QTest::newRow("odd width") << noise({7, 5});
        QTest::newRow("one pixel") << noise({1, 1});
        QImage ramp(256, 3, QImage::Format_RGB32);
        for (int x = 0; x < 256; ++x) {
            ramp.setPixel(x, 0, qRgb(x, 255 - x, 0));
            ramp.setPixel(x, 1, qRgb(0, 0, 0));
            ramp.setPixel(x, 2, qRgb(255, 255, 255)); // differences from the row above wrap around
        }
        QTest::newRow("wrapping differences") << ramp;
        QImage alpha(10, 10, QImage::Format_ARGB32);
        alpha.fill(qRgba(10, 200, 30, 255));
        QTest::newRow("opaque ARGB") << alpha;
    }

    void losslessRoundTrip()
    {
        QFETCH(QImage, image);
        const QByteArray png = material::encodePng(image);
        QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
        QVERIFY(png.endsWith(QByteArray("IEND\xae\x42\x60\x82", 8)));
        QImage decoded;
        QVERIFY(decoded.loadFromData(png, "PNG"));
        VERIFY_SAME_PIXELS(decoded, image);
    }

    void writtenFileIsWhole()
    {
        testutil::Sandbox box;
        QImage frame(152, 240, QImage::Format_RGB32);
        frame.fill(Qt::black);
        QVERIFY(
            material::writePictureFile(box.file(QStringLiteral("f.png")), frame, material::WriteMode::NoReplace).ok());
        QImageReader reader(box.file(QStringLiteral("f.png")));
        QCOMPARE(reader.format(), QByteArray("png"));
        VERIFY_SAME_PIXELS(reader.read(), frame);
        QCOMPARE(QDir(box.path()).entryList(QDir::Files), QStringList{QStringLiteral("f.png")});
        QVERIFY(material::encodePng(QImage()).isEmpty());
    }

    // What is at the output name before the write, and what the writer makes of it in each mode: a taken
    // name is never replaced unless asked, and a symbolic link is never written through.
    void writerKeepsToItsName_data()
    {
        using core::ReasonCode;
        using material::WriteMode;
        QTest::addColumn<QString>("before");
        QTest::addColumn<WriteMode>("mode");
        QTest::addColumn<ReasonCode>("code");
        QTest::newRow("free name") << "nothing" << WriteMode::NoReplace << ReasonCode::None;
        QTest::newRow("file, not replaced") << "file" << WriteMode::NoReplace << ReasonCode::NameTaken;
        QTest::newRow("file, replaced") << "file" << WriteMode::Replace << ReasonCode::None;
        QTest::newRow("link outside, not replaced") << "link" << WriteMode::NoReplace << ReasonCode::NameTaken;
        QTest::newRow("link outside, replaced") << "link" << WriteMode::Replace << ReasonCode::None;
        QTest::newRow("dangling link") << "dangling" << WriteMode::NoReplace << ReasonCode::NameTaken;
        QTest::newRow("folder, replaced") << "folder" << WriteMode::Replace << ReasonCode::IsFolder;
        QTest::newRow("folder gone") << "no folder" << WriteMode::NoReplace << ReasonCode::FolderMissing;
    }

    void writerKeepsToItsName()
    {
        QFETCH(QString, before);
        QFETCH(material::WriteMode, mode);
        QFETCH(core::ReasonCode, code);
        testutil::Sandbox box;
        QVERIFY(QDir(box.path()).mkdir(QStringLiteral("out")));
        const QString outside = box.file(QStringLiteral("outside.txt"));
        QVERIFY(box.write(QStringLiteral("outside.txt"), "keep me"));
        QString path = box.file(QStringLiteral("out/1.png"));
        if (before == QLatin1String("file"))
            QVERIFY(box.write(QStringLiteral("out/1.png"), "old"));
        else if (before == QLatin1String("link"))
            QVERIFY(QFile::link(outside, path));
        else if (before == QLatin1String("dangling"))
            QVERIFY(QFile::link(box.file(QStringLiteral("nowhere.txt")), path));
        else if (before == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        else if (before == QLatin1String("no folder"))
            path = box.file(QStringLiteral("gone/1.png"));
        QImage frame(152, 240, QImage::Format_RGB32);
        frame.fill(qRgb(10, 200, 30));

        const material::WriteResult written = material::writePictureFile(path, frame, mode);
        QCOMPARE(written.reason.code, code);
        QCOMPARE(testutil::readFile(outside), QByteArray("keep me"));
        QVERIFY(!QFile::exists(box.file(QStringLiteral("nowhere.txt"))));
        if (written.ok()) {
            QVERIFY(!QFileInfo(path).isSymLink());
            VERIFY_SAME_PIXELS(QImage(path), frame);
        } else if (before == QLatin1String("file")) {
            QCOMPARE(testutil::readFile(path), QByteArray("old"));
        }
        // No temporary file is left behind, whatever happened.
        const QStringList left =
            QDir(box.file(QStringLiteral("out"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QVERIFY2(left.size() <= 1, qPrintable(left.join(u' ')));
    }
};

QTEST_GUILESS_MAIN(TestPngEncoder)
#include "test_png_encoder.moc"
