// Hostile input is normal input: damaged, lying and enormous files give a picture or a reason, never a
// crash, an out-of-bounds access or an unbounded allocation. Each case is written to a real file named
// after its fault and read back as the window reads materials.
#include "material/picture_file.h"
#include "picture/picture.h"
#include "test_utils.h"
#include "testsupport/libpng_writer.h"
#include "testsupport/modern_pictures.h"
#include "testsupport/picture_bytes.h"

#include <QRandomGenerator>
#include <QtTest>

#include <zlib.h>

using namespace picturebytes;

Q_DECLARE_METATYPE(core::ReasonCode)

namespace {

picture::DecodedPicture decodeFile(const testutil::Sandbox& sandbox, const QString& name, const QByteArray& bytes)
{
    if (!sandbox.write(name, bytes))
        return {{}, core::ReasonCode::NoFileName, {}}; // the test file could not be made
    return picture::decodePicture(material::readPictureFile(sandbox.file(name)).bytes, QSize(140, 226));
}

QImage gradient(int w, int h)
{
    return painted(w, h, [](int x, int y) { return qRgb(x * 3 & 0xFF, y * 3 & 0xFF, 120); });
}

QByteArray bmpWithSize(qint32 w, qint32 h)
{
    QByteArray b = encode(gradient(4, 4), "bmp");
    putU32le(b, 18, quint32(w));
    putU32le(b, 22, quint32(h));
    return b;
}

QByteArray gifWithScreen(unsigned w, unsigned h)
{
    QByteArray b = gifFile(2, 2, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, {QByteArray(4, char(1))});
    putU16le(b, 6, w);
    putU16le(b, 8, h);
    return b;
}

QByteArray gifWithFrame(unsigned w, unsigned h)
{
    QByteArray b = gifFile(2, 2, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, {QByteArray(4, char(1))});
    const qsizetype descriptor = 6 + 7 + 12; // header, screen, four-colour table
    putU16le(b, descriptor + 5, w);
    putU16le(b, descriptor + 7, h);
    return b;
}

// An 8-bit run-length BMP of the picture's indexes (grey palette): each row as runs of one pixel, then the
// end-of-line code, and the end-of-picture code at the end.
QByteArray rle8Bmp(int w, int h, const std::function<int(int, int)>& index)
{
    QByteArray data;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x)
            data += QByteArray(1, char(1)) + char(index(x, y));
        data += QByteArray("\x00\x00", 2);
    }
    data += QByteArray("\x00\x01", 2);
    QByteArray palette;
    for (int i = 0; i < 256; ++i)
        palette += QByteArray(1, char(i)) + char(255 - i) + char(i / 2) + char(0);
    QByteArray b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    putU32le(b, 2, quint32(54 + palette.size() + data.size()));
    putU32le(b, 10, quint32(54 + palette.size()));
    putU32le(b, 14, 40);
    putU32le(b, 18, quint32(w));
    putU32le(b, 22, quint32(h));
    putU16le(b, 26, 1);
    putU16le(b, 28, 8);
    putU32le(b, 30, 1);
    putU32le(b, 34, quint32(data.size()));
    return b + palette + data;
}

// An icon whose one image is stored as a PNG.
QByteArray iconAround(const QByteArray& png)
{
    QByteArray b = QByteArray("\0\0\1\0\1\0", 6) + QByteArray(16, '\0');
    putU16le(b, 6 + 4, 1);  // planes
    putU16le(b, 6 + 6, 32); // bits a pixel
    putU32le(b, 6 + 8, quint32(png.size()));
    putU32le(b, 6 + 12, quint32(b.size()));
    return b + png;
}

int gifIndex(int x, int y)
{
    return (x / 3 + y) % 4;
}

QByteArray gifIndexes(int w, int h)
{
    QByteArray indexes;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            indexes.append(char(gifIndex(x, y)));
    return indexes;
}

void putU32be(QByteArray& b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (24 - 8 * i) & 0xFF);
}

// A HEIF file whose pictures' sizes (their "ispe" boxes: a coded picture's, and a grid's around it) say w x h.
QByteArray heifWithSize(QByteArray file, quint32 w, quint32 h)
{
    for (qsizetype ispe = file.indexOf("ispe"); ispe >= 0; ispe = file.indexOf("ispe", ispe + 1)) {
        putU32be(file, ispe + 8, w); // after the type, a version and flags word
        putU32be(file, ispe + 12, h);
    }
    return file;
}

// A little-endian TIFF (as Qt writes them, IFD0 within the first 64 KB) whose IFD0 entry `tag` holds the one
// value `v` of TIFF type `type` (3 SHORT, 4 LONG).
QByteArray tiffWithEntry(QByteArray file, int tag, int type, quint32 v)
{
    const qsizetype ifd = qsizetype(quint32(uchar(file[4])) | quint32(uchar(file[5])) << 8);
    const int count = uchar(file[ifd]) | uchar(file[ifd + 1]) << 8;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = ifd + 2 + 12 * qsizetype(i);
        if ((uchar(file[entry]) | uchar(file[entry + 1]) << 8) == tag) {
            putU16le(file, entry + 2, unsigned(type));
            putU32le(file, entry + 4, 1);
            putU32le(file, entry + 8, type == 3 ? v & 0xFFFF : v);
        }
    }
    return file;
}

