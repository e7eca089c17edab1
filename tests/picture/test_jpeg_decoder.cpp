// JPEG decoding: scaling while decoding for large pictures, and EXIF orientation.
#include "picture/exif.h"
#include "picture/jpeg_decoder.h"
#include "picture/picture.h"
#include "test_utils.h"
#include "testsupport/libjpeg_writer.h"
#include "testsupport/picture_bytes.h"

#include <QtTest>

#include <cstdlib>

using namespace picturebytes;

namespace {

enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

const QRgb kCornerColours[4] = {qRgb(230, 20, 20), qRgb(20, 200, 20), qRgb(20, 20, 230), qRgb(240, 240, 40)};

// A picture in four coloured quarters, so every turn and mirror puts a known colour in each corner.
QImage quarters(int w, int h)
{
    return painted(w, h, [=](int x, int y) { return kCornerColours[(y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0)]; });
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 40 && std::abs(qGreen(a) - qGreen(b)) <= 40 &&
           std::abs(qBlue(a) - qBlue(b)) <= 40;
}

// A CMYK JPEG as Adobe's programs write it (inks inverted, with the Adobe marker) where every pixel is
// the ink values given: libjpeg writes it, since Qt writes no CMYK.
QByteArray cmykJpeg(int w, int h, const uchar cmyk[4])
{
    return picturebytes::libjpegEncode(w, h, 4, [cmyk](int, int, int k) { return cmyk[k]; }, {.quality = 100});
}

} // namespace

class TestJpegDecoder : public QObject {
    Q_OBJECT

private slots:
    void scalesLargePicturesWhileDecoding_data();
    void scalesLargePicturesWhileDecoding();
    void turnsUprightByExifOrientation_data();
    void turnsUprightByExifOrientation();
    void scalesAgainstTheUprightTarget();
    void refusesPicturesTooLargeAsDecoded_data();
    void refusesPicturesTooLargeAsDecoded();
    void orientationMovesWholePixels_data();
    void orientationMovesWholePixels();
    void readsOrientationOnlyFromWellFormedExif_data();
    void readsOrientationOnlyFromWellFormedExif();
    void convertsAdobeCmyk();
};

void TestJpegDecoder::scalesLargePicturesWhileDecoding_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("output");
    const QSize box(140, 226);
    // 1/8 gives 135 x 240, one pixel column short of 140, so 2/8: 270 x 480.
    QTest::newRow("phone portrait") << QSize(1080, 1920) << box << QSize(270, 480);
    QTest::newRow("1/8 just covers") << QSize(2000, 2000) << box << QSize(250, 250);
    // width needs 4/8 (150), height needs 5/8 (250).
    QTest::newRow("5/8") << QSize(300, 400) << box << QSize(188, 250);
    QTest::newRow("smaller than the box") << QSize(100, 100) << box << QSize(100, 100);
    QTest::newRow("no target") << QSize(1080, 1920) << QSize() << QSize(1080, 1920);
    // Beyond the limits as stored (108 Mpx; 30000 a side), within them once scaled by 1/8.
    QTest::newRow("108 MP phone photo") << QSize(12000, 9000) << box << QSize(1500, 1125);
    QTest::newRow("panorama") << QSize(30000, 2000) << box << QSize(3750, 250);
}

void TestJpegDecoder::scalesLargePicturesWhileDecoding()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, target);
    QFETCH(QSize, output);
    // Written row by row by libjpeg: the large rows never exist as a picture in memory.
    const QByteArray jpeg = libjpegEncode(stored.width(), stored.height(), 3, [](int x, int y, int k) {
        return static_cast<unsigned char>(k == 0 ? x : k == 1 ? y : 99);
    });
    // The decoder's own output (decodePicture then block-averages it to about the box).
    const picture::DecodedPicture decoded = picture::decodeJpeg(jpeg, target);
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.image.size(), output);
    QVERIFY(decoded.warning.isNone());
}

