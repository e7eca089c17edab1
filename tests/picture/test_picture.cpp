// Recognition by the first bytes, and decoding of small valid files of every kind to exact pixels.
#include "material/composition.h"
#include "material/picture_file.h"
#include "picture/heif_decoder.h"
#include "picture/picture.h"
#include "test_utils.h"
#include "testsupport/libpng_writer.h"
#include "testsupport/modern_pictures.h"
#include "testsupport/photo_jpeg.h"
#include "testsupport/picture_bytes.h"
#include "testsupport/programs.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using picture::PictureKind;
Q_DECLARE_METATYPE(material::Fit)
using namespace picturebytes;

Q_DECLARE_METATYPE(PictureKind)

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

QRgb pcxColour(int i)
{
    return qRgb(i, 255 - i, (i * 7) & 0xFF);
}

// An ISO "ftyp" box with a major brand and compatible brands, as HEIF files begin.
QByteArray ftyp(const QByteArray& major, const QList<QByteArray>& compatible)
{
    QByteArray b(4, '\0');
    b += "ftyp" + major + QByteArray(4, '\0');
    for (const QByteArray& brand : compatible)
        b += brand;
    b[3] = char(b.size());
    return b;
}

QImage smooth(int w, int h)
{
    return painted(w, h, [=](int x, int y) { return qRgb(40 + x * 190 / w, 30 + y * 200 / h, 220 - x * 120 / w); });
}

QByteArray tiffTurned(const QImage& image, QImageIOHandler::Transformation turn)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setTransformation(turn); // written as the Orientation tag, the rows as given
    writer.write(image);
    return bytes;
}

int pcxIndex(int x, int y)
{
    return (x * 37 + y * 101) % 256; // every value, runs and bytes above 0xC0 among them
}

// The largest difference of any channel between two same-sized pictures; -1 when the sizes differ.
int maxChannelDiff(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max(
                {worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

int channel(QRgb rgb, int c)
{
    return c == 0 ? qRed(rgb) : c == 1 ? qGreen(rgb) : c == 2 ? qBlue(rgb) : qAlpha(rgb);
}

// 16-bit samples that change from pixel to pixel, with blocks of fully transparent bright red: a reduction
// that averaged colours without their alpha would bleed the red into its neighbours.
unsigned pattern16(int x, int y, int c)
{
    const bool clear = (x / 3 + y / 4) % 3 == 0;
    switch (c) {
    case 0:
        return clear ? 0xFFFF : unsigned(x * 523 + y * 97) * 37 % 65536;
    case 1:
        return clear ? 0 : unsigned(x * 61 + y * 1103) * 13 % 65536;
    case 2:
        return clear ? 0 : unsigned(x ^ y) * 257 % 65536;
    default:
        return clear ? 0 : unsigned(x * 7 + y * 11) * 211 % 65536;
    }
}

// What a PNG of these samples reduced by k looks like over the box's white, computed here from the samples
// themselves: each pixel the average of its k x k block (smaller at the right and bottom edges), colours
// weighted by their alpha.
QImage
reducedOverWhite(int w, int h, int k, const PngShape& shape, const std::function<unsigned(int, int, int)>& sample)
{
    const double max = (1 << shape.depth) - 1;
    const bool grey = shape.colourType == 0 || shape.colourType == 4;
    const int alphaChannel = shape.colourType == 4 ? 1 : shape.colourType == 6 ? 3 : -1;
    QImage out((w + k - 1) / k, (h + k - 1) / k, QImage::Format_RGB32);
    for (int by = 0; by < out.height(); ++by)
        for (int bx = 0; bx < out.width(); ++bx) {
            double sum[3] = {}, alpha = 0;
            int n = 0;
            for (int y = by * k; y < std::min(h, by * k + k); ++y)
                for (int x = bx * k; x < std::min(w, bx * k + k); ++x, ++n) {
                    const double a = alphaChannel < 0 ? 1 : sample(x, y, alphaChannel) / max;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += sample(x, y, grey ? 0 : c) / max * a;
                    alpha += a;
                }
            auto shown = [&](int c) { return int(std::lround(255 * (sum[c] + n - alpha) / n)); };
            out.setPixel(bx, by, qRgb(shown(0), shown(1), shown(2)));
        }
    return out;
}

// The 8-bit value a painter means by an n-bit channel value: its n binary digits written out and repeated
// until there are eight, the first eight taken.
int widenedByDigits(quint64 v, int n)
{
    if (n == 0)
        return 0;
    const QString digits = QString::number(v, 2).rightJustified(n, QLatin1Char('0'));
    QString repeated;
    while (repeated.size() < 8)
        repeated += digits;
    return repeated.left(8).toInt(nullptr, 2);
}

QRgb bmpColour(int x, int y)
{
    return qRgb((x * 53 + y * 17) & 0xFF, (x * 29 + y * 71) & 0xFF, (x * x + y * 5) & 0xFF);
}

// A 16- or 32-bit bit-field BMP of channels `widths` (red, green, blue, alpha), laid from the top bit down,
// and the picture it shows: every channel all ones in the first column, zero in the second, varied after.
std::pair<QByteArray, QImage> bitFieldBmp(int bits, QList<int> widths, int infoSize, quint32 compression)
{
    const int w = 6, h = 3;
    widths.resize(4, 0);
    QList<quint32> masks;
    QList<int> shifts;
    for (int c = 0, top = widths[0] + widths[1] + widths[2] + widths[3]; c < 4; ++c) {
        top -= widths[c];
        shifts.append(top);
        masks.append(widths[c] == 0 ? 0 : quint32((quint64(1) << widths[c]) - 1) << top);
    }
    auto sample = [&](int x, int y, int c) -> quint64 {
        const quint64 max = (quint64(1) << widths[c]) - 1;
        return x == 0 ? max : x == 1 ? 0 : quint64(x * 977 + y * 3131 + c * 5557) % (max + 1);
    };
    const bool alpha = widths[3] > 0;
    QImage expected(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = alpha ? widenedByDigits(sample(x, y, 3), widths[3]) : 255;
            const QRgb c = qRgba(widenedByDigits(sample(x, y, 0), widths[0]),
                                 widenedByDigits(sample(x, y, 1), widths[1]),
                                 widenedByDigits(sample(x, y, 2), widths[2]),
                                 a);
            expected.setPixel(x, y, c);
        }
    const QByteArray rows = bmpRows(w, h, bits, [&](int x, int y) {
        quint64 v = 0;
        for (int c = 0; c < 4; ++c)
            v |= widths[c] == 0 ? 0 : sample(x, y, c) << shifts[c];
        return v;
    });
    const QList<quint32> given = compression == 0          ? QList<quint32>()
                                 : alpha || infoSize >= 56 ? masks
                                                           : masks.mid(0, 3);
    BmpLayout layout{infoSize, w, h, bits, compression, given};
    layout.pixels = rows;
    return {bmpFile(layout), expected};
}

QImage withAlpha(const QImage& image, const std::function<int(int, int)>& alpha)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const int a = alpha(x, y);
            out.setPixel(x, y, (out.pixel(x, y) & 0xFFFFFF) | quint32(a) << 24);
        }
    return out;
}

// The rows of a run-length BMP, given as the codes and bytes as written.
QByteArray rleBytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// A picture drawn from a map of characters, one per pixel: '.' transparent, a digit that palette entry.
QImage fromMap(const QStringList& rows, const QList<QRgb>& palette)
{
    const bool clear = rows.join(QString()).contains(QLatin1Char('.'));
    QImage out(int(rows[0].size()), int(rows.size()), clear ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QChar c = rows[y][x];
            out.setPixel(x, y, c == QLatin1Char('.') ? 0 : palette[c.digitValue()]);
        }
    return out;
}

// The linear-light s2.13 value of a 64-bit BMP channel as 8-bit sRGB.
int srgbOf(int fixed)
{
    const double l = std::clamp(fixed / 8192.0, 0.0, 1.0);
    return int(std::lround(255 * (l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055)));
}

// ImageMagick's convert, called by its Debian name where it has one.
QString magick()
{
    const QString im6 = QStandardPaths::findExecutable(QStringLiteral("convert-im6.q16"));
    return im6.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("convert")) : im6;
}

