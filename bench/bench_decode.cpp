// Decoding a phone-sized JPEG into the 140 x 226 picture box: decodePicture with the box as target (libjpeg
// scales in the DCT domain) and then fitPicture, as the window and the batch do for every material.
// Prints milliseconds per picture; the full-size decode is printed beside it for comparison.
#include "material/composition.h"
#include "material/picture.h"
#include "testsupport/photo_jpeg.h"

#include <QCoreApplication>
#include <QElapsedTimer>

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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