void TestJpegDecoder::refusesPicturesTooLargeAsDecoded_data()
{
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QString>("reason");
    // Headers only: the refusal comes before any pixel is decoded.
    QTest::newRow("108 MP at full size") << QSize(12000, 9000) << QSize() << QStringLiteral("beyond the limit");
    QTest::newRow("past JPEG's own bound") << QSize(65535, 100) << QSize(140, 226) << QStringLiteral("65500");
}

void TestJpegDecoder::refusesPicturesTooLargeAsDecoded()
{
    QFETCH(QSize, stored);
    QFETCH(QSize, target);
    QFETCH(QString, reason);
    const QByteArray jpeg = withFrameSize(encode(painted(16, 16, [](int, int) { return qRgb(9, 9, 9); }), "jpeg", 90),
                                          unsigned(stored.width()),
                                          unsigned(stored.height()));
    const picture::DecodedPicture decoded = picture::decodePicture(jpeg, target);
    QVERIFY(decoded.image.isNull());
    QVERIFY2(core::englishText(decoded.reason).contains(reason), qPrintable(core::englishText(decoded.reason)));
}

void TestJpegDecoder::turnsUprightByExifOrientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<bool>("sideways");
    QTest::addColumn<int>("shownTopLeft");  // the stored quarter seen at the top left
    QTest::addColumn<int>("shownTopRight"); // and at the top right
    // Orientation names where the stored first row and first column are meant to be seen.
    QTest::newRow("1 as stored") << 1 << false << false << int(TopLeft) << int(TopRight);
    QTest::newRow("2 mirrored") << 2 << false << false << int(TopRight) << int(TopLeft);
    QTest::newRow("3 half turn") << 3 << false << false << int(BottomRight) << int(BottomLeft);
    QTest::newRow("4 upside down mirrored") << 4 << false << false << int(BottomLeft) << int(BottomRight);
    QTest::newRow("5 transposed") << 5 << false << true << int(TopLeft) << int(BottomLeft);
    QTest::newRow("6 quarter clockwise") << 6 << false << true << int(BottomLeft) << int(TopLeft);
    QTest::newRow("6 big-endian EXIF") << 6 << true << true << int(BottomLeft) << int(TopLeft);
    QTest::newRow("7 transverse") << 7 << false << true << int(BottomRight) << int(TopRight);
    QTest::newRow("8 quarter anticlockwise") << 8 << false << true << int(TopRight) << int(BottomRight);
    QTest::newRow("9 is not an orientation") << 9 << false << false << int(TopLeft) << int(TopRight);
}

void TestJpegDecoder::turnsUprightByExifOrientation()
{
    QFETCH(int, orientation);
    QFETCH(bool, bigEndian);
    QFETCH(bool, sideways);
    QFETCH(int, shownTopLeft);
    QFETCH(int, shownTopRight);
    const QByteArray jpeg = withApp1(encode(quarters(64, 32), "jpeg", 95), exifPayload(orientation, bigEndian));
    const picture::DecodedPicture decoded = picture::decodePicture(jpeg);
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    const QImage& shown = decoded.image;
    QCOMPARE(shown.size(), sideways ? QSize(32, 64) : QSize(64, 32));
    const int w = shown.width(), h = shown.height();
    QVERIFY(near(shown.pixel(w / 4, h / 4), kCornerColours[shownTopLeft]));
    QVERIFY(near(shown.pixel(3 * w / 4, h / 4), kCornerColours[shownTopRight]));
}

void TestJpegDecoder::scalesAgainstTheUprightTarget()
{
    // Stored 2000 x 1200 and shown upright as 1200 x 2000: 1/8 (shown 150 x 250) already covers 140 x 226.
    // Matching the stored size against the box would need 2/8.
    const QImage image = painted(2000, 1200, [](int x, int y) { return qRgb(x & 0xFF, y & 0xFF, 50); });
    const QByteArray jpeg = withApp1(encode(image, "jpeg", 80), exifPayload(6));
    const picture::DecodedPicture decoded = picture::decodePicture(jpeg, QSize(140, 226));
    QCOMPARE(decoded.image.size(), QSize(150, 250));
}