// What another program writes: `program` (a path; empty when it is not installed) with `args`, where "IN" is
// a file of `input` named `inName` and "OUT" the file it writes ("BMP3:OUT" for ImageMagick's format prefix).
// Empty when the program is missing or failed.
QByteArray writtenBy(const QString& program, const QStringList& args, const QByteArray& input, const QString& inName)
{
    testutil::Sandbox dir;
    QStringList filled;
    for (const QString& a : args)
        filled << (a == QLatin1String("IN")           ? dir.file(inName)
                   : a.endsWith(QLatin1String("OUT")) ? a.chopped(3) + dir.file(QStringLiteral("out"))
                                                      : a);
    const testutil::ProgramRun run =
        program.isEmpty() || !dir.write(inName, input) ? testutil::ProgramRun{} : testutil::runProgram(program, filled);
    if (run.exitCode != 0) {
        qWarning("%s failed: %s", qPrintable(program), qPrintable(run.err));
        return {};
    }
    return testutil::readFile(dir.file(QStringLiteral("out")));
}

// What another program writes of `image`, given it as a PNG (as an uncompressed TIFF for libtiff's tools).
QByteArray writtenBy(const QString& program, const QStringList& args, const QImage& image)
{
    const bool tiffTool = QFileInfo(program).fileName().startsWith(QLatin1String("tiff"));
    const QImage given = image.hasAlphaChannel() ? image : image.convertToFormat(QImage::Format_RGB888);
    return writtenBy(program,
                     args,
                     encode(given, tiffTool ? "TIFF" : "PNG"),
                     tiffTool ? QStringLiteral("in.tif") : QStringLiteral("in.png"));
}

// Sixteen flat colours in bands, among them the (128, 128, 0) of a large flat area.
QImage sixteenColours(int w, int h)
{
    return painted(w, h, [=](int x, int y) {
        if (x >= w / 4 && x < w * 3 / 4 && y >= h / 4 && y < h * 3 / 4)
            return qRgb(128, 128, 0);
        const int i = (x * 5 / w + y * 3 / h * 5) % 15;
        return qRgb(i * 17, 255 - i * 17, (i * 53) % 256);
    });
}

} // namespace

class TestPicture : public QObject {
    Q_OBJECT

private slots:
    void recognisesByFirstBytes_data();
    void recognisesByFirstBytes();
    void contentWinsOverFileName_data();
    void contentWinsOverFileName();
    void decodesLosslessFormats_data();
    void decodesLosslessFormats();
    void decodesBmpsOtherProgramsWrote_data();
    void decodesBmpsOtherProgramsWrote();
    void keepsFlatAreasOfLargePalettedBmpsFlat_data();
    void keepsFlatAreasOfLargePalettedBmpsFlat();
    void reducesLargeBmpsWhileReading_data();
    void reducesLargeBmpsWhileReading();
    void measuresBmpMemoryFromTheHeader();
    void reducesLargePngsWhileReading_data();
    void reducesLargePngsWhileReading();
    void decodesJpegWithinTolerance_data();
    void decodesJpegWithinTolerance();
    void decodesNewerFormatsWithinTolerance_data();
    void decodesNewerFormatsWithinTolerance();
    void decodesFilesOtherProgramsWrote_data();
    void decodesFilesOtherProgramsWrote();
    void sameFrameWhateverTheContainer_data();
    void sameFrameWhateverTheContainer();
    void usesAHeicThumbnailOnlyWhenLargeEnough_data();
    void usesAHeicThumbnailOnlyWhenLargeEnough();
    void picksBestIconImage_data();
    void picksBestIconImage();
    void refusesUnrecognisedBytes();

private:
    static void addBmpRows();
};

void TestPicture::recognisesByFirstBytes_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<PictureKind>("kind");
    QTest::newRow("BMP") << bytes({'B', 'M', 0, 0, 0, 0}) << PictureKind::Bmp;
    QTest::newRow("JPEG") << bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}) << PictureKind::Jpeg;
    QTest::newRow("icon, one image") << bytes({0, 0, 1, 0, 1, 0}) << PictureKind::Icon;
    QTest::newRow("icon, count in the high byte") << bytes({0, 0, 1, 0, 0, 1}) << PictureKind::Icon;
    QTest::newRow("icon, no images") << bytes({0, 0, 1, 0, 0, 0}) << PictureKind::None;
    QTest::newRow("cursor, two images") << bytes({0, 0, 2, 0, 2, 0}) << PictureKind::Cursor;
    QTest::newRow("cursor, no images") << bytes({0, 0, 2, 0, 0, 0}) << PictureKind::None;
    QTest::newRow("directory of type 3") << bytes({0, 0, 3, 0, 1, 0}) << PictureKind::None;
    QTest::newRow("GIF87a") << QByteArray("GIF87a") << PictureKind::Gif;
    QTest::newRow("GIF89a") << QByteArray("GIF89a\x01") << PictureKind::Gif;
    QTest::newRow("GIF88a") << QByteArray("GIF88a") << PictureKind::None;
    QTest::newRow("PCX 8-bit, version 0") << bytes({0x0A, 0, 1, 8, 0, 0}) << PictureKind::Pcx8;
    QTest::newRow("PCX 8-bit, version 5") << bytes({0x0A, 5, 1, 8, 0, 0}) << PictureKind::Pcx8;
    QTest::newRow("PCX 8-bit, version 6") << bytes({0x0A, 6, 1, 8, 0, 0}) << PictureKind::None;
    QTest::newRow("PCX 8-bit, not run-length") << bytes({0x0A, 5, 0, 8, 0, 0}) << PictureKind::None;
    QTest::newRow("PCX 1-bit, version 3") << bytes({0x0A, 3, 1, 1, 0, 0}) << PictureKind::Pcx1;
    QTest::newRow("PCX 1-bit, version 5") << bytes({0x0A, 5, 1, 1, 0, 0}) << PictureKind::None;
    QTest::newRow("PCX 4-bit") << bytes({0x0A, 5, 1, 4, 0, 0}) << PictureKind::None;
    QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1a\n", 8) << PictureKind::Png;
    QTest::newRow("PNG signature cut short") << QByteArray("\x89PNG\r\n\x1a", 7) << PictureKind::None;
    QTest::newRow("five bytes of BMP") << QByteArray("BM\0\0\0", 5) << PictureKind::None;
    QTest::newRow("OS/2 bitmap array") << QByteArray("BA\x5a\0\0\0\0\0\0\0\0\0\0\0BM", 16) << PictureKind::Bmp;
    QTest::newRow("BA of something else") << QByteArray("BASIC program text") << PictureKind::None;
    QTest::newRow("five bytes of JPEG") << bytes({0xFF, 0xD8, 0xFF, 0xE0, 0}) << PictureKind::None;
    QTest::newRow("nothing") << QByteArray() << PictureKind::None;
    QTest::newRow("text") << QByteArray("hello, world") << PictureKind::None;
    QTest::newRow("lower-case bm") << QByteArray("bm\0\0\0\0", 6) << PictureKind::None;
    QTest::newRow("WebP") << QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16) << PictureKind::Webp;
    QTest::newRow("RIFF of a sound") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << PictureKind::None;
    QTest::newRow("TIFF, Intel order") << bytes({'I', 'I', 42, 0, 8, 0}) << PictureKind::Tiff;
    QTest::newRow("TIFF, Motorola order") << bytes({'M', 'M', 0, 42, 0, 0}) << PictureKind::Tiff;
    QTest::newRow("BigTIFF") << bytes({'I', 'I', 43, 0, 8, 0}) << PictureKind::None;
    QTest::newRow("HEIC") << ftyp("heic", {"mif1", "heic"}) << PictureKind::Heic;
    QTest::newRow("HEIC sequence") << ftyp("msf1", {"msf1", "hevc"}) << PictureKind::Heic;
    QTest::newRow("heix") << ftyp("heix", {}) << PictureKind::Heic;
    QTest::newRow("AVIF") << ftyp("avif", {"mif1", "miaf"}) << PictureKind::Avif;
    QTest::newRow("AVIF under mif1") << ftyp("mif1", {"miaf", "avif"}) << PictureKind::Avif;
    QTest::newRow("animated AVIF") << ftyp("avis", {"msf1"}) << PictureKind::Avif;
    QTest::newRow("MP4 video") << ftyp("isom", {"isom", "mp41"}) << PictureKind::None;
    QByteArray shortBox = ftyp("isom", {"heic"});
    shortBox[3] = 16; // the box ends before its compatible brands: what follows is not a brand
    QTest::newRow("brand past the ftyp box") << shortBox << PictureKind::None;
}