// A TIFF whose first page claims w x h: the width and length entries of IFD0 made LONGs.
QByteArray tiffWithSize(const QByteArray& file, quint32 w, quint32 h)
{
    return tiffWithEntry(tiffWithEntry(file, 256, 4, w), 257, 4, h);
}

// The PNG with byte `at` of the first chunk of `type`'s data set to `v`, and the chunk's checksum made to match,
// so that libpng reads on to the damage.
QByteArray pngWithChunkByte(QByteArray file, const char* type, qsizetype at, char v)
{
    const qsizetype chunk = file.indexOf(type) - 4; // the length before the type
    const qsizetype length = qsizetype(quint32(uchar(file[chunk])) << 24 | quint32(uchar(file[chunk + 1])) << 16 |
                                       quint32(uchar(file[chunk + 2])) << 8 | uchar(file[chunk + 3]));
    file[chunk + 8 + at] = v;
    putU32be(file,
             chunk + 8 + length,
             quint32(crc32(0, reinterpret_cast<const Bytef*>(file.constData() + chunk + 4), uInt(length + 4))));
    return file;
}

// The JPEG with the byte `after` bytes past the first marker `marker` (0xFF then this byte) set to `v`.
QByteArray jpegWithMarkerByte(QByteArray file, char marker, qsizetype after, char v)
{
    file[file.indexOf(QByteArray("\xFF", 1) + marker) + after] = v;
    return file;
}

// An animated WebP whose canvas (24-bit sizes less one in the VP8X chunk) says w x h.
QByteArray webpWithCanvas(QByteArray file, quint32 w, quint32 h)
{
    for (int i = 0; i < 3; ++i) {
        file[24 + i] = char((w - 1) >> (8 * i) & 0xFF);
        file[27 + i] = char((h - 1) >> (8 * i) & 0xFF);
    }
    return file;
}

// A still lossy WebP whose key frame says w x h (14-bit fields after the frame tag and start code).
QByteArray webpWithFrameSize(QByteArray file, unsigned w, unsigned h)
{
    putU16le(file, 26, w);
    putU16le(file, 28, h);
    return file;
}

} // namespace

class TestHostilePictures : public QObject {
    Q_OBJECT

private slots:
    void refusesHugeDimensionsFromTheHeader_data();
    void refusesHugeDimensionsFromTheHeader();
    void refusesOrMarksTruncatedNewerFormats_data();
    void refusesOrMarksTruncatedNewerFormats();
    void showsWhatArrivedOfATruncatedJpeg();
    void fillsWhatNeverArrived_data();
    void fillsWhatNeverArrived();
    void averagesOnlyWhatArrivedOfACutInterlacedPng();
    void namesWhatIsDamagedInAPng_data();
    void namesWhatIsDamagedInAPng();
    void refusesAJpegCutInsideItsHeader();
    void namesDamageInAGif_data();
    void namesDamageInAGif();
    void cutsOffOverrunningPcxRuns();
    void marksATruncatedPcx();
    void survivesBogusBmpFields_data();
    void survivesBogusBmpFields();
    void paintsOutOfRangePaletteIndexesBlack();
    void tellsAnUnsupportedBmpFromADamagedOne_data();
    void tellsAnUnsupportedBmpFromADamagedOne();
    void marksWhereARunLengthBmpEnds();
    void refusesIconsWithoutUsableImages();
    void sortsEachLibrarysWordsIntoTheirKind_data();
    void sortsEachLibrarysWordsIntoTheirKind();
    void survivesRandomDamage();
};

void TestHostilePictures::refusesHugeDimensionsFromTheHeader_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("file");
    // JPEG is bounded by its size as decoded, after scaling to the box: test_jpeg_decoder.
    QTest::newRow("BMP 100000 x 100000") << "huge_dimensions.bmp" << bmpWithSize(100000, 100000);
    QTest::newRow("BMP too wide") << "too_wide.bmp" << bmpWithSize(16385, 1);
    QTest::newRow("BMP too many pixels") << "too_many_pixels.bmp" << bmpWithSize(9000, 9000);
    QTest::newRow("BMP top-down huge") << "huge_top_down.bmp" << bmpWithSize(40000, -40000);
    QTest::newRow("PCX 65536 x 65536") << "huge_dimensions.pcx"
                                       << pcxHeader(5, 8, 1, 65536, 65536, 65535) + QByteArray(900, 'x');
    QTest::newRow("PCX too tall") << "too_tall.pcx" << pcxHeader(3, 1, 1, 8, 20000, 2) + QByteArray(10, 'x');
    QTest::newRow("GIF screen 65535 x 65535") << "huge_screen.gif" << gifWithScreen(65535, 65535);
    QTest::newRow("GIF frame beyond a small screen") << "huge_frame.gif" << gifWithFrame(20000, 20000);
    const QImage small = gradient(16, 16);
    QTest::newRow("WebP 16383 x 16383") << "huge_frame.webp"
                                        << webpWithFrameSize(encode(small, "webp", 80), 16383, 16383);
    QTest::newRow("WebP animation canvas 20000 x 20000")
        << "huge_canvas.webp" << webpWithCanvas(animatedWebpFile({small, small.mirrored()}), 20000, 20000);
    QTest::newRow("TIFF 100000 x 100000")
        << "huge_dimensions.tif" << tiffWithSize(encode(small, "tiff"), 100000, 100000);
    QTest::newRow("TIFF too many pixels") << "too_many_pixels.tif" << tiffWithSize(encode(small, "tiff"), 9000, 9000);
    QTest::newRow("HEIC too many pixels") << "too_many_pixels.heic" << heifWithSize(heicFile(small), 9000, 9000);
    QTest::newRow("AVIF too many pixels") << "too_many_pixels.avif" << heifWithSize(avifFile({small}), 9000, 9000);
}

