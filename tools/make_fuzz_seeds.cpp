// Writes the fuzzers' seed corpora: small valid files of every picture format a picture box accepts, and
// texts for the text helpers. Every picture is drawn here; nothing is taken from elsewhere.
// Usage: make_fuzz_seeds <folder>; it fills <folder>/fuzz_picture, <folder>/fuzz_pcx and <folder>/fuzz_text.
#include "testsupport/libjpeg_writer.h"
#include "testsupport/libpng_writer.h"
#include "testsupport/modern_pictures.h"
#include "testsupport/picture_bytes.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

using namespace picturebytes;

namespace {

QRgb gradient(int x, int y)
{
    return qRgb((x * 37) & 0xFF, (y * 53) & 0xFF, ((x + y) * 19) & 0xFF);
}

// A JPEG written by libjpeg: `components` 1 (grey), 3 (YCbCr) or 4 (Adobe CMYK), optionally progressive
// and with restart markers, so the seeds reach the decoder's less common paths.
QByteArray jpeg(int w, int h, int components, bool progressive, int restartRows = 0)
{
    return picturebytes::libjpegEncode(
        w,
        h,
        components,
        [](int x, int y, int k) { return static_cast<unsigned char>((x * 29 + y * 41 + k * 97) & 0xFF); },
        {.quality = 75, .progressive = progressive, .restartRows = restartRows});
}

QByteArray pcx8(int w, int h, int version)
{
    QByteArray raw;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            raw.append(char((x * 7 + y * 13) & 0xFF));
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(gradient(i, 255 - i));
    return pcxHeader(version, 8, 1, w, h, w) + pcxRle(raw) + pcxPalette(palette);
}

QByteArray pcx24(int w, int h)
{
    const int stride = (w + 1) / 2 * 2; // lines of an even number of bytes, as writers make them
    QByteArray raw;
    for (int y = 0; y < h; ++y)
        for (int plane = 0; plane < 3; ++plane)
            for (int x = 0; x < stride; ++x)
                raw.append(char(x < w ? (x * 31 + y * 17 + plane * 80) & 0xFF : 0));
    return pcxHeader(5, 8, 3, w, h, stride) + pcxRle(raw);
}

QByteArray pcx1(int w, int h)
{
    const int stride = (w + 15) / 16 * 2;
    QByteArray raw;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < stride; ++x)
            raw.append(char((x + y) % 3 == 0 ? 0xF0 : 0x3C));
    return pcxHeader(3, 1, 1, w, h, stride) + pcxRle(raw);
}

QByteArray gif(int w, int h, int frames)
{
    QList<QByteArray> indexes;
    for (int f = 0; f < frames; ++f) {
        QByteArray frame;
        for (int i = 0; i < w * h; ++i)
            frame.append(char((i + f) % 4));
        indexes.append(frame);
    }
    return gifFile(w, h, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)}, indexes);
}

// A PNG image inside an icon directory, as newer icons carry their large images.
QByteArray iconWithPng(int size)
{
    const QByteArray png = encode(painted(size, size, gradient), "png");
    QByteArray dir;
    appendU16le(dir, 0);
    appendU16le(dir, 1);
    appendU16le(dir, 1);
    dir.append(char(size & 0xFF)).append(char(size & 0xFF)).append('\0').append('\0');
    appendU16le(dir, 1);
    appendU16le(dir, 32);
    appendU32le(dir, quint32(png.size()));
    appendU32le(dir, 22);
    return dir + png;
}

QList<std::pair<QString, QByteArray>> pcxSeeds()
{
    return {{"v5_8bit.pcx", pcx8(13, 9, 5)},
            {"v0_8bit.pcx", pcx8(4, 4, 0)},
            {"24bit.pcx", pcx24(11, 6)},
            {"1bit.pcx", pcx1(21, 8)}};
}