void TestPicture::recognisesByFirstBytes()
{
    QFETCH(QByteArray, head);
    QFETCH(PictureKind, kind);
    QCOMPARE(picture::recognise(head), kind);
}

void TestPicture::contentWinsOverFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<PictureKind>("kind");
    const QImage image = painted(20, 10, [](int x, int y) { return qRgb(x * 12, y * 25, 90); });
    QTest::newRow("JPEG named .bmp") << "photo.bmp" << encode(image, "jpeg", 95) << PictureKind::Jpeg;
    QTest::newRow("PNG named .jpg") << "png_named.jpg" << encode(image, "png") << PictureKind::Png;
    QTest::newRow("saved picture named .png") << "card.png" << material::encodePng(image) << PictureKind::Png;
    QTest::newRow("BMP named .png") << "capture.png" << encode(image, "bmp") << PictureKind::Bmp;
    QTest::newRow("HEIC named .jpg") << "IMG_0001.jpg" << heicFile(image) << PictureKind::Heic;
    QTest::newRow("WebP named .png") << "download.png" << encode(image, "webp", 90) << PictureKind::Webp;
}

void TestPicture::contentWinsOverFileName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(PictureKind, kind);
    testutil::Sandbox sandbox;
    QVERIFY(sandbox.write(name, content));
    const material::ReadResult read = material::readPictureFile(sandbox.file(name));
    QVERIFY2(read.reason.isNone(), qPrintable(core::englishText(read.reason)));
    QCOMPARE(picture::recognise(read.bytes), kind);
    const picture::DecodedPicture decoded = picture::decodePicture(read.bytes);
    QVERIFY2(decoded.reason.isNone(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.image.size(), QSize(20, 10));
}

void TestPicture::decodesLosslessFormats_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QImage>("expected");

    const QImage rgb = painted(7, 5, [](int x, int y) { return qRgb(x * 36, y * 60, (x * y * 13) & 0xFF); });
    QTest::newRow("BMP 24-bit") << encode(rgb, "bmp") << rgb;
    QTest::newRow("PNG") << encode(rgb, "png") << rgb;
    // PNGs in shapes Qt's writer does not make, no larger than the box: the pixels as written. 16-bit samples
    // a little above a multiple of 257 are shown as that multiple's 8-bit value.
    auto rgbSample = [&](int x, int y, int c) { return unsigned(channel(rgb.pixel(x, y), c)); };
    QTest::newRow("PNG 16-bit RGB") << libpngEncode(7, 5, {16, 2}, [&](int x, int y, int c) {
        return rgbSample(x, y, c) * 257 + unsigned(x + y + c) % 100;
    }) << rgb;
    QTest::newRow("PNG interlaced") << libpngEncode(7, 5, {8, 2, true}, rgbSample) << rgb;
    QTest::newRow("PNG grey, 2 bits") << libpngEncode(7, 5, {2, 0}, [](int x, int y, int) {
        return unsigned(x + y) % 4;
    }) << painted(7, 5, [](int x, int y) { return qRgb(85, 85, 85) * ((x + y) % 4) | 0xFF000000; });
    const QList<QRgb> clearing{qRgba(200, 10, 10, 255), qRgba(10, 200, 10, 128), qRgba(10, 10, 200, 0)};
    QImage paletted(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            paletted.setPixel(x, y, clearing[(x + y) % 3]);
    QTest::newRow("PNG palette with tRNS")
        << libpngEncode(5, 3, {4, 3, false, clearing}, [](int x, int y, int) { return unsigned(x + y) % 3; })
        << paletted;

    // 8-bit PCX of odd width: each line is padded to an even byte count that must not show.
    const int w = 9, h = 6, stride = 10;
    QByteArray raw;
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(pcxColour(i));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < stride; ++x)
            raw.append(char(x < w ? pcxIndex(x, y) : 0xEE));
    }
    const QImage pcx8 = painted(w, h, [](int x, int y) { return pcxColour(pcxIndex(x, y)); });
    QTest::newRow("PCX 8-bit") << pcxHeader(5, 8, 1, w, h, stride) + pcxRle(raw) + pcxPalette(palette) << pcx8;

    // Long runs, including runs of 63 and a run crossing into the next line.
    const QByteArray flat = QByteArray(60, char(3)) + QByteArray(80, char(200));
    const QImage runs = painted(70, 2, [](int x, int y) { return pcxColour(y == 0 && x < 60 ? 3 : 200); });
    QTest::newRow("PCX 8-bit, long runs") << pcxHeader(5, 8, 1, 70, 2, 70) + pcxRle(flat) + pcxPalette(palette) << runs;

    QByteArray planes;
    for (int y = 0; y < 3; ++y)
        for (int c = 0; c < 3; ++c)
            for (int x = 0; x < 6; ++x)
                planes.append(char(c == 0 ? x * 40 : c == 1 ? y * 100 : 0xC5));
    const QImage rgbPlanes = painted(5, 3, [](int x, int y) { return qRgb(x * 40, y * 100, 0xC5); });
    QTest::newRow("PCX 24-bit, three planes") << pcxHeader(5, 8, 3, 5, 3, 6) + pcxRle(planes) << rgbPlanes;

    QByteArray mono;
    for (int y = 0; y < 4; ++y)
        for (int byte = 0; byte < 2; ++byte) {
            int v = 0;
            for (int bit = 0; bit < 8; ++bit)
                v |= ((byte * 8 + bit + y) % 3 == 0) << (7 - bit);
            mono.append(char(v));
        }
    const QImage monoExpected = painted(11, 4, [](int x, int y) { return (x + y) % 3 == 0 ? 0xFFFFFFFF : 0xFF000000; });
    QTest::newRow("PCX 1-bit") << pcxHeader(3, 1, 1, 11, 4, 2) + pcxRle(mono) << monoExpected;

    const QList<QRgb> table{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(250, 250, 250)};
    const QByteArray first = bytes({0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2, 0, 3, 0});
    const QByteArray second(15, char(2));
    const QImage gif = painted(5, 3, [&](int x, int y) { return table[first[y * 5 + x]]; });
    QTest::newRow("GIF, first of two frames") << gifFile(5, 3, table, {first, second}) << gif;
    // A frame inside the screen, with its own table of two colours: indexes past that table are white, and
    // the screen around the frame is transparent, whatever the background colour says.
    const QList<QRgb> two{qRgb(10, 20, 30), qRgb(200, 100, 50)};
    QImage framed(5, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
            const int i = inside ? first[(y - 1) * 3 + x - 1] : -1;
            framed.setPixel(x, y, i < 0 ? 0x00FFFFFFu : i < 2 ? two[i] : qRgb(255, 255, 255));
        }
    QTest::newRow("GIF, local table, frame inside the screen")
        << gifFile(QSize(5, 4), table, 2, {GifFrame(first.left(6), QRect(1, 1, 3, 2), two)}) << framed;
    // Interlaced rows stored in four passes; the frame reaches past the screen's right edge and is cut off.
    QByteArray tall;
    for (int y = 0; y < 11; ++y)
        tall += bytes({y % 4, (y / 4) % 4, (y + 1) % 4});
    const QImage interlaced = painted(2, 11, [&](int x, int y) { return table[tall[y * 3 + x]]; });
    QTest::newRow("GIF, interlaced, cut at the screen's edge")
        << gifFile(QSize(2, 11), table, 0, {GifFrame(tall, QRect(0, 0, 3, 11), {}, true)}) << interlaced;
    // A transparent index: its pixels, and the screen around the frame, have no alpha.
    QImage see(4, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const int i = x >= 1 && x <= 2 && y >= 1 ? first[(y - 1) * 2 + x - 1] : 3;
            const bool outside = x < 1 || x > 2 || y < 1;
            see.setPixel(x, y, outside ? 0x00FFFFFFu : i == 3 ? table[3] & 0x00FFFFFF : table[i]);
        }
    QTest::newRow("GIF, transparent index")
        << gifFile(QSize(4, 3), table, 1, {GifFrame(first.left(4), QRect(1, 1, 2, 2), {}, false, 3)}) << see;

    const QByteArray indexes = bytes({0, 1, 1, 0, 1, 0, 0, 1});
    const QImage bmp8Expected = painted(4, 2, [&](int x, int y) { return two[indexes[y * 4 + x]]; });
    QTest::newRow("BMP 8-bit, two colours") << bmp8(4, 2, two, indexes) << bmp8Expected;
    addBmpRows();
}