void TestHostilePictures::refusesHugeDimensionsFromTheHeader()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, file);
    QVERIFY(picture::recognise(file) != picture::PictureKind::None);
    testutil::Sandbox sandbox;
    const picture::DecodedPicture decoded = decodeFile(sandbox, name, file);
    QVERIFY(decoded.image.isNull());
    // The header check names the limit; a reader that had tried to allocate would fail otherwise.
    QCOMPARE(decoded.reason.code, core::ReasonCode::PictureTooLarge);
}

void TestHostilePictures::refusesOrMarksTruncatedNewerFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("file");
    const QImage image = gradient(64, 48);
    QTest::newRow("WebP") << "truncated.webp" << encode(image, "webp", 90);
    QTest::newRow("WebP animation") << "truncated_animation.webp"
                                    << animatedWebpFile({image, gradient(64, 48).mirrored()});
    QTest::newRow("TIFF") << "truncated.tif" << encode(image, "tiff");
    QTest::newRow("HEIC") << "truncated.heic" << heicFile(image);
    QTest::newRow("AVIF") << "truncated.avif" << avifFile({image});
    QTest::newRow("GIF") << "truncated.gif"
                         << gifFile(QSize(64, 48), {qRgb(1, 2, 3), qRgb(4, 5, 6)}, 0, {GifFrame(gifIndexes(64, 48))});
}

void TestHostilePictures::refusesOrMarksTruncatedNewerFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, file);
    QVERIFY(!file.isEmpty());
    testutil::Sandbox sandbox;
    // Cut inside the header, the header just read, and part of the picture data.
    for (const qsizetype cut : {qsizetype(16), qsizetype(40), file.size() / 2, file.size() - 20}) {
        const QByteArray truncated = file.left(cut);
        QVERIFY(picture::recognise(truncated) != picture::PictureKind::None);
        const picture::DecodedPicture decoded = decodeFile(sandbox, name, truncated);
        QCOMPARE(decoded.image.isNull(), !decoded.reason.isNone());
        // Never a picture passed off as whole: what is shown of a cut file comes with a warning.
        QVERIFY2(decoded.image.isNull() || !decoded.warning.isNone(), qPrintable(name + QString::number(cut)));
        if (cut == 16)
            QVERIFY(decoded.image.isNull());
    }
}

// A file cut to 60 %, decoded right after a noisy picture of the same size: the part that never arrived is
// the one missing-data colour in every format (never the noise left in memory), the part that arrived is
// the picture's, and a warning says the data ends early.
void TestHostilePictures::fillsWhatNeverArrived_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QImage>("whole"); // null for a lossy format
    const QImage image = gradient(160, 120);
    QTest::newRow("BMP 24-bit") << "cut.bmp" << encode(image, "bmp") << image;
    const QImage grey = image.convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("BMP 8-bit") << "cut8.bmp" << encode(grey, "bmp") << grey;
    auto index = [](int x, int y) { return (x + 2 * y) % 200; };
    QTest::newRow("BMP run-length") << "cut_rle.bmp" << rle8Bmp(160, 120, index) << QImage();
    // Noise, so the PNG's data is large enough to arrive in several reads.
    QRandomGenerator random(5);
    const QImage noisy = painted(160, 120, [&random](int, int) { return random.generate() | 0xFF000000; });
    QTest::newRow("PNG") << "cut.png" << encode(noisy, "png") << noisy;
    auto noisySample = [&noisy](int x, int y, int c) { return unsigned(noisy.pixel(x, y) >> (16 - 8 * c) & 0xFF); };
    QTest::newRow("PNG inside an icon") << "cut_png.ico" << iconAround(encode(noisy, "png")) << noisy;
    QTest::newRow("PNG interlaced") << "cut_interlaced.png" << libpngEncode(160, 120, {8, 2, true}, noisySample)
                                    << noisy;
    QTest::newRow("JPEG") << "cut.jpg" << encode(image, "jpeg", 90) << QImage();
    QTest::newRow("PCX") << "cut.pcx" << pcxHeader(5, 8, 1, 160, 120, 160) + QByteArray(160 * 120LL, char(0x21))
                         << QImage();
    // GIF: the rows of the frame that never came, whether stored top to bottom or in interlaced passes.
    const QList<QRgb> four{qRgb(200, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 220), qRgb(250, 250, 250)};
    const QImage gif = painted(160, 120, [&](int x, int y) { return four[gifIndex(x, y)]; });
    QTest::newRow("GIF") << "cut.gif" << gifFile(QSize(160, 120), four, 0, {GifFrame(gifIndexes(160, 120))}) << gif;
    QTest::newRow("GIF, interlaced") << "cut_interlaced.gif"
                                     << gifFile(
                                            QSize(160, 120), four, 0, {GifFrame(gifIndexes(160, 120), {}, {}, true)})
                                     << gif;
}