// BMPs of the less common layouts: every header size, bit fields, 64 bits, run-length coding with jumps, a
// PNG inside, an OS/2 bitmap array and an icon stored as BMP with its AND mask.
QList<std::pair<QString, QByteArray>> bmpSeeds()
{
    auto value = [](int x, int y) { return quint64(x * 2654435761u + y * 40503u); };
    QList<QRgb> palette;
    for (int i = 0; i < 16; ++i)
        palette.append(gradient(i * 16, i * 3));
    const QByteArray rle8("\x03\x01\x00\x03\x02\x03\x04\x00\x00\x02\x01\x01\x05\x02\x00\x00\x01", 17);
    const QByteArray rle4("\x00\x03\x34\x50\x04\x67\x00\x00\x05\x12\x00\x01", 12);
    const QByteArray rle24("\x02\x00\x00\xFA\x00\x03\x01\x02\x03\x04\x05\x06\x07\x08\x09\x00\x00\x00\x00\x01", 20);
    QByteArray array("BA");
    appendU32le(array, 14);
    appendU32le(array, 0);
    appendU32le(array, 0);
    QByteArray element = bmpFile({40, 5, 3, 24, 0, {}, {}, 0, 0, bmpRows(5, 3, 24, value)});
    putU32le(element, 10, 14 + 14 + 40);
    const QByteArray iconImage =
        bmpFile({40, 4, 8, 4, 0, {}, palette, 16, 0, bmpRows(4, 4, 4, value) + bmpRows(4, 4, 1, value)}).mid(14);
    return {
        {"os2_1x_8bit.bmp", bmpFile({12, 7, 3, 8, 0, {}, palette, 0, 2, bmpRows(7, 3, 8, value)})},
        {"os2_2x_short_header.bmp", bmpFile({16, 9, 2, 4, 0, {}, palette, 0, 0, bmpRows(9, 2, 4, value)})},
        {"2bit_top_down.bmp", bmpFile({40, 9, -3, 2, 0, {}, palette.mid(0, 3), 3, 0, bmpRows(9, 3, 2, value, true)})},
        {"16bit_1_9_2_4.bmp",
         bmpFile({108, 6, 3, 16, 3, {0x8000, 0x7FC0, 0x30, 0xF}, {}, 0, 0, bmpRows(6, 3, 16, value)})},
        {"32bit_alphabitfields.bmp",
         bmpFile({40, 6, 3, 32, 6, {0xFF000000, 0xFFF000, 0xFF0, 0xF}, {}, 0, 0, bmpRows(6, 3, 32, value)})},
        {"32bit_v5_alpha.bmp",
         bmpFile({124, 6, 3, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {}, 0, 0, bmpRows(6, 3, 32, value)})},
        {"64bit.bmp", bmpFile({40, 3, 2, 64, 0, {}, {}, 0, 0, bmpRows(3, 2, 64, value)})},
        {"rle8_jumps.bmp", bmpFile({40, 8, 4, 8, 1, {}, palette, 16, 0, rle8})},
        {"rle4.bmp", bmpFile({40, 7, 2, 4, 2, {}, palette, 16, 0, rle4})},
        {"rle24_os2.bmp", bmpFile({64, 5, 2, 24, 4, {}, {}, 0, 0, rle24})},
        {"png_inside.bmp", bmpFile({40, 6, 4, 0, 5, {}, {}, 0, 0, encode(painted(6, 4, gradient), "png")})},
        {"array.bmp", array + element},
        {"bmp_inside.ico", iconDirectory(1, {iconImage})}};
}