// BMPs of every header, depth, mask and coding, laid out here field by field; the pixels each shows are
// worked out here from what was written.
void TestPicture::addBmpRows()
{
    const QImage colours = painted(5, 3, bmpColour);
    auto rgb24 = [](int x, int y) { return quint64(bmpColour(x, y) & 0xFFFFFF); };
    for (int size : {12, 16, 40, 52, 56, 64, 108, 124}) {
        const QByteArray file = bmpFile({size, 5, 3, 24, 0, {}, {}, 0, 0, bmpRows(5, 3, 24, rgb24)});
        QTest::newRow(qPrintable(QStringLiteral("BMP %1-byte header, 24-bit").arg(size))) << file << colours;
    }
    for (int size : {40, 124}) {
        const QByteArray file = bmpFile({size, 5, -3, 24, 0, {}, {}, 0, 0, bmpRows(5, 3, 24, rgb24, true)});
        QTest::newRow(qPrintable(QStringLiteral("BMP %1-byte header, top down").arg(size))) << file << colours;
    }
    QByteArray cosmetic = bmpFile({40, 5, 3, 24, 0, {}, {}, 0, 0, bmpRows(5, 3, 24, rgb24)});
    putU32le(cosmetic, 2, 7);                 // file size
    putU32le(cosmetic, 14 + 24, quint32(-1)); // density
    putU32le(cosmetic, 14 + 20, 999999);      // pixel data size
    QTest::newRow("BMP with wrong file size, density and data size fields") << cosmetic << colours;

    // Palettes of every depth, and of every length: a short one is padded black, a long one's extra entries
    // are skipped, and the pixel data is where the data offset says, past a gap.
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i * 7 & 0xFF, 255 - i, i * 13 & 0xFF));
    struct Paletted {
        const char* name;
        int infoSize, bits, entries, gap;
    };
    for (const Paletted& p : {Paletted{"BMP 1-bit", 40, 1, 2, 0},
                              Paletted{"BMP 2-bit", 40, 2, 4, 0},
                              Paletted{"BMP 4-bit", 40, 4, 16, 0},
                              Paletted{"BMP 8-bit", 40, 8, 256, 0},
                              Paletted{"BMP 4-bit, five colours of sixteen", 40, 4, 5, 0},
                              Paletted{"BMP 1-bit, six colours of two", 40, 1, 6, 0},
                              Paletted{"BMP OS/2 1.x 8-bit, short palette, data past a gap", 12, 8, 3, 2},
                              Paletted{"BMP OS/2 2.x 16-byte header, 4-bit", 16, 4, 16, 0},
                              Paletted{"BMP 64-byte OS/2 header, 8-bit, short palette, gap", 64, 8, 20, 9}}) {
        const int w = 11, h = 3, top = (1 << p.bits) - 1;
        auto index = [&](int x, int y) { return quint64((x * 3 + y * 5) & top); };
        const QList<QRgb> table = palette.mid(0, p.entries);
        const quint32 count = p.infoSize == 12 ? 0 : quint32(p.entries);
        const QByteArray file =
            bmpFile({p.infoSize, w, h, p.bits, 0, {}, table, count, p.gap, bmpRows(w, h, p.bits, index)});
        const QImage expected = painted(w, h, [&](int x, int y) {
            const int i = int(index(x, y));
            return i < p.entries ? palette[i] : qRgb(0, 0, 0);
        });
        QTest::newRow(p.name) << file << expected;
    }

    // Bit fields of every shape: 16- and 32-bit, channels of 1 to 18 bits, with and without alpha.
    struct Fields {
        int bits;
        QList<int> widths;
        int infoSize;
        quint32 compression;
    };
    for (const Fields& f : {Fields{16, {5, 5, 5}, 40, 0},
                            Fields{16, {5, 6, 5}, 40, 3},
                            Fields{16, {2, 3, 1}, 40, 3},
                            Fields{16, {3, 10, 3}, 52, 3},
                            Fields{16, {4, 4, 4, 4}, 56, 3},
                            Fields{16, {5, 5, 5, 1}, 40, 6},
                            Fields{16, {1, 9, 2, 4}, 108, 3},
                            Fields{32, {8, 8, 8}, 40, 0},
                            Fields{32, {11, 11, 10}, 40, 3},
                            Fields{32, {7, 18, 7}, 52, 3},
                            Fields{32, {10, 10, 10, 2}, 124, 3},
                            Fields{32, {8, 12, 8, 4}, 40, 6},
                            Fields{32, {6, 17, 5, 4}, 108, 3},
                            Fields{32, {8, 8, 8, 8}, 124, 3}}) {
        QStringList shape;
        for (int width : f.widths)
            shape.append(QString::number(width));
        const auto [file, expected] = bitFieldBmp(f.bits, f.widths, f.infoSize, f.compression);
        QTest::newRow(qPrintable(QStringLiteral("BMP %1-bit %2, compression %3, %4-byte header")
                                     .arg(f.bits)
                                     .arg(shape.join(QLatin1Char('-')))
                                     .arg(f.compression)
                                     .arg(f.infoSize)))
            << file << expected;
    }
    // A fourth byte with no alpha mask is no alpha, and an alpha channel that is zero everywhere is none.
    auto xrgb = [](int x, int y) { return quint64(bmpColour(x, y) & 0xFFFFFF) | quint64(x * 40 + 1) << 24; };
    QTest::newRow("BMP 32-bit, fourth byte without a mask")
        << bmpFile({40, 5, 3, 32, 0, {}, {}, 0, 0, bmpRows(5, 3, 32, xrgb)}) << colours;
    const QList<quint32> argb{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    QTest::newRow("BMP 32-bit, alpha mask, alpha zero everywhere")
        << bmpFile({124, 5, 3, 32, 3, argb, {}, 0, 0, bmpRows(5, 3, 32, rgb24)}) << colours;

    // 64 bits: B, G, R, A as signed 2.13 fixed point in linear light, shown as sRGB; beyond 0 to 1 clamped.
    const QList<int> levels{0, 8192, 4096, 10000, -300, 1000};
    auto deep = [&](int x, int) {
        quint64 v = 0;
        for (int c = 0; c < 4; ++c)
            v |= quint64(quint16(qint16(levels[(x + c) % 6]))) << (16 * c);
        return v;
    };
    QImage deepExpected(6, 1, QImage::Format_ARGB32);
    for (int x = 0; x < 6; ++x) {
        const int alpha = int(std::lround(std::clamp(levels[(x + 3) % 6], 0, 8192) * 255 / 8192.0));
        deepExpected.setPixel(
            x, 0, qRgba(srgbOf(levels[(x + 2) % 6]), srgbOf(levels[(x + 1) % 6]), srgbOf(levels[x]), alpha));
    }
    QTest::newRow("BMP 64-bit") << bmpFile({40, 6, 1, 64, 0, {}, {}, 0, 0, bmpRows(6, 1, 64, deep)}) << deepExpected;

    // Run-length: runs, literal pixels with their padding, ends of lines, a jump and an early end of the
    // picture. The pixels the codes pass over are transparent. Rows are stored bottom up.
    const QList<QRgb> eight = palette.mid(100, 8);
    const QByteArray rle8 = rleBytes({3, 1, 0, 3, 2, 3, 4, 0, 0, 0, // bottom row: 1 1 1 2 3 4 . .
                                      2, 5, 0, 2, 3, 1,             // 5 5, jump to x 5 on the next row
                                      3, 6, 0, 0,                   // . . . . . 6 6 6
                                      4, 7, 0, 1});                 // top row: 7 7 7 7 . . . .
    QTest::newRow("BMP RLE8") << bmpFile({40, 8, 4, 8, 1, {}, eight, 8, 0, rle8})
                              << fromMap({"7777....", ".....666", "55......", "111234.."}, eight);
    const QByteArray rle4 = rleBytes({0,
                                      3,
                                      0x34,
                                      0x50,
                                      4,
                                      0x67,
                                      0,
                                      0, // 3 4 5 6 7 6 7
                                      5,
                                      0x12,
                                      0,
                                      1}); // 1 2 1 2 1 . .
    QTest::newRow("BMP RLE4") << bmpFile({40, 7, 2, 4, 2, {}, eight, 8, 0, rle4})
                              << fromMap({"12121..", "3456767"}, eight);
    const QList<QRgb> five{qRgb(250, 0, 0), qRgb(0, 250, 0), qRgb(0, 0, 250), qRgb(9, 99, 199), qRgb(77, 7, 177)};
    QByteArray rle24 = rleBytes({2, 0, 0, 250, 0, 3});
    for (int i : {1, 2, 3})
        rle24 += rleBytes({qBlue(five[i]), qGreen(five[i]), qRed(five[i])});
    rle24 += rleBytes({0, 0, 0, 5, 177, 7, 77, 0, 1}); // the padding, the end of the line, a run of five
    QTest::newRow("BMP RLE24, OS/2 2.x header")
        << bmpFile({64, 5, 2, 24, 4, {}, {}, 0, 0, rle24}) << fromMap({"44444", "00123"}, five);

    const QImage inside = painted(9, 7, bmpColour);
    QTest::newRow("BMP holding a PNG") << bmpFile({40, 9, 7, 0, 5, {}, {}, 0, 0, encode(inside, "png")}) << inside;
    // An OS/2 bitmap array: the first element's header, then its picture, whose data offset counts from the
    // start of the array.
    QByteArray first = bmpFile({40, 5, 3, 24, 0, {}, {}, 0, 0, bmpRows(5, 3, 24, rgb24)});
    putU32le(first, 10, quint32(14 + 14 + 40));
    QByteArray array("BA");
    appendU32le(array, 14);
    appendU32le(array, 0); // no next element
    appendU32le(array, 0);
    QTest::newRow("OS/2 bitmap array") << array + first << colours;

    // Icons stored as BMP: the height counts the AND mask's rows too. A 32-bit alpha channel gives the
    // transparency; without one (or zero everywhere) the mask does.
    auto icon = [](int bits, const QList<QRgb>& table, const QByteArray& colourRows, const QByteArray& mask) {
        return bmpFile({40, 4, 8, bits, 0, {}, table, quint32(table.size()), 0, colourRows + mask}).mid(14);
    };
    const QByteArray mask = bmpRows(4, 4, 1, [](int x, int y) { return quint64((x + y) % 3 == 0); });
    auto masked = [](int x, int y) { return (x + y) % 3 == 0 ? 0 : 255; };
    const QImage square = painted(4, 4, bmpColour);
    auto alpha = [](int x, int y) { return x * 60 + y * 5; };
    auto argbValue = [&](int x, int y) { return quint64(bmpColour(x, y) & 0xFFFFFF) | quint64(alpha(x, y)) << 24; };
    QTest::newRow("icon, 32-bit alpha") << iconDirectory(1, {icon(32, {}, bmpRows(4, 4, 32, argbValue), mask)})
                                        << withAlpha(square, alpha);
    QTest::newRow("icon, 32-bit without alpha, AND mask")
        << iconDirectory(1, {icon(32, {}, bmpRows(4, 4, 32, rgb24), mask)}) << withAlpha(square, masked);
    QTest::newRow("cursor, 24-bit, AND mask")
        << iconDirectory(2, {icon(24, {}, bmpRows(4, 4, 24, rgb24), mask)}) << withAlpha(square, masked);
    auto index = [](int x, int y) { return quint64(x) + 4 * quint64(y); };
    const QImage sixteen = painted(4, 4, [&](int x, int y) { return palette[int(index(x, y))]; });
    QTest::newRow("icon, 4-bit, AND mask")
        << iconDirectory(1, {icon(4, palette.mid(0, 16), bmpRows(4, 4, 4, index), mask)}) << withAlpha(sixteen, masked);
}