void TestHostilePictures::fillsWhatNeverArrived()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, file);
    QFETCH(QImage, whole);
    testutil::Sandbox sandbox;
    const QImage noise = painted(160, 120, [](int x, int y) { return qRgb(x * 31 & 0xFF, y * 17 & 0xFF, 7); });
    QVERIFY(!decodeFile(sandbox, "noise.bmp", encode(noise, "bmp")).image.isNull());

    const picture::DecodedPicture decoded = decodeFile(sandbox, name, file.left(file.size() * 6 / 10));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.warning.code, core::ReasonCode::Truncated);
    const QImage shown = decoded.image.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(160, 120));
    const QImage expected = whole.convertToFormat(QImage::Format_RGB32);
    int missing = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb pixel = shown.pixel(x, y);
            if (pixel == picture::kMissingDataColour)
                ++missing;
            else if (!expected.isNull())
                QCOMPARE(pixel, expected.pixel(x, y));
        }
    }
    // A whole row (the top of a BMP, stored bottom up; the bottom of the others) never arrived.
    const int row = name.endsWith(QLatin1String(".bmp")) ? 0 : 119;
    for (int x = 0; x < 160; ++x)
        QCOMPARE(shown.pixel(x, row), picture::kMissingDataColour);
    QVERIFY(missing < 160 * 120);
}

void TestHostilePictures::showsWhatArrivedOfATruncatedJpeg()
{
    const QImage image = gradient(64, 64);
    const QByteArray jpeg = encode(image, "jpeg", 95);
    testutil::Sandbox sandbox;
    const picture::DecodedPicture decoded = decodeFile(sandbox, "truncated.jpg", jpeg.left(jpeg.size() / 2));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.image.size(), QSize(64, 64));
    QVERIFY(!decoded.warning.isNone());
    const QRgb top = decoded.image.pixel(10, 2);
    QVERIFY(std::abs(qRed(top) - qRed(image.pixel(10, 2))) < 16 && std::abs(qBlue(top) - 120) < 16);
}

// An interlaced PNG reduced by 2 and cut at a fifth: its first four passes (an eighth of the data) arrived
// and the fifth (rows 2, 6, 10 ...) did not finish, so of each 2 x 2 block starting on a row divisible by 4
// exactly the top left pixel arrived. The reduced pixel is that pixel, not a blend with the grey of those that
// never came; the blocks of the last rows, of the seventh pass only, are grey.
void TestHostilePictures::averagesOnlyWhatArrivedOfACutInterlacedPng()
{
    QRandomGenerator random(12);
    const QImage noisy = painted(280, 452, [&random](int, int) { return random.generate() | 0xFF000000; });
    const QByteArray file = libpngEncode(280, 452, {8, 2, true}, [&noisy](int x, int y, int c) {
        return unsigned(noisy.pixel(x, y) >> (16 - 8 * c) & 0xFF);
    });
    testutil::Sandbox sandbox;
    const picture::DecodedPicture decoded = decodeFile(sandbox, "cut_interlaced.png", file.left(file.size() / 5));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.warning.code, core::ReasonCode::Truncated);
    QCOMPARE(decoded.image.size(), QSize(140, 226));
    for (int by = 0; by < 226; by += 2)
        for (int bx = 0; bx < 140; ++bx)
            QCOMPARE(decoded.image.pixel(bx, by), noisy.pixel(2 * bx, 2 * by));
    QCOMPARE(decoded.image.pixel(139, 225), picture::kMissingDataColour);
}

// A PNG with a damaged checksum names the format and what libpng found: in its header, no picture; in its
// pixel data, the rows read before libpng found it, with a warning.
void TestHostilePictures::namesWhatIsDamagedInAPng_data()
{
    QTest::addColumn<qsizetype>("at"); // the byte changed, counted from the end when negative
    QTest::addColumn<bool>("shown");
    QTest::newRow("header checksum") << qsizetype(29) << false;
    QTest::newRow("pixel data checksum") << qsizetype(-13) << true; // the last byte before IEND
}

