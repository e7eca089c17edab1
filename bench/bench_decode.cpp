// Decoding a phone-sized JPEG into the 140 x 226 picture box: decodePicture with the box as target (libjpeg
// scales in the DCT domain) and then fitPicture, as the window and the batch do for every material.
// Prints milliseconds per picture; the full-size decode is printed beside it for comparison. Then a 12-megapixel
// photo as JPEG, in each lossless container and as 8-bit and 24-bit BMP, decoded into the box in a fresh process
// per round: the time and the process's peak resident memory, medians of back-to-back rounds (the machine is
// often shared).
#include "child_run.h"
#include "material/composition.h"
#include "picture/picture.h"
#include "testsupport/photo_jpeg.h"
#include "testsupport/picture_bytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Timing {
    double meanMs;
    double minMs;
};

Timing timeDecode(const QByteArray& jpeg, QSize target, int runs)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const picture::DecodedPicture decoded = picture::decodePicture(jpeg, target);
        const QImage shown = material::fitPicture(decoded.image);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (shown.size() != material::kPictureRect.size()) {
            std::fprintf(stderr, "decode failed: %s\n", qPrintable(core::englishText(decoded.reason)));
            return {-1, -1};
        }
    }
    double sum = 0;
    for (double m : ms)
        sum += m;
    return {sum / double(ms.size()), *std::min_element(ms.begin(), ms.end())};
}

// A 3024 x 4032 BMP of smooth colours with fine detail, its rows written in place (no picture of it is ever
// made, so making it costs only its bytes): 8 bits with a 256-colour palette, or 24 bits.
QByteArray photoBmp(int bits)
{
    const int w = 3024, h = 4032;
    QList<QRgb> palette;
    for (int i = 0; bits == 8 && i < 256; ++i)
        palette.append(qRgb(i, (i * 5) & 0xFF, 255 - i));
    const int stride = (w * bits / 8 + 3) / 4 * 4;
    QByteArray file = picturebytes::bmpFile({40, w, h, bits, 0, {}, palette, quint32(palette.size()), 0, {}});
    const qsizetype header = file.size();
    file.resize(header + qsizetype(stride) * h);
    picturebytes::putU32le(file, 2, quint32(file.size()));
    for (int y = 0; y < h; ++y) {
        char* row = file.data() + header + qsizetype(stride) * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const int detail = (x * 7 + y * 13) % 23;
            if (bits == 8)
                row[x] = char((x / 16 + y / 24 + detail) & 0xFF);
            else
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = char((x * (c + 1) / 14 + y * (3 - c) / 19 + detail) & 0xFF);
        }
    }
    return file;
}

const QString kFolder = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/decode/");

struct FormatFile {
    const char* name;
    const char* file;
};

const FormatFile kFormats[] = {
    {"JPEG, quality 90", "photo.jpg"},
    {"PNG, 8-bit RGB", "photo.png"},
    {"TIFF, deflate, 8-bit RGB", "photo_deflate.tif"},
    {"TIFF, uncompressed", "photo.tif"},
    {"WebP, lossless", "photo_lossless.webp"},
    {"BMP, 8-bit palette", "photo8.bmp"},
    {"BMP, 24-bit", "photo24.bmp"},
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    return !bytes.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

// The corpus, made once and kept: a 3024 x 4032 photo as JPEG and in the lossless containers (the deflate
// TIFF by libtiff's tiffcp from Qt's uncompressed one). Made by a process of its own (`--make`), so this one's
// peak stays low; a forked child would hang in Qt's thread pool, whose threads it has not got.
bool makeFormats()
{
    QDir().mkpath(kFolder);
    const QByteArray jpeg = testutil::makePhotoJpeg(QSize(3024, 4032), 77);
    const QImage photo = QImage::fromData(jpeg).convertToFormat(QImage::Format_RGB888);
    const QString tiffcp = QStandardPaths::findExecutable(QStringLiteral("tiffcp"));
    return writeFile(kFolder + QLatin1String("photo.jpg"), jpeg) &&
           writeFile(kFolder + QLatin1String("photo.png"), picturebytes::encode(photo, "png")) &&
           writeFile(kFolder + QLatin1String("photo.tif"), picturebytes::encode(photo, "tiff")) && !tiffcp.isEmpty() &&
           bench::runMeasured(tiffcp,
                              {QStringLiteral("-c"),
                               QStringLiteral("zip"),
                               kFolder + QLatin1String("photo.tif"),
                               kFolder + QLatin1String("photo_deflate.tif")})
                   .seconds >= 0 &&
           writeFile(kFolder + QLatin1String("photo_lossless.webp"), picturebytes::encode(photo, "webp", 100)) &&
           writeFile(kFolder + QLatin1String("photo8.bmp"), photoBmp(8)) &&
           writeFile(kFolder + QLatin1String("photo24.bmp"), photoBmp(24));
}

// In the fresh process: `runs` decodes of the file into the box; the median milliseconds go to `result`.
int decodeOne(const QString& path, int runs, const QString& result)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = in.readAll();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QImage shown = material::fitPicture(picture::decodePicture(bytes, material::kPictureRect.size()).image);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (shown.isNull())
            return 1;
    }
    std::sort(ms.begin(), ms.end());
    QFile out(result);
    return out.open(QIODevice::WriteOnly) && out.write(QByteArray::number(ms[ms.size() / 2])) > 0 ? 0 : 1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// Rounds back to back, every format once a round, each in a process of its own.