void TestPicture::decodesLosslessFormats()
{
    QFETCH(QByteArray, file);
    QFETCH(QImage, expected);
    const picture::DecodedPicture decoded = picture::decodePicture(file, QSize(140, 226));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QVERIFY2(decoded.warning.isNone(), qPrintable(core::englishText(decoded.warning)));
    VERIFY_SAME_PIXELS(decoded.image, expected);
    QCOMPARE(decoded.image.hasAlphaChannel(), expected.hasAlphaChannel());
    if (expected.hasAlphaChannel())
        QCOMPARE(decoded.image.convertToFormat(QImage::Format_Alpha8), expected.convertToFormat(QImage::Format_Alpha8));
}

// BMPs that ImageMagick writes from a picture (given as a PNG), in every layout it offers: the pixels are
// the picture's. Where ImageMagick's writer changes colours (its palette reduction merges close colours, its
// run-length writer merges runs, its 16-bit writer rounds its own way), the reference is ImageMagick's own
// reading of the file, which widens 5 and 6 bits by scaling (we repeat the high bits): within 1 there.
// Skipped where ImageMagick is not installed.
void TestPicture::decodesBmpsOtherProgramsWrote_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("infoSize");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("compression");
    QTest::addColumn<bool>("ownReading");
    QTest::addColumn<int>("tolerance");
    const QImage photo = painted(37, 23, [](int x, int y) { return qRgb(x * 7, y * 11, (x * y) & 0xFF); });
    QList<QRgb> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.append(qRgb(i * 17, 255 - i * 13, (i * 71) & 0xFF));
    const QImage few = painted(37, 23, [&](int x, int y) { return sixteen[(x / 3 + y) % 16]; });
    const QImage many = painted(37, 23, [&](int x, int y) { return qRgb((x + y * 37) % 200, 40, 90); });
    const QImage bilevel =
        painted(37, 23, [](int x, int y) { return (x * y) % 3 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); });
    const QImage see = withAlpha(photo, [](int x, int y) { return (x * 9 + y * 4) % 256; });
    const QStringList palette{"-type", "Palette", "-compress", "None", "BMP3:"};
    QTest::newRow("bmp2: OS/2 1.x header") << photo << QStringList{"BMP2:"} << 12 << 24 << 0 << false << 0;
    QTest::newRow("bmp3: 40-byte header") << photo << QStringList{"BMP3:"} << 40 << 24 << 0 << false << 0;
    QTest::newRow("bmp: 124-byte header") << photo << QStringList{"BMP:"} << 124 << 24 << 0 << false << 0;
    QTest::newRow("bmp: 124-byte header, alpha") << see << QStringList{"BMP:"} << 124 << 32 << 3 << false << 0;
    QTest::newRow("16 colours: 4-bit") << few << palette << 40 << 4 << 0 << false << 0;
    QTest::newRow("black and white: 1-bit")
        << bilevel << QStringList{"-type", "Bilevel", "BMP3:"} << 40 << 1 << 0 << false << 0;
    QTest::newRow("200 colours: 8-bit") << many << palette << 40 << 8 << 0 << true << 0;
    QTest::newRow("8-bit run-length") << many << QStringList{"-type", "Palette", "-compress", "RLE", "BMP3:"} << 40 << 8
                                      << 1 << true << 0;
    // ImageMagick's 40-byte header leaves the masks of these out, so the 124-byte one.
    QTest::newRow("16-bit 5-6-5") << photo << QStringList{"-define", "bmp:subtype=RGB565", "BMP:"} << 124 << 16 << 3
                                  << true << 1;
    QTest::newRow("16-bit 5-5-5") << photo << QStringList{"-define", "bmp:subtype=RGB555", "BMP:"} << 124 << 16 << 3
                                  << true << 1;
}