void TestHostilePictures::namesWhatIsDamagedInAPng()
{
    QFETCH(qsizetype, at);
    QFETCH(bool, shown);
    QByteArray file = encode(gradient(64, 48), "png");
    const qsizetype index = at < 0 ? file.size() + at : at;
    file[index] = char(file[index] ^ 0x5A);
    testutil::Sandbox sandbox;
    const picture::DecodedPicture decoded = decodeFile(sandbox, "bad_checksum.png", file);
    QCOMPARE(!decoded.image.isNull(), shown);
    const core::Reason& said = shown ? decoded.warning : decoded.reason;
    QCOMPARE(said.code, shown ? core::ReasonCode::DamagedShown : core::ReasonCode::Damaged);
    QCOMPARE(said.args.value(0), QStringLiteral("PNG"));
    QVERIFY2(said.args.value(1).contains(QLatin1String("CRC error")), qPrintable(core::englishText(said)));
}

void TestHostilePictures::refusesAJpegCutInsideItsHeader()
{
    const QByteArray jpeg = encode(gradient(64, 64), "jpeg", 95);
    for (qsizetype cut : {6, 20, 100}) {
        const picture::DecodedPicture decoded = picture::decodePicture(jpeg.left(cut));
        QVERIFY(decoded.image.isNull());
        QVERIFY(!decoded.reason.isNone());
    }
}

// giflib's words for what is wrong reach the reason. Damage after some rows shows those rows, the rest in
// the missing-data colour; damage before any row gives no picture.
void TestHostilePictures::namesDamageInAGif_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<core::ReasonCode>("code"); // the reason's, or with a picture the warning's
    QTest::addColumn<QString>("words");
    QTest::addColumn<int>("rowsShown");
    const QList<QRgb> four{qRgb(200, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 220), qRgb(250, 250, 250)};
    QByteArray indexes = gifIndexes(8, 6);
    indexes[16] = 7; // the third row's first, right after a clear code, where no code past the literals is defined
    const QString defect = QStringLiteral("Image is defective, decoding aborted");
    QTest::newRow("bad code in the third row")
        << gifFile(QSize(8, 6), four, 0, {GifFrame(indexes)}) << core::ReasonCode::DamagedShown << defect << 2;
    QTest::newRow("bad code in the first row")
        << gifFile(QSize(8, 6), four, 0, {GifFrame(indexes.mid(16), QRect(0, 0, 8, 4))}) << core::ReasonCode::Damaged
        << defect << 0;
    QByteArray wideCodes = gifFile(QSize(8, 6), four, 0, {GifFrame(gifIndexes(8, 6))});
    wideCodes[13 + 12 + 10] = 9; // the LZW code size, after the screen, the table and the frame's descriptor
    QTest::newRow("LZW codes wider than 8 bits") << wideCodes << core::ReasonCode::Damaged << defect << 0;
    QTest::newRow("cut after the frame's descriptor")
        << wideCodes.left(13 + 12 + 10) << core::ReasonCode::Damaged << "Image EOF detected before image complete" << 0;
    const QByteArray header = gifFile(QSize(8, 6), four, 0, {});
    QTest::newRow("no frame before the trailer")
        << header << core::ReasonCode::Damaged << "No Image Descriptor detected" << 0;
    QTest::newRow("unknown record") << header.left(header.size() - 1) + "x" << core::ReasonCode::Damaged
                                    << "Wrong record type detected" << 0;
}

void TestHostilePictures::namesDamageInAGif()
{
    QFETCH(QByteArray, file);
    QFETCH(core::ReasonCode, code);
    QFETCH(QString, words);
    QFETCH(int, rowsShown);
    const picture::DecodedPicture decoded = picture::decodePicture(file);
    const core::Reason& reason = decoded.image.isNull() ? decoded.reason : decoded.warning;
    QCOMPARE(reason, core::Reason(code, {QStringLiteral("GIF"), words}));
    QCOMPARE(decoded.image.isNull(), rowsShown == 0);
    for (int y = 0; y < decoded.image.height(); ++y)
        for (int x = 0; x < decoded.image.width(); ++x)
            QCOMPARE(decoded.image.pixel(x, y) == picture::kMissingDataColour, y >= rowsShown);
}

void TestHostilePictures::cutsOffOverrunningPcxRuns()
{
    // 4 x 2 pixels: one literal, then a run of 63 where seven pixels are left.
    const QByteArray data = QByteArray(1, char(7)) + QByteArray("\xFF\x09", 2);
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, i * 2 & 0xFF, 255 - i));
    testutil::Sandbox sandbox;
    const picture::DecodedPicture decoded =
        decodeFile(sandbox, "rle_overrun.pcx", pcxHeader(5, 8, 1, 4, 2, 4) + data + pcxPalette(palette));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    const QImage expected = painted(4, 2, [&](int x, int y) { return palette[x + y == 0 ? 7 : 9]; });
    VERIFY_SAME_PIXELS(decoded.image, expected);
}

