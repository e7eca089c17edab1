// One batch step, as the timer runs it: read the material, decode it for the picture box, render the
// composition frame, encode the PNG and write it. Measured for photo-like JPEG materials (quality 90) of
// the sizes people feed the batch: a small picture, a phone screen and a camera photo.
#include "material/batch.h"
#include "material/picture.h"
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

// Runs kSteps steps over a list holding the same material on every line; milliseconds per step.
std::vector<double> timeSteps(const QString& folder, const QString& name)
{
    using namespace core::ids;
    testutil::MemoryControls controls;
    material::BatchHandlers handlers;
    QStringList lines;
    for (int i = 0; i < kSteps; ++i)
        lines.append(name);
    controls.setText(MaterialFolderBox, folder);
    controls.setText(FileList, lines.join(QStringLiteral("\r\n")));
    controls.setText(OutputFolderBox, folder);
    controls.setInterval(BatchTimer, material::kBatchInterval);

    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < kSteps; ++i) {
        timer.start();
        handlers.step(controls);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    if (!controls.messages.isEmpty() || !QFile::exists(folder + QStringLiteral("%1.png").arg(kSteps)))
        return {};
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

    out << "batch step (read + scaled decode + render + PNG encode + write), median of " << kSteps << " steps\n";
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
        const QImage decoded = material::decodePicture(jpeg, material::kPictureRect.size()).image;
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
        if (size == QSize(640, 1024))
            out << "           target: a 640x1024 step within the timer's " << material::kBatchInterval
                << " ms tick: " << (median(ms) < material::kBatchInterval ? "met" : "MISSED") << "\n";
    }
    return 0;
}