int perFormat(const QString& self)
{
    if (!QFileInfo::exists(kFolder + QLatin1String("photo24.bmp")) &&
        bench::runMeasured(self, {QStringLiteral("--make")}).seconds < 0) {
        std::fprintf(
            stderr, "cannot make the corpus in %s (tiffcp from libtiff-tools is needed)\n", qPrintable(kFolder));
        return 1;
    }
    constexpr int kRounds = 5, kRuns = 5;
    const QString result = kFolder + QLatin1String("result.txt");
    std::vector<std::vector<double>> ms(std::size(kFormats)), peak(std::size(kFormats));
    for (int round = 0; round < kRounds; ++round) {
        for (size_t f = 0; f < std::size(kFormats); ++f) {
            const bench::ChildRun run = bench::runMeasured(
                self,
                {QStringLiteral("--one"), kFolder + QLatin1String(kFormats[f].file), QString::number(kRuns), result});
            QFile out(result);
            if (run.seconds < 0 || !out.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "%s cannot be decoded\n", kFormats[f].name);
                return 1;
            }
            ms[f].push_back(out.readAll().toDouble());
            peak[f].push_back(double(run.peakKiB) / 1024);
        }
    }
    std::printf("\n3024 x 4032 photo decoded into the box, a fresh process per format and round: medians of %d\n"
                "rounds (each the median of %d decodes) and of the processes' peak RSS\n\n%-28s %10s %8s %12s\n",
                kRounds,
                kRuns,
                "format",
                "bytes",
                "ms",
                "peak RSS MB");
    for (size_t f = 0; f < std::size(kFormats); ++f)
        std::printf("%-28s %10lld %8.1f %12.1f\n",
                    kFormats[f].name,
                    static_cast<long long>(QFileInfo(kFolder + QLatin1String(kFormats[f].file)).size()),
                    median(ms[f]),
                    median(peak[f]));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--one"))
        return decodeOne(args[2], args[3].toInt(), args[4]);
    if (args.size() == 2 && args[1] == QLatin1String("--make"))
        return makeFormats() ? 0 : 1;
    const QByteArray jpeg = testutil::makePhotoJpeg(QSize(1080, 1920), 1234);
    std::printf("1080 x 1920 JPEG, quality 90, %lld bytes\n", static_cast<long long>(jpeg.size()));
    timeDecode(jpeg, material::kPictureRect.size(), 3); // warm up caches and plugin loading
    const int runs = 40;
    const Timing boxed = timeDecode(jpeg, material::kPictureRect.size(), runs);
    const Timing full = timeDecode(jpeg, QSize(), runs / 4);
    std::printf("into the 140 x 226 box:     %7.2f ms per image (best %.2f)\n", boxed.meanMs, boxed.minMs);
    std::printf("full size, then stretched:  %7.2f ms per image (best %.2f)\n", full.meanMs, full.minMs);
    if (boxed.meanMs < 0 || full.meanMs < 0)
        return 1;
    return perFormat(app.applicationFilePath());
}