void TestHostilePictures::marksATruncatedPcx()
{
    // Three lines announced, one and a half present.
    const QByteArray data = QByteArray("\x01\x02\x03\x04\x05\x06", 6);
    testutil::Sandbox sandbox;
    const picture::DecodedPicture decoded = decodeFile(sandbox, "truncated.pcx", pcxHeader(5, 8, 1, 4, 3, 4) + data);
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QVERIFY(!decoded.warning.isNone());
    QCOMPARE(decoded.image.size(), QSize(4, 3));
    // No closing palette: indexes are shown as greys.
    QCOMPARE(decoded.image.pixel(3, 0), qRgb(4, 4, 4));
    // The line the data ends in and the line after it are the missing-data colour.
    QCOMPARE(decoded.image.pixel(1, 1), picture::kMissingDataColour);
    QCOMPARE(decoded.image.pixel(1, 2), picture::kMissingDataColour);
}

void TestHostilePictures::survivesBogusBmpFields_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<quint32>("value");
    QTest::newRow("pixel offset past the end") << 10 << 0xFFFFFFF0u;
    QTest::newRow("pixel offset inside the header") << 10 << 2u;
    QTest::newRow("info header size enormous") << 14 << 0xFFFFFFFFu;
    QTest::newRow("info header size zero") << 14 << 0u;
    QTest::newRow("32 bits per pixel claimed") << 28 << 32u;
    QTest::newRow("run-length compression claimed") << 30 << 1u;
    QTest::newRow("colour count enormous") << 46 << 0x7FFFFFFFu;
}

void TestHostilePictures::survivesBogusBmpFields()
{
    QFETCH(int, offset);
    QFETCH(quint32, value);
    QByteArray file = encode(gradient(12, 8), "bmp");
    putU32le(file, offset, value);
    const picture::DecodedPicture decoded = picture::decodePicture(file);
    QCOMPARE(decoded.image.isNull(), !decoded.reason.isNone());
    if (!decoded.image.isNull())
        QCOMPARE(decoded.image.size(), QSize(12, 8));
}

void TestHostilePictures::paintsOutOfRangePaletteIndexesBlack()
{
    // Two colours declared, indexes up to 255 used.
    const QByteArray indexes("\x00\x01\xC8\xFF", 4);
    testutil::Sandbox sandbox;
    const picture::DecodedPicture decoded =
        decodeFile(sandbox, "palette_out_of_range.bmp", bmp8(4, 1, {qRgb(10, 20, 30), qRgb(200, 100, 50)}, indexes));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    const QImage expected = painted(4, 1, [](int x, int) {
        return x == 0 ? qRgb(10, 20, 30) : x == 1 ? qRgb(200, 100, 50) : qRgb(0, 0, 0);
    });
    VERIFY_SAME_PIXELS(decoded.image, expected);
}

// A valid layout the decoder does not read is "not supported", never "damaged"; damaged is kept for
// data that is.
void TestHostilePictures::tellsAnUnsupportedBmpFromADamagedOne_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<core::ReasonCode>("code");
    QTest::addColumn<QString>("words");
    const QList<QRgb> two{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    const QByteArray rows = bmpRows(8, 2, 24, [](int x, int y) { return quint64(x) * 30 + quint64(y); });
    QTest::newRow("OS/2 Huffman 1D") << bmpFile({64, 8, 2, 1, 3, {}, two, 2, 0, QByteArray(8, '\0')})
                                     << core::ReasonCode::Unsupported << "Huffman 1D compression";
    QTest::newRow("CMYK") << bmpFile({40, 8, 2, 32, 11, {}, {}, 0, 0, QByteArray(64, '\0')})
                          << core::ReasonCode::Unsupported << "CMYK colours (compression 11)";
    QTest::newRow("compression 9") << bmpFile({40, 8, 2, 24, 9, {}, {}, 0, 0, rows}) << core::ReasonCode::Unsupported
                                   << "compression 9";
    QTest::newRow("masks with holes") << bmpFile(
                                             {40, 8, 2, 16, 3, {0xF00F, 0x0F00, 0x00F0}, {}, 0, 0, QByteArray(32, 'x')})
                                      << core::ReasonCode::Unsupported << "bit-field masks that are not contiguous";
    QTest::newRow("8-bit run-length of 4 bits")
        << bmpFile({40, 8, 2, 4, 1, {}, two, 2, 0, QByteArray("\0\1", 2)}) << core::ReasonCode::Damaged
        << "4 bits per pixel with compression 1 is invalid";
    QTest::newRow("3 bits per pixel") << bmpFile({40, 8, 2, 3, 0, {}, two, 2, 0, rows}) << core::ReasonCode::Damaged
                                      << "3 bits per pixel with compression 0 is invalid";
    QTest::newRow("no PNG where one is said to be")
        << bmpFile({40, 8, 2, 0, 5, {}, {}, 0, 0, rows}) << core::ReasonCode::Damaged
        << "the pixel data offset holds no PNG data";
    QTest::newRow("info header of 13 bytes") << bmpFile({13, 8, 2, 24, 0, {}, {}, 0, 0, rows})
                                             << core::ReasonCode::Damaged << "the info header size 13 is invalid";
    QTest::newRow("cut before its pixels") << bmpFile({40, 8, 2, 24, 0, {}, {}, 0, 0, {}}) << core::ReasonCode::Damaged
                                           << "the file ends before its pixel data";
}

