// The PNG writer shared by the window and the batch tool: lossless for every pixel, readable by an
// independent decoder (Qt's own PNG reader), whatever the width, and refusing nothing it should write.
#include "material/picture_file.h"
#include "test_utils.h"

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
        QVERIFY(material::writePictureFile(box.file(QStringLiteral("f.png")), frame).ok);
        QImageReader reader(box.file(QStringLiteral("f.png")));
        QCOMPARE(reader.format(), QByteArray("png"));
        VERIFY_SAME_PIXELS(reader.read(), frame);
        QCOMPARE(QDir(box.path()).entryList(QDir::Files), QStringList{QStringLiteral("f.png")});
        QVERIFY(material::encodePng(QImage()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPngEncoder)
#include "test_png_encoder.moc"