void TestPicture::decodesBmpsOtherProgramsWrote()
{
    QFETCH(QImage, picture);
    QFETCH(QStringList, options);
    QFETCH(int, infoSize);
    QFETCH(int, bits);
    QFETCH(int, compression);
    QFETCH(bool, ownReading);
    QFETCH(int, tolerance);
    if (magick().isEmpty())
        QSKIP("ImageMagick is not installed");
    const QStringList args = QStringList{QStringLiteral("IN")} + options.mid(0, options.size() - 1) +
                             QStringList{options.last() + QStringLiteral("OUT")};
    const QByteArray file = writtenBy(magick(), args, picture);
    QVERIFY(!file.isEmpty());
    // The layout asked for is the layout written, so each row tests what it names.
    QCOMPARE(int(file[14]), infoSize);
    QCOMPARE(int(file[infoSize == 12 ? 24 : 28]), bits);
    QCOMPARE(int(infoSize == 12 ? 0 : file[30]), compression);
    if (ownReading) {
        const QByteArray read =
            writtenBy(magick(), {QStringLiteral("IN"), QStringLiteral("PNG:OUT")}, file, QStringLiteral("in.bmp"));
        QVERIFY(!read.isEmpty());
        picture = QImage::fromData(read).convertToFormat(QImage::Format_RGB32);
    }
    const picture::DecodedPicture decoded = picture::decodePicture(file, QSize(140, 226));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QVERIFY2(decoded.warning.isNone(), qPrintable(core::englishText(decoded.warning)));
    const int diff = maxChannelDiff(decoded.image, picture.convertToFormat(decoded.image.format()));
    QVERIFY2(diff >= 0 && diff <= tolerance, qPrintable(QStringLiteral("difference %1").arg(diff)));
    QCOMPARE(decoded.image.hasAlphaChannel(), picture.hasAlphaChannel());
    if (picture.hasAlphaChannel())
        QCOMPARE(decoded.image.convertToFormat(QImage::Format_Alpha8), picture.convertToFormat(QImage::Format_Alpha8));
}

// A large paletted BMP reduced into the box: a flat area of one palette colour stays that colour, with no
// dither of neighbouring colours (an indexed picture scaled as such is dithered).
void TestPicture::keepsFlatAreasOfLargePalettedBmpsFlat_data()
{
    QTest::addColumn<int>("bits");
    QTest::newRow("1-bit") << 1;
    QTest::newRow("4-bit") << 4;
    QTest::newRow("8-bit") << 8;
}

void TestPicture::keepsFlatAreasOfLargePalettedBmpsFlat()
{
    QFETCH(int, bits);
    const int w = 435, h = 353;
    const QList<QRgb> table{qRgb(128, 128, 0), qRgb(20, 200, 240)};
    // The left half flat, the right half stripes of the other colour.
    auto index = [](int x, int y) { return quint64(x >= 217 && (x + y) % 4 == 0); };
    const QByteArray file = bmpFile({40, w, h, bits, 0, {}, table, 2, 0, bmpRows(w, h, bits, index)});
    const picture::DecodedPicture decoded = picture::decodePicture(file, QSize(140, 226));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    const QImage shown = material::fitPicture(decoded.image, material::Fit::Stretch, QSize(140, 226));
    for (int y = 0; y < 226; ++y)
        for (int x = 0; x < 60; ++x)
            QCOMPARE(shown.pixel(x, y), qRgb(128, 128, 0));
}

// A BMP larger than the box is reduced as its rows are read, rows stored bottom up or top down, with alpha
// or without; a run-length one once it is drawn. The pixels, over white, are the block averages.
void TestPicture::reducesLargeBmpsWhileReading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("alpha");
    const int w = 703, h = 1134;
    auto sample = [](int x, int y, int c) { return quint64(pattern16(x, y, c) >> 8); };
    auto rgb = [&](int x, int y) { return sample(x, y, 0) << 16 | sample(x, y, 1) << 8 | sample(x, y, 2); };
    auto argb = [&](int x, int y) { return rgb(x, y) | sample(x, y, 3) << 24; };
    QTest::newRow("24-bit, bottom up") << bmpFile({40, w, h, 24, 0, {}, {}, 0, 0, bmpRows(w, h, 24, rgb)}) << false;
    QTest::newRow("24-bit, top down") << bmpFile({40, w, -h, 24, 0, {}, {}, 0, 0, bmpRows(w, h, 24, rgb, true)})
                                      << false;
    QTest::newRow("32-bit with alpha")
        << bmpFile({124, w, h, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {}, 0, 0, bmpRows(w, h, 32, argb)}) << true;
}

void TestPicture::reducesLargeBmpsWhileReading()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, alpha);
    const picture::DecodedPicture decoded = picture::decodePicture(file, QSize(140, 226));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QCOMPARE(decoded.image.size(), QSize(141, 227)); // reduced by 5
    auto sample = [](int x, int y, int c) { return pattern16(x, y, c) >> 8; };
    const QImage expected = reducedOverWhite(703, 1134, 5, PngShape(8, alpha ? 6 : 2), sample);
    const QImage shown = material::fitPicture(decoded.image, material::Fit::Stretch, decoded.image.size());
    const int diff = maxChannelDiff(shown, expected);
    QVERIFY2(diff >= 0 && diff <= 2, qPrintable(QStringLiteral("difference %1").arg(diff)));
}

// The memory budget counts a BMP by its own header: an 8192 x 8192 one is reduced while read, so it takes a
// few megabytes for the box, but a run-length one is drawn whole first.
void TestPicture::measuresBmpMemoryFromTheHeader()
{
    const QByteArray plain = bmpFile({40, 8192, 8192, 24, 0, {}, {}, 0, 0, QByteArray(64, '\0')});
    const qint64 reduced = picture::decodingMemory(plain, QSize(140, 226));
    QVERIFY2(reduced > 140LL * 226 * 4 && reduced < 8LL * 1024 * 1024, qPrintable(QString::number(reduced)));
    QVERIFY(picture::decodingMemory(plain, QSize()) >= 8192LL * 8192 * 4);
    const QByteArray runs = bmpFile({40, 8192, 8192, 8, 1, {}, {qRgb(1, 2, 3)}, 1, 0, QByteArray("\0\1", 2)});
    QVERIFY(picture::decodingMemory(runs, QSize(140, 226)) >= 8192LL * 8192 * 4);
}