void TestHostilePictures::tellsAnUnsupportedBmpFromADamagedOne()
{
    QFETCH(QByteArray, file);
    QFETCH(core::ReasonCode, code);
    QFETCH(QString, words);
    const picture::DecodedPicture decoded = picture::decodePicture(file);
    QVERIFY(decoded.image.isNull());
    QCOMPARE(decoded.reason, core::Reason(code, {QStringLiteral("BMP"), words}));
    const QString chinese = core::chineseText(decoded.reason);
    QVERIFY2(chinese.startsWith(code == core::ReasonCode::Unsupported ? u"不支持这种 BMP 图片" : u"BMP 图片数据已损坏"),
             qPrintable(chinese));
}

// A run-length BMP whose data ends after a jump: the pixels the jump passed over are transparent, those
// after the point where the data ends are the missing-data colour, and a warning says the data ends early.
void TestHostilePictures::marksWhereARunLengthBmpEnds()
{
    const QList<QRgb> table{qRgb(10, 20, 30), qRgb(200, 100, 50)};
    // Bottom row: two pixels, a jump one row up; then one pixel and the end of the data.
    const QByteArray data("\x02\x01\x00\x02\x00\x01\x01\x00", 8);
    const QByteArray file = bmpFile({40, 4, 3, 8, 1, {}, table, 2, 0, data});
    const picture::DecodedPicture decoded = picture::decodePicture(file);
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.warning, core::Reason(core::ReasonCode::Truncated, {QStringLiteral("BMP")}));
    const QRgb clear = 0, grey = picture::kMissingDataColour, a = table[0], b = table[1];
    const QList<QList<QRgb>> expected{{grey, grey, grey, grey}, {clear, clear, a, grey}, {b, b, clear, clear}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(decoded.image.pixel(x, y), expected[y][x]);
}

void TestHostilePictures::refusesIconsWithoutUsableImages()
{
    QByteArray file = iconFile(1, {{16, 32, qRgb(1, 2, 3), 1, 32}, {32, 32, qRgb(4, 5, 6), 1, 32}});
    putU32le(file, 6 + 12, 0xFFFFFF00u);                    // first image far past the end
    putU32le(file, 6 + 16 + 12, quint32(file.size() - 10)); // second one's header cut off
    const picture::DecodedPicture decoded = picture::decodePicture(file);
    QVERIFY(decoded.image.isNull());
    QVERIFY(!decoded.reason.isNone());
}

// The decoder libraries' own English words are sorted into the few kinds of damage the window names in
// Chinese (core/reasons.cpp). Each row provokes one library's words with a damaged file; a library whose
// words change on an upgrade fails here instead of turning a precise message into the general one.
void TestHostilePictures::sortsEachLibrarysWordsIntoTheirKind_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("kind");
    const QString checksum = QStringLiteral("校验和不符");
    const QString early = QStringLiteral("数据提前结束");
    const QString unsupported = QStringLiteral("用到了不支持的编码或功能");
    const QString noImage = QStringLiteral("文件中没有可显示的图像");
    const QString compressed = QStringLiteral("压缩数据无法解码");
    const QString field = QStringLiteral("文件结构或字段值无效");
    const QString header = QStringLiteral("文件头无效");
    const QImage image = gradient(64, 48);

    const QByteArray png = encode(image, "png");
    QByteArray badChecksum = png;
    badChecksum[29] = char(badChecksum[29] ^ 0x5A); // the header chunk's checksum
    QTest::newRow("libpng: header checksum") << badChecksum << checksum;
    QTest::newRow("libpng: bit depth 3") << pngWithChunkByte(png, "IHDR", 8, 3) << header;
    QTest::newRow("zlib in libpng: compression header") << pngWithChunkByte(png, "IDAT", 0, 0x77) << compressed;
    QTest::newRow("zlib in libpng: block type") << pngWithChunkByte(png, "IDAT", 2, 0x07) << compressed;

    const QByteArray jpeg = encode(image, "jpeg", 90);
    QTest::newRow("libjpeg: quantisation table length") << jpegWithMarkerByte(jpeg, '\xDB', 3, 1) << field;
    QTest::newRow("libjpeg: lossless process") << jpegWithMarkerByte(jpeg, '\xC0', 1, '\xC3') << unsupported;
    QTest::newRow("libjpeg: no lines, as if a DNL marker followed")
        << jpegWithMarkerByte(jpegWithMarkerByte(jpeg, '\xC0', 5, 0), '\xC0', 6, 0) << unsupported;
    QTest::newRow("libjpeg: Huffman table counts") << jpegWithMarkerByte(jpeg, '\xC4', 6, '\xFF') << compressed;

    const QList<QRgb> four{qRgb(200, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 220), qRgb(250, 250, 250)};
    const QByteArray gif = gifFile(QSize(8, 6), four, 0, {GifFrame(gifIndexes(8, 6))});
    QByteArray wideCodes = gif;
    wideCodes[13 + 12 + 10] = 9; // the LZW code size, after the screen, the table and the frame's descriptor
    QTest::newRow("giflib: LZW codes too wide") << wideCodes << compressed;
    QTest::newRow("giflib: cut after the frame's descriptor") << gif.left(13 + 12 + 10) << early;
    const QByteArray noFrame = gifFile(QSize(8, 6), four, 0, {});
    QTest::newRow("giflib: no frame") << noFrame << noImage;
    QTest::newRow("giflib: unknown record") << noFrame.left(noFrame.size() - 1) + "x" << field;

    const QByteArray tiff = encode(image, "tiff");
    QTest::newRow("libtiff: photometric ICC Lab") << tiffWithEntry(tiff, 262, 3, 9) << unsupported;
    QTest::newRow("libtiff: 3-bit samples") << tiffWithEntry(tiff, 258, 3, 3) << unsupported;
    QByteArray farDirectory = tiff;
    putU32le(farDirectory, 4, 0x7FFFFFF0u);
    QTest::newRow("libtiff: directory past the end") << farDirectory << early;

    const QByteArray webp = encode(image, "webp", 90);
    QTest::newRow("libwebp: cut inside the header") << webp.left(24) << early;
    QByteArray startCode = webp;
    startCode[23] = 0; // the key frame's start code, after the chunk header and the frame tag
    QTest::newRow("libwebp: key frame start code") << startCode << header;

    const QByteArray heic = heicFile(image);
    QByteArray noMeta = heic;
    noMeta.replace(noMeta.indexOf("meta"), 4, "xeta");
    QTest::newRow("libheif: no meta box") << noMeta << field;
    QByteArray heicData = heic;
    for (qsizetype i = heicData.indexOf("mdat") + 8; i < heicData.size(); ++i)
        heicData[i] = char(0xFF);
    QTest::newRow("libheif: HEVC data") << heicData << compressed;
    QTest::newRow("libheif: cut inside the coded picture") << heic.left(heic.size() - 10) << early;
    QByteArray avifData = avifFile({image});
    for (qsizetype i = avifData.indexOf("mdat") + 8; i < avifData.size(); ++i)
        avifData[i] = char(0xFF);
    QTest::newRow("libheif: AV1 data") << avifData << compressed;
}

