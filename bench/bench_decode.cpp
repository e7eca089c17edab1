// Decoding a phone-sized JPEG into the 140 x 226 picture box: decodePicture with the box as target (libjpeg
// scales in the DCT domain) and then fitPicture, as the window and the batch do for every material.
// Prints milliseconds per picture; the full-size decode is printed beside it for comparison. Then 12-megapixel
// BMPs (8-bit and 24-bit) decoded into the box by our decoder and by Qt's reader, time and peak memory.
#include "child_run.h"
#include "material/composition.h"
#include "material/picture.h"
#include "testsupport/photo_jpeg.h"
#include "testsupport/picture_bytes.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImageReader>

#include <sys/resource.h>

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
        const material::DecodedPicture decoded = material::decodePicture(jpeg, target);
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

QImage boxedByQt(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    return material::fitPicture(reader.read());
}

QImage boxedByUs(const QByteArray& bytes)
{
    return material::fitPicture(material::decodePicture(bytes, material::kPictureRect.size()).image);
}

// Each decoder in a child of its own, so its peak memory is its own: the file's bytes, then the decode.
void bmpTimes()
{
    std::printf("3024 x 4032 BMP decoded into the 140 x 226 box, median of 5 (each in a fresh process)\n"
                "%-8s %-22s %9s %10s %10s\n\n", "depth", "decoder", "MB", "ms", "peak RSS");
    std::fflush(stdout); // before the children, which would print it again
    for (int bits : {8, 24}) {
        for (const auto& [name, decode] : {std::pair{"ours", &boxedByUs}, std::pair{"Qt's reader", &boxedByQt}}) {
            const bool ok = bench::inChild([&, name = name, decode = decode] {
                const QByteArray bmp = photoBmp(bits);
                std::vector<double> ms;
                for (int run = 0; run < 5; ++run) {
                    QElapsedTimer timer;
                    timer.start();
                    if (decode(bmp).size() != material::kPictureRect.size())
                        return false;
                    ms.push_back(double(timer.nsecsElapsed()) / 1e6);
                }
                std::sort(ms.begin(), ms.end());
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                std::printf("%-8d %-22s %9.1f %10.1f %7.1f MB\n", bits, name, double(bmp.size()) / 1e6, ms[2],
                            double(usage.ru_maxrss) / 1024.0);
                std::fflush(stdout);
                return true;
            });
            if (!ok)
                std::printf("%-8d %-22s failed\n", bits, name);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bmpTimes(); // first, while this process is small: a forked child's peak starts at its parent's size
    const QByteArray jpeg = testutil::makePhotoJpeg(QSize(1080, 1920), 1234);
    std::printf("1080 x 1920 JPEG, quality 90, %lld bytes\n", static_cast<long long>(jpeg.size()));
    timeDecode(jpeg, material::kPictureRect.size(), 3); // warm up caches and plugin loading
    const int runs = 40;
    const Timing boxed = timeDecode(jpeg, material::kPictureRect.size(), runs);
    const Timing full = timeDecode(jpeg, QSize(), runs / 4);
    std::printf("into the 140 x 226 box:     %7.2f ms per image (best %.2f)\n", boxed.meanMs, boxed.minMs);
    std::printf("full size, then stretched:  %7.2f ms per image (best %.2f)\n", full.meanMs, full.minMs);
    return boxed.meanMs < 0 || full.meanMs < 0 ? 1 : 0;
}
