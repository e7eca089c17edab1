// The newer material formats against JPEG: one 12-megapixel photo (3024 x 4032, as phones take them) stored
// as JPEG, WebP, TIFF, HEIC (with and without a phone-like 320-pixel thumbnail) and AVIF, each decoded into
// the 140 x 226 picture box as the window and the batch decode it. For the HEIC with a thumbnail, the
// thumbnail's box picture is compared with the full decode's. Then vorlith-batch on a mixed folder.
#include "material/composition.h"
#include "picture/picture.h"
#include "testsupport/modern_pictures.h"
#include "testsupport/photo_jpeg.h"
#include "testsupport/picture_bytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QString kFolder = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/formats/");

// The file from the folder, or made by `make` and kept there: encoding camera-sized HEIC and AVIF is slow.
QByteArray cached(const QString& name, const std::function<QByteArray()>& make)
{
    QFile file(kFolder + name);
    if (file.open(QIODevice::ReadOnly) && file.size() > 0)
        return file.readAll();
    const QByteArray bytes = make();
    QDir().mkpath(kFolder);
    QFile out(kFolder + name);
    if (bytes.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return {};
    return bytes;
}

QImage boxed(const QByteArray& bytes, QSize target)
{
    return material::fitPicture(picture::decodePicture(bytes, target).image);
}

// Median and best of `runs` decodes into the box, in milliseconds.
std::pair<double, double> timeIntoBox(const QByteArray& bytes, int runs)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QImage shown = boxed(bytes, material::kPictureRect.size());
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (shown.isNull())
            return {-1, -1};
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

// The largest and the mean difference of any channel between two box pictures.
std::pair<int, double> difference(const QImage& a, const QImage& b)
{
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                worst = std::max(worst, std::abs(d));
                sum += std::abs(d);
            }
        }
    }
    return {worst, sum / (3.0 * a.width() * a.height())};
}

int decodeTimes()
{
    const QSize size(3024, 4032);
    const QByteArray jpeg = cached(QStringLiteral("photo.jpg"), [&] { return testutil::makePhotoJpeg(size, 77); });
    const QImage photo = QImage::fromData(jpeg).convertToFormat(QImage::Format_RGB888);
    struct Row {
        const char* name;
        QByteArray bytes;
        int runs;
    };
    const std::vector<Row> rows{
        {"JPEG, quality 90", jpeg, 20},
        {"WebP, quality 90",
         cached(QStringLiteral("photo.webp"), [&] { return picturebytes::encode(photo, "webp", 90); }),
         5},
        {"TIFF, uncompressed",
         cached(QStringLiteral("photo.tif"), [&] { return picturebytes::encode(photo, "tiff"); }),
         5},
        {"HEIC, no thumbnail",
         cached(QStringLiteral("photo.heic"),
                [&] {
                    return picturebytes::heicFile(photo, {80, 1, 0});
                }),
         5},
        {"HEIC, 320-pixel thumbnail",
         cached(QStringLiteral("photo_thumb.heic"),
                [&] {
                    return picturebytes::heicFile(photo, {80, 1, 320});
                }),
         20},
        {"AVIF, 8-bit 4:4:4",
         cached(QStringLiteral("photo.avif"), [&] { return picturebytes::avifFile({photo}, 8, 80); }),
         5},
    };
    std::printf("3024 x 4032 photo decoded into the 140 x 226 box (decodePicture with the box as target, then\n"
                "fitPicture), median of N runs\n\n%-28s %9s %6s %10s %10s %8s\n",
                "format",
                "bytes",
                "N",
                "ms",
                "best ms",
                "vs JPEG");
    double jpegMs = 0;
    for (const Row& row : rows) {
        boxed(row.bytes, material::kPictureRect.size()); // warm up: plugins, codec tables
        const auto [median, best] = timeIntoBox(row.bytes, row.runs);
        if (median < 0) {
            std::printf("%-28s cannot be decoded\n", row.name);
            return 1;
        }
        jpegMs = jpegMs > 0 ? jpegMs : median;
        std::printf("%-28s %9lld %6d %10.1f %10.1f %7.1fx\n",
                    row.name,
                    static_cast<long long>(row.bytes.size()),
                    row.runs,
                    median,
                    best,
                    median / jpegMs);
    }
    // The thumbnail is taken only when it covers the box; its box picture against the full decode's.
    const QByteArray withThumbnail = rows[4].bytes;
    QElapsedTimer timer;
    timer.start();
    const QImage full = boxed(withThumbnail, QSize());
    const double fullMs = double(timer.nsecsElapsed()) / 1e6;
    const auto [worst, mean] = difference(boxed(withThumbnail, material::kPictureRect.size()), full);
    std::printf("\nHEIC thumbnail against the full decode in the box: largest channel difference %d, mean %.2f\n"
                "(full decode of the same file: %.1f ms)\n",
                worst,
                mean,
                fullMs);
    return 0;
}

// vorlith-batch on a folder of phone and web pictures: HEIC photos with thumbnails, JPEG, WebP, AVIF and a
// scanned TIFF, all 12 megapixels but the web pictures.
int mixedFolder()
{
    const QString in = kFolder + QStringLiteral("mixed/");
    const QString out = kFolder + QStringLiteral("mixed-out/");
    QDir().mkpath(in);
    struct Kind {
        const char* file;
        const char* suffix;
        int count;
    };
    const std::vector<Kind> kinds{{"photo_thumb.heic", "heic", 16},
                                  {"photo.jpg", "jpg", 16},
                                  {"web.webp", "webp", 16},
                                  {"photo.avif", "avif", 4},
                                  {"photo.tif", "tif", 2}};
    const QImage web = QImage::fromData(testutil::makePhotoJpeg({1080, 1440}, 5));
    cached(QStringLiteral("web.webp"), [&] { return picturebytes::encode(web, "webp", 85); });
    int total = 0;
    for (const Kind& k : kinds) {
        for (int i = 0; i < k.count; ++i, ++total) {
            const QString name =
                in +
                QStringLiteral("%1_%2.%3").arg(k.suffix).arg(i, 2, 10, QLatin1Char('0')).arg(QLatin1String(k.suffix));
            if (!QFileInfo::exists(name) && !QFile::copy(kFolder + QLatin1String(k.file), name))
                return 1;
        }
    }
    std::vector<double> seconds;
    for (int run = 0; run < 3; ++run) {
        QProcess p;
        QElapsedTimer timer;
        timer.start();
        p.start(QStringLiteral(VORLITH_BUILD_DIR "/cli/vorlith-batch"),
                {QStringLiteral("-i"),
                 in,
                 QStringLiteral("-f"),
                 QStringLiteral("*"),
                 QStringLiteral("-o"),
                 out,
                 QStringLiteral("--jobs"),
                 QStringLiteral("2"),
                 QStringLiteral("--overwrite")});
        if (!p.waitForFinished(600000) || p.exitCode() != 0) {
            std::printf("vorlith-batch failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf(
        "\nvorlith-batch --jobs 2 on a mixed folder of %d pictures (16 HEIC 12 MP with thumbnail, 16 JPEG 12 MP,\n"
        "16 WebP 1080x1440, 4 AVIF 12 MP, 2 TIFF 12 MP uncompressed): %.2f s, %.1f pictures/s (median of 3)\n",
        total,
        seconds[1],
        total / seconds[1]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    return decodeTimes() || mixedFolder();
}