QList<std::pair<QString, QByteArray>> pictureSeeds()
{
    const QImage small = painted(16, 12, gradient);
    QImage indexed = small.convertToFormat(QImage::Format_Indexed8);
    QList<std::pair<QString, QByteArray>> seeds = {
        {"rgb.bmp", encode(small, "bmp")},
        {"indexed.bmp", encode(indexed, "bmp")},
        {"palette.bmp", bmp8(4, 3, {qRgb(1, 2, 3), qRgb(200, 100, 0)}, QByteArray("\0\1\0\1\1\0\1\0\0\1\0\1", 12))},
        {"mono.bmp", encode(small.convertToFormat(QImage::Format_Mono), "bmp")},
        {"baseline.jpg", jpeg(24, 16, 3, false)},
        {"progressive.jpg", jpeg(24, 16, 3, true)},
        {"grey.jpg", jpeg(9, 7, 1, false)},
        {"cmyk.jpg", jpeg(8, 8, 4, false)},
        {"restarts.jpg", jpeg(32, 32, 3, false, 1)},
        {"exif_right.jpg", withApp1(jpeg(20, 10, 3, false), exifPayload(6))},
        {"exif_mirror_big_endian.jpg", withApp1(jpeg(20, 10, 3, true), exifPayload(5, true))},
        {"two_frames.gif", gif(6, 5, 2)},
        {"one_frame.gif", gif(3, 3, 1)},
        {"interlaced_transparent_local_table.gif",
         gifFile(QSize(7, 9),
                 {qRgb(1, 2, 3)},
                 0,
                 {GifFrame(QByteArray(6 * 8, char(2)), QRect(1, 1, 6, 8), {qRgb(9, 8, 7), qRgb(6, 5, 4)}, true, 1)})},
        {"two_sizes.ico", iconFile(1, {{16, 32, qRgb(9, 90, 200), 1, 32}, {8, 24, qRgb(200, 9, 90), 1, 24}})},
        {"png_inside.ico", iconWithPng(20)},
        {"cursor.cur", iconFile(2, {{16, 32, qRgb(30, 160, 60), 3, 4}})},
        {"rgb.png", encode(small, "png")},
        {"alpha.png", encode(small.convertToFormat(QImage::Format_ARGB32), "png")},
        {"deep_interlaced.png",
         libpngEncode(13, 9, {16, 6, true}, [](int x, int y, int c) { return x * 4099u + y * 331u + c * 77u; })},
        {"palette_trns.png",
         libpngEncode(7,
                      5,
                      {4, 3, false, {qRgba(9, 9, 9, 0), qRgb(200, 0, 0), qRgba(0, 90, 0, 99)}},
                      [](int x, int y, int) { return unsigned(x + y) % 3; })},
        // Larger than the box, so the decoder reduces them: while reading, and after reading the whole.
        {"reduced.png", libpngEncode(300, 460, {1, 0}, [](int x, int y, int) { return unsigned(x ^ y) & 1; })},
        {"reduced_interlaced.png",
         libpngEncode(
             300, 460, {8, 4, true}, [](int x, int y, int c) { return unsigned(x * 3 + y + c * 100) & 0xFF; })},
        {"lossy.webp", encode(small, "webp", 80)},
        {"lossless_alpha.webp", encode(small.convertToFormat(QImage::Format_ARGB32), "webp", 100)},
        {"animation.webp", animatedWebpFile({small, small.mirrored()})},
        {"rgb.tif", encode(small, "tiff")},
        {"turned.heic", heicFile(small, {70, 6, 0})},
        {"thumbnail.heic", heicFile(painted(64, 48, gradient), {70, 1, 32})},
        {"rgb.avif", avifFile({small})},
        {"animation_10bit.avif", avifFile({small, small.mirrored()}, 10)},
    };
    for (const auto& [name, bytes] : pcxSeeds())
        seeds.append({name, bytes});
    for (const auto& [name, bytes] : bmpSeeds())
        seeds.append({name, bytes});
    return seeds;
}

// Texts as the fuzz_text target reads them: UTF-16, the first line the line-number box, the rest the list.
QList<std::pair<QString, QByteArray>> textSeeds()
{
    const QStringList texts = {
        QStringLiteral("2\na.jpg\r\na.jpg\r\nb.jpg"),
        QStringLiteral("1\n  a.jpg\u3000\r\n\u3000\u3000b c.jpg  "),
        QStringLiteral("\uFF13\n1.jpg\n2.jpg\n3.jpg"),
        QStringLiteral("\uFF0D\uFF11\uFF0E\uFF15e3\nx.bmp"),
        QStringLiteral(" +12.5e-3xyz\n"),
        QStringLiteral("2147483649\na\rb"),
        QStringLiteral("-0.0\n\n\n"),
        QStringLiteral("1e308\nname"),
        QStringLiteral("4.9e-324"),
        QStringLiteral("0x1p3\ninf\nnan"),
    };
    QList<std::pair<QString, QByteArray>> seeds;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString& t = texts[i];
        seeds.append({QStringLiteral("text%1.utf16").arg(i),
                      QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2)});
    }
    return seeds;
}

bool writeAll(const QString& folder, const QList<std::pair<QString, QByteArray>>& seeds)
{
    if (!QDir().mkpath(folder))
        return false;
    for (const auto& [name, bytes] : seeds) {
        QFile f(folder + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const bool ok = writeAll(root + QStringLiteral("/fuzz_picture"), pictureSeeds()) &&
                    writeAll(root + QStringLiteral("/fuzz_pcx"), pcxSeeds()) &&
                    writeAll(root + QStringLiteral("/fuzz_text"), textSeeds());
    if (!ok)
        std::fprintf(stderr, "make_fuzz_seeds: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