// A PNG larger than the box is reduced by the largest k whose result still covers the box (a k one larger
// would not): 703 / 5 rounds up to 141, 703 / 6 to 118, below the box's 140. The pixels, over white, are
// within rounding of the block averages of what was written.
void TestPicture::reducesLargePngsWhileReading_data()
{
    QTest::addColumn<QSize>("full");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("colourType");
    QTest::addColumn<bool>("interlaced");
    QTest::addColumn<int>("k");
    QTest::newRow("16-bit RGBA, smaller blocks at the edges") << QSize(703, 1134) << 16 << 6 << false << 5;
    QTest::newRow("8-bit RGB, interlaced") << QSize(422, 680) << 8 << 2 << true << 3;
    QTest::newRow("16-bit grey and alpha, interlaced") << QSize(280, 452) << 16 << 4 << true << 2;
    QTest::newRow("8-bit RGBA, halves rounded up to the box") << QSize(279, 451) << 8 << 6 << false << 2;
    QTest::newRow("8-bit RGBA, a pixel short of twice the box") << QSize(278, 452) << 8 << 6 << false << 1;
}

void TestPicture::reducesLargePngsWhileReading()
{
    QFETCH(QSize, full);
    QFETCH(int, depth);
    QFETCH(int, colourType);
    QFETCH(bool, interlaced);
    QFETCH(int, k);
    const PngShape shape(depth, colourType, interlaced);
    auto sample = [&](int x, int y, int c) { return pattern16(x, y, c) >> (16 - depth); };
    const QByteArray file = libpngEncode(full.width(), full.height(), shape, sample);
    const picture::DecodedPicture decoded = picture::decodePicture(file, QSize(140, 226));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QVERIFY2(decoded.warning.isNone(), qPrintable(core::englishText(decoded.warning)));
    const QImage expected = reducedOverWhite(full.width(), full.height(), k, shape, sample);
    const QImage shown = material::fitPicture(decoded.image, material::Fit::Stretch, decoded.image.size());
    const int diff = maxChannelDiff(shown, expected);
    QVERIFY2(diff >= 0 && diff <= 2,
             qPrintable(QStringLiteral("difference %1 at size %2 x %3")
                            .arg(diff)
                            .arg(decoded.image.width())
                            .arg(decoded.image.height())));
    QCOMPARE(picture::decodePicture(file).image.size(), full); // no target: always the full picture
}

void TestPicture::decodesJpegWithinTolerance_data()
{
    QTest::addColumn<QImage>("image");
    QTest::newRow("colour") << painted(48, 32, [](int x, int y) { return qRgb(x * 5, y * 7, 128); });
    const QImage grey = painted(40, 24, [](int x, int) { return qRgb(x * 6, x * 6, x * 6); });
    QTest::newRow("greyscale") << grey.convertToFormat(QImage::Format_Grayscale8);
}

void TestPicture::decodesJpegWithinTolerance()
{
    QFETCH(QImage, image);
    const picture::DecodedPicture decoded = picture::decodePicture(encode(image, "jpeg", 100));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    const int diff = maxChannelDiff(decoded.image, image.convertToFormat(QImage::Format_RGB32));
    QVERIFY2(diff >= 0 && diff <= 12, qPrintable(QString::number(diff)));
}

void TestPicture::decodesNewerFormatsWithinTolerance_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");
    const QImage image = smooth(64, 40);
    const QImage other = painted(64, 40, [](int, int) { return qRgb(250, 10, 10); });
    const QImage turned = image.transformed(QTransform().rotate(90));
    QTest::newRow("WebP lossy") << encode(image, "webp", 90) << image << 12;
    QTest::newRow("WebP lossless") << encode(image, "webp", 100) << image << 0;
    QTest::newRow("WebP animation: first frame") << animatedWebpFile({image, other}) << image << 0;
    QTest::newRow("WebP turned by its EXIF chunk")
        << webpWithExif(encode(image, "webp", 100), exifPayload(6).mid(6)) << turned << 0;
    QTest::newRow("BMP holding a JPEG") << bmpFile({40, 64, 40, 0, 4, {}, {}, 0, 0, encode(image, "jpeg", 90)}) << image
                                        << 12;
    QTest::newRow("TIFF") << encode(image, "tiff") << image << 0;
    QTest::newRow("TIFF turned by its Orientation tag")
        << tiffTurned(image, QImageIOHandler::TransformationRotate90) << turned << 0;
    QTest::newRow("HEIC") << heicFile(image) << image << 12;
    QTest::newRow("HEIC turned a quarter (irot)") << heicFile(image, {90, 6, 0}) << turned << 12;
    QTest::newRow("HEIC mirrored and turned (imir, irot)")
        << heicFile(image, {90, 5, 0}) << image.transformed(QTransform(0, 1, 1, 0, 0, 0)) << 12;
    QTest::newRow("AVIF") << avifFile({image}) << image << 12;
    QTest::newRow("AVIF 10-bit") << avifFile({image}, 10) << image << 12;
    QTest::newRow("AVIF animation: first frame") << avifFile({image, other}) << image << 12;
}

void TestPicture::decodesNewerFormatsWithinTolerance()
{
    QFETCH(QByteArray, file);
    QFETCH(QImage, expected);
    QFETCH(int, tolerance);
    QVERIFY2(!file.isEmpty(), "the test's encoder failed");
    const picture::DecodedPicture decoded = picture::decodePicture(file, QSize(140, 226));
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QVERIFY2(decoded.warning.isNone(), qPrintable(core::englishText(decoded.warning)));
    const int diff = maxChannelDiff(decoded.image, expected);
    QVERIFY2(diff >= 0 && diff <= tolerance, qPrintable(QStringLiteral("difference %1").arg(diff)));
}

// Files written by ImageMagick, libtiff's tools and cwebp, which read the format their own way: the pixels
// are those the program was given, within what its conversion loses.
void TestPicture::decodesFilesOtherProgramsWrote_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");
    const QImage image = smooth(64, 48);
    const QImage bands = sixteenColours(64, 48);
    const QImage grey = painted(64, 48, [](int x, int y) { return qRgb(x * 3 + y, x * 3 + y, x * 3 + y); });
    const QImage bilevel = painted(64, 48, [](int x, int y) { return (x / 3 + y / 5) % 2 ? qRgb(255, 255, 255) : 0; });
    const QString im = magick(), tiffcp = QStandardPaths::findExecutable(QStringLiteral("tiffcp"));
    auto row =
        [&](const char* name, const QString& program, const QStringList& args, const QImage& source, int tolerance) {
            QTest::newRow(name) << writtenBy(program, args, source) << source << tolerance;
        };
    // The options between the input and the output, and ImageMagick's format prefix for the output.
    auto args = [](const char* options, const char* format = "") {
        return QStringList{QStringLiteral("IN")} + QString::fromLatin1(options).split(QLatin1Char(' ')) +
               QStringList{QLatin1String(format) + QLatin1String("OUT")};
    };
    row("TIFF 16-bit RGB in 16 x 16 tiles", im, args("-depth 16 -define tiff:tile-geometry=16x16", "TIFF:"), image, 0);
    row("TIFF 16-bit CMYK", im, args("-depth 16 -colorspace CMYK", "TIFF:"), image, 1);
    row("TIFF 8-bit CMYK, LZW", im, args("-depth 8 -colorspace CMYK -compress lzw", "TIFF:"), image, 1);
    row("TIFF 32-bit float", im, args("-depth 32 -define quantum:format=floating-point", "TIFF:"), image, 1);
    row("TIFF 16-bit grey, deflate", im, args("-depth 16 -type Grayscale -compress zip", "TIFF:"), grey, 0);
    row("TIFF 2-bit palette", im, args("-type Palette", "TIFF:"), bands, 0);
    row("TIFF 1-bit", im, args("-type Bilevel", "TIFF:"), bilevel, 0);
    row("TIFF YCbCr, JPEG", tiffcp, args("-c jpeg:95 -r 16"), image, 12);
    row("TIFF planes in deflate tiles", tiffcp, args("-p separate -c zip -t -w 16 -l 16"), image, 0);
    row("TIFF RGB in one strip, packbits", tiffcp, args("-c packbits -r 4096"), image, 0);
    row("WebP lossless (cwebp)",
        QStandardPaths::findExecutable(QStringLiteral("cwebp")),
        args("-lossless -quiet -o"),
        image,
        0);
    row("BMP 4-bit palette (ImageMagick)", im, args("-type Palette", "BMP3:"), bands, 0);
}