void TestHostilePictures::sortsEachLibrarysWordsIntoTheirKind()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, kind);
    const picture::DecodedPicture decoded = picture::decodePicture(file);
    const core::Reason& reason = decoded.image.isNull() ? decoded.reason : decoded.warning;
    QVERIFY2(reason.code == core::ReasonCode::Damaged || reason.code == core::ReasonCode::DamagedShown ||
                 reason.code == core::ReasonCode::Unsupported,
             qPrintable(core::englishText(reason)));
    QVERIFY2(core::chineseText(reason).contains(kind), qPrintable(core::englishText(reason)));
}

void TestHostilePictures::survivesRandomDamage()
{
    // Valid files of every kind with bytes overwritten at random: each must decode or be refused.
    QList<QRgb> palette(256, qRgb(9, 9, 9));
    const QList<QByteArray> samples{
        encode(gradient(24, 16), "jpeg", 80),
        encode(gradient(24, 16), "bmp"),
        encode(gradient(24, 16), "png"),
        gifFile(3, 2, {qRgb(1, 2, 3)}, {QByteArray("\x00\x01\x02\x03\x02\x01", 6)}),
        iconFile(2, {{16, 24, qRgb(1, 2, 3), 1, 1}}),
        pcxHeader(5, 8, 1, 6, 4, 6) + pcxRle(QByteArray(24, char(0xC3))) + pcxPalette(palette),
        pcxHeader(3, 1, 1, 12, 4, 2) + pcxRle(QByteArray(8, char(0x5A))),
        encode(gradient(24, 16), "webp", 80),
        encode(gradient(24, 16), "tiff"),
        heicFile(gradient(24, 16)),
        avifFile({gradient(24, 16)}),
    };
    QRandomGenerator rng(20240601);
    int pictures = 0;
    for (const QByteArray& sample : samples) {
        for (int round = 0; round < 150; ++round) {
            QByteArray damaged = sample;
            const int changes = 1 + int(rng.bounded(6));
            for (int i = 0; i < changes; ++i)
                damaged[rng.bounded(int(damaged.size()))] = char(rng.bounded(256));
            if (rng.bounded(4) == 0)
                damaged.truncate(6 + rng.bounded(int(damaged.size()) - 6));
            const picture::DecodedPicture decoded = picture::decodePicture(damaged, QSize(140, 226));
            QCOMPARE(decoded.image.isNull(), !decoded.reason.isNone());
            pictures += decoded.image.isNull() ? 0 : 1;
        }
    }
    QVERIFY(pictures > 0); // damage in pixel data still gives pictures
}

QTEST_GUILESS_MAIN(TestHostilePictures)
#include "test_hostile_pictures.moc"
