// One material of the batch engine, as a worker composes it: read the material, decode it for the picture
// box, render the composition frame, encode the PNG and write it. Measured for photo-like JPEG materials (quality 90)
// of the sizes people feed the batch: a small picture, a phone screen and a camera photo.
#include "material/batch_engine.h"
#include "picture/picture.h"
#include "testsupport/memory_controls.h"
#include "testsupport/photo_jpeg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

constexpr int kSteps = 12;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Composes kSteps materials one after another, as one worker of the batch engine does; milliseconds each.
std::vector<double> timeSteps(const QString& folder, const QString& name)
{
    testutil::MemoryControls controls;
    const material::Composition look = controls.composition();
    picture::MemoryBudget budget;
    QByteArray buffer;
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < kSteps; ++i) {
        const material::BatchMaterial m{
            name, QFile::encodeName(folder + name), folder + QStringLiteral("%1.png").arg(i + 1), false, {}};
        timer.start();
        const material::MaterialDone done =
            material::composeMaterial(m, look, material::WriteMode::Replace, {}, budget, buffer);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (done.outcome != material::MaterialDone::Written)
            return {};
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString folder = dir.path() + QLatin1Char('/');

    out << "one material on one worker of the batch engine (read + scaled decode + render + PNG encode + write), "
           "median of "
        << kSteps << " materials\n";
    const QSize sizes[] = {{640, 1024}, {1080, 1920}, {3000, 4000}};
    for (const QSize size : sizes) {
        const QByteArray jpeg = testutil::makePhotoJpeg(size, 7);
        const QString name = QStringLiteral("m%1x%2.jpg").arg(size.width()).arg(size.height());
        QFile file(folder + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size())
            return 1;
        file.close();

        QElapsedTimer timer;
        timer.start();
        const QImage decoded = picture::decodePicture(jpeg, material::kPictureRect.size()).image;
        const double decodeMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

        const std::vector<double> ms = timeSteps(folder, name);
        if (ms.empty() || decoded.isNull()) {
            out << size.width() << "x" << size.height() << ": the step failed\n";
            return 1;
        }
        out << qSetFieldWidth(10) << QStringLiteral("%1x%2").arg(size.width()).arg(size.height()) << qSetFieldWidth(0)
            << "  " << jpeg.size() / 1024 << " KiB  step " << QString::number(median(ms), 'f', 1) << " ms (min "
            << QString::number(*std::min_element(ms.begin(), ms.end()), 'f', 1) << ")  decode alone "
            << QString::number(decodeMs, 'f', 1) << " ms to " << decoded.width() << "x" << decoded.height() << "\n";
    }
    return 0;
}