void TestPicture::decodesFilesOtherProgramsWrote()
{
    QFETCH(QByteArray, file);
    if (file.isEmpty())
        QSKIP("the writing program is not installed (tools/install-deps.sh installs it) or failed");
    decodesNewerFormatsWithinTolerance(); // the same checks on the same columns
}

// The same pixels in PNG, BMP, TIFF and lossless WebP give the same frame within a level, however they are
// fitted, and the flat area of a large paletted picture stays flat (no dither when it is reduced).
void TestPicture::sameFrameWhateverTheContainer_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<material::Fit>("fit");
    const QImage photo = QImage::fromData(testutil::makePhotoJpeg({512, 512}, 3)).convertToFormat(QImage::Format_RGB32);
    QTest::newRow("photo, stretched") << photo << material::Fit::Stretch;
    QTest::newRow("photo, cover") << photo << material::Fit::Cover;
    QTest::newRow("photo, contain") << photo << material::Fit::Contain;
    QTest::newRow("sixteen colours, 435 x 353") << sixteenColours(435, 353) << material::Fit::Stretch;
    QTest::newRow("sixteen colours, 2000 x 3000, cover") << sixteenColours(2000, 3000) << material::Fit::CoverTop;
}

void TestPicture::sameFrameWhateverTheContainer()
{
    QFETCH(QImage, image);
    QFETCH(material::Fit, fit);
    const QString im = magick(), tiffcp = QStandardPaths::findExecutable(QStringLiteral("tiffcp"));
    const QString cwebp = QStandardPaths::findExecutable(QStringLiteral("cwebp"));
    if (im.isEmpty() || tiffcp.isEmpty() || cwebp.isEmpty())
        QSKIP("ImageMagick, libtiff-tools and webp are needed (tools/install-deps.sh installs them)");
    const bool fewColours = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither).colorCount() <= 16;
    const QStringList bmp = fewColours ? QStringList{QStringLiteral("IN"),
                                                     QStringLiteral("-type"),
                                                     QStringLiteral("Palette"),
                                                     QStringLiteral("BMP3:OUT")}
                                       : QStringList{QStringLiteral("IN"), QStringLiteral("BMP3:OUT")};
    const QList<std::pair<const char*, QByteArray>> files{
        {"PNG", material::encodePng(image)},
        {"BMP", writtenBy(im, bmp, image)},
        {"TIFF",
         writtenBy(tiffcp,
                   {QStringLiteral("-c"), QStringLiteral("zip"), QStringLiteral("IN"), QStringLiteral("OUT")},
                   image)},
        {"WebP",
         writtenBy(cwebp,
                   {QStringLiteral("-lossless"),
                    QStringLiteral("-quiet"),
                    QStringLiteral("IN"),
                    QStringLiteral("-o"),
                    QStringLiteral("OUT")},
                   image)},
    };
    QImage first;
    for (const auto& [kind, file] : files) {
        QVERIFY2(!file.isEmpty(), kind);
        const picture::DecodedPicture decoded = picture::decodePicture(file, material::kPictureRect.size());
        QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
        const QImage frame = material::renderComposition({decoded.image, {}, fit});
        if (first.isNull())
            first = frame;
        const int diff = maxChannelDiff(frame, first);
        QVERIFY2(diff >= 0 && diff <= 1,
                 qPrintable(QStringLiteral("%1: difference %2").arg(QLatin1String(kind)).arg(diff)));
        if (fewColours) { // the flat middle of the box shows exactly its colour
            for (int y = 90; y < 150; ++y)
                for (int x = 50; x < 100; ++x)
                    QVERIFY2(frame.pixel(x, y) == qRgb(128, 128, 0),
                             qPrintable(QStringLiteral("%1 at %2, %3: %4")
                                            .arg(QLatin1String(kind))
                                            .arg(x)
                                            .arg(y)
                                            .arg(frame.pixel(x, y), 0, 16)));
        }
    }
}

void TestPicture::usesAHeicThumbnailOnlyWhenLargeEnough_data()
{
    QTest::addColumn<QSize>("full");
    QTest::addColumn<int>("thumbnailSide");
    QTest::addColumn<QSize>("shown");
    // The box is 140 x 226: a thumbnail is taken only when it covers it in both directions.
    QTest::newRow("portrait, thumbnail covers the box") << QSize(300, 600) << 300 << QSize(150, 300);
    QTest::newRow("portrait, thumbnail too narrow") << QSize(300, 600) << 256 << QSize(300, 600);
    QTest::newRow("landscape, thumbnail too low") << QSize(600, 300) << 320 << QSize(600, 300);
    QTest::newRow("no thumbnail") << QSize(300, 600) << 0 << QSize(300, 600);
}

void TestPicture::usesAHeicThumbnailOnlyWhenLargeEnough()
{
    QFETCH(QSize, full);
    QFETCH(int, thumbnailSide);
    QFETCH(QSize, shown);
    const QImage image = smooth(full.width(), full.height());
    const QByteArray file = heicFile(image, {80, 1, thumbnailSide});
    // Which one the decoder took shows in its size (decodePicture then reduces either to about the box).
    const picture::DecodedPicture inBox = picture::decodeHeif(file, QSize(140, 226));
    QVERIFY2(!inBox.image.isNull(), qPrintable(core::englishText(inBox.reason)));
    QCOMPARE(inBox.image.size(), shown);
    // Whichever was decoded, the picture in the box is the same within the codec's tolerance.
    const QImage expected = image.scaled(140, 226, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage boxed = inBox.image.scaled(140, 226, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QVERIFY(maxChannelDiff(boxed.convertToFormat(QImage::Format_RGB32), expected) <= 12);
    QCOMPARE(picture::decodePicture(file).image.size(), full); // no target: always the full picture
}

void TestPicture::picksBestIconImage_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<int>("size");
    const QRgb small = qRgb(255, 0, 0), shallow = qRgb(0, 255, 0), best = qRgb(0, 0, 255);
    QTest::newRow("icon: largest, then deepest")
        << iconFile(1, {{32, 24, shallow, 1, 24}, {32, 32, best, 1, 32}, {16, 32, small, 1, 32}}) << best << 32;
    // A cursor's directory holds the hot spot where an icon's holds planes and depth: 99 is no depth.
    QTest::newRow("cursor: hot spot is not the depth")
        << iconFile(2, {{32, 24, shallow, 3, 99}, {32, 32, best, 3, 4}, {16, 32, small, 0, 0}}) << best << 32;
    QTest::newRow("icon: one image") << iconFile(1, {{16, 24, shallow, 1, 24}}) << shallow << 16;
}

void TestPicture::picksBestIconImage()
{
    QFETCH(QByteArray, file);
    QFETCH(QRgb, colour);
    QFETCH(int, size);
    const picture::DecodedPicture decoded = picture::decodePicture(file);
    QVERIFY2(!decoded.image.isNull(), qPrintable(core::englishText(decoded.reason)));
    QImage expected(size, size, QImage::Format_RGB32);
    expected.fill(colour);
    VERIFY_SAME_PIXELS(decoded.image, expected);
}

void TestPicture::refusesUnrecognisedBytes()
{
    for (const QByteArray& b : {QByteArray(), QByteArray("BM"), QByteArray("not a picture at all")}) {
        const picture::DecodedPicture decoded = picture::decodePicture(b);
        QVERIFY(decoded.image.isNull());
        QVERIFY(!decoded.reason.isNone());
    }
}

QTEST_GUILESS_MAIN(TestPicture)
#include "test_picture.moc"