void TestJpegDecoder::orientationMovesWholePixels_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("alpha");
    for (int orientation = 1; orientation <= 8; ++orientation)
        QTest::addRow("%d", orientation) << orientation << false;
    QTest::newRow("5 with transparency") << 5 << true;
    QTest::newRow("8 with transparency") << 8 << true;
}

// Every pixel lands where the orientation's definition puts it, unchanged: each pixel of the stored picture
// is distinct, and the expectation is worked out pixel by pixel from the EXIF table.
void TestJpegDecoder::orientationMovesWholePixels()
{
    QFETCH(int, orientation);
    QFETCH(bool, alpha);
    const int w = 7;
    const int h = 4;
    QImage stored(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            stored.setPixel(x, y, qRgba(x * 30, y * 60, 200, alpha ? 40 + x * 20 : 255));
    const bool sideways = orientation >= 5;
    QImage expected(sideways ? h : w, sideways ? w : h, stored.format());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            // Where the pixel shown at (x, y) is stored.
            const QPoint at[9] = {{},
                                  {x, y},
                                  {w - 1 - x, y},
                                  {w - 1 - x, h - 1 - y},
                                  {x, h - 1 - y},
                                  {y, x},
                                  {y, h - 1 - x},
                                  {w - 1 - y, h - 1 - x},
                                  {w - 1 - y, x}};
            expected.setPixel(x, y, stored.pixel(at[orientation]));
        }
    }
    const QImage turned = picture::applyExifOrientation(stored, orientation);
    VERIFY_SAME_PIXELS(turned, expected);
    QVERIFY(turned == expected); // alpha and format as well
}

void TestJpegDecoder::readsOrientationOnlyFromWellFormedExif_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("orientation");
    const QByteArray good = exifPayload(8);
    QTest::newRow("well formed") << good << 8;
    QTest::newRow("big-endian") << exifPayload(3, true) << 3;
    QTest::newRow("not Exif") << QByteArray("XMP\0\0\0", 6) + good.mid(6) << 1;
    QTest::newRow("cut inside the entry") << good.left(good.size() - 9) << 1;
    QTest::newRow("only the header") << good.left(8) << 1;
    QByteArray farIfd = good;
    putU32le(farIfd, 6 + 4, 0xFFFFFFF0u);
    QTest::newRow("IFD offset past the end") << farIfd << 1;
    QByteArray manyEntries = good;
    putU16le(manyEntries, 6 + 8, 0xFFFF);
    QTest::newRow("entry count past the end") << manyEntries << 8;
    QByteArray longType = good;
    putU16le(longType, 6 + 10 + 2, 4);
    QTest::newRow("orientation not a SHORT") << longType << 1;
    QByteArray badMagic = good;
    putU16le(badMagic, 6 + 2, 43);
    QTest::newRow("not TIFF") << badMagic << 1;
    QTest::newRow("zero") << exifPayload(0) << 1;
}

void TestJpegDecoder::readsOrientationOnlyFromWellFormedExif()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, orientation);
    QCOMPARE(picture::exifOrientation(payload), orientation);
}

void TestJpegDecoder::convertsAdobeCmyk()
{
    // Inverted inks: 255 is no ink. Cyan-free, half magenta, full yellow, no black: orange-ish.
    const uchar cmyk[4] = {255, 128, 0, 255};
    const picture::DecodedPicture decoded = picture::decodePicture(cmykJpeg(16, 8, cmyk));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.image.size(), QSize(16, 8));
    QVERIFY(near(decoded.image.pixel(8, 4), qRgb(255, 128, 0)));
    QVERIFY(!near(decoded.image.pixel(8, 4), qRgb(0, 128, 255)));
}

QTEST_GUILESS_MAIN(TestJpegDecoder)
#include "test_jpeg_decoder.moc"
