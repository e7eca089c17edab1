// vorlith-batch at the edges of real use: peak memory on 108-megapixel phone photos (12000 x 9000) with one
// and two workers, on 16-bit RGBA PNGs of 8192 x 8192 (512 MB each at full size) with two, and a folder of 100,000
// files (empty ones: the listing, the plan and the dry run are what is measured, not decoding).
#include "child_run.h"
#include "material/file_listing.h"
#include "testsupport/libjpeg_writer.h"
#include "testsupport/libpng_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

namespace {

constexpr int kBigPhotos = 4;
constexpr int kBigPngs = 4;
constexpr int kManyFiles = 100000;

// A 12000 x 9000 JPEG written row by row (a picture of that size would take 432 MB): gradients with a
// little noise, so the entropy coder has a photo's work to do.
QByteArray bigPhoto(quint32 seed)
{
    return picturebytes::libjpegEncode(12000,
                                       9000,
                                       3,
                                       [seed](int x, int y, int k) {
                                           const quint32 noise =
                                               (quint32(x) * 2654435761u ^ quint32(y) * 40503u ^ seed) >> 27;
                                           const int base = k == 0 ? x / 47 : k == 1 ? y / 36 : (x + y) / 84;
                                           return static_cast<unsigned char>(base + static_cast<int>(noise));
                                       },
                                       {.quality = 90});
}

// Smooth 16-bit gradients under a varying alpha, written row by row (the picture itself is never made).
QByteArray deepPng(unsigned seed)
{
    return picturebytes::libpngEncode(8192, 8192, {16, 6}, [seed](int x, int y, int c) {
        const unsigned v = c == 0 ? x * 8u : c == 1 ? y * 8u : c == 2 ? (x + y) * 4u : 0xFFFFu - (x ^ y) * 2u;
        return (v + seed * 4099u) & 0xFFFFu;
    });
}

// Files `name`0, `name`1, ... in the folder, each made by `make` from its number unless an earlier run left it.
bool makeFiles(const QString& folder, const QString& name, int count, const std::function<QByteArray(int)>& make)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString path = folder + name.arg(i);
        if (QFileInfo(path).size() > 0)
            continue;
        QFile file(path);
        const QByteArray bytes = make(i);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

bool makeManyFiles(const QString& folder)
{
    QDir().mkpath(folder);
    if (QFileInfo::exists(folder + QStringLiteral("m%1.jpg").arg(kManyFiles - 1, 6, 10, QLatin1Char('0'))))
        return true;
    for (int i = 0; i < kManyFiles; ++i) {
        QFile file(folder + QStringLiteral("m%1.jpg").arg(i, 6, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

QString describe(const bench::ChildRun& r)
{
    if (r.seconds < 0)
        return QStringLiteral("failed (exit status %1)").arg(r.exitCode);
    return QStringLiteral("%1 s, CPU %2 s (kernel %3 s), peak RSS %4 MB")
        .arg(r.seconds, 0, 'f', 2)
        .arg(r.cpu(), 0, 'f', 2)
        .arg(r.system, 0, 'f', 2)
        .arg(static_cast<double>(r.peakKiB) / 1024, 0, 'f', 1);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString tool = QStringLiteral(VORLITH_BUILD_DIR "/cli/vorlith-batch");
    const QString big = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/108mp/");
    const QString deep = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/png16/");
    const QString many = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/100k/");
    out << "generating " << big << ", " << deep << " and " << many << " (kept between runs)...\n" << Qt::flush;
    QTemporaryDir work;
    const bool made = bench::inChild([&] {
        return makeFiles(
                   big, QStringLiteral("photo%1.jpg"), kBigPhotos, [](int i) { return bigPhoto(quint32(i % 2)); }) &&
               makeFiles(deep, QStringLiteral("deep%1.png"), kBigPngs, [](int i) { return deepPng(unsigned(i)); }) &&
               makeManyFiles(many);
    });
    if (!work.isValid() || !made)
        return 1;
    const QString o = work.path() + QLatin1Char('/');

    out << QStringLiteral("%1 photos of 12000 x 9000 (%2 MB each), quality 90\n")
               .arg(kBigPhotos)
               .arg(static_cast<double>(QFileInfo(big + "photo0.jpg").size()) / 1e6, 0, 'f', 1);
    for (int jobs : {1, 2}) {
        const bench::ChildRun r = bench::runMeasured(
            tool, {"-i", big, "-o", o + QStringLiteral("big%1").arg(jobs), "-j", QString::number(jobs)});
        out << QStringLiteral("  vorlith-batch --jobs %1: %2\n").arg(jobs).arg(describe(r));
    }

    out << QStringLiteral("%1 PNGs of 8192 x 8192, 16-bit RGBA (%2 MB each)\n")
               .arg(kBigPngs)
               .arg(static_cast<double>(QFileInfo(deep + "deep0.png").size()) / 1e6, 0, 'f', 1);
    out << "  vorlith-batch --jobs 2: "
        << describe(bench::runMeasured(tool, {"-i", deep, "-f", "png", "-o", o + "deep", "-j", "2"})) << "\n";

    out << QStringLiteral("a folder of %1 empty .jpg files\n").arg(kManyFiles);
    QElapsedTimer timer;
    timer.start();
    const qsizetype listed = static_cast<qsizetype>(material::listMaterials(many, QStringLiteral("jpg")).size());
    out << QStringLiteral("  listing alone, in process: %1 names in %2 s\n")
               .arg(listed)
               .arg(static_cast<double>(timer.nsecsElapsed()) / 1e9, 0, 'f', 2);
    // Every file is empty, so every material is reported as skipped: exit status 1 is the expected end.
    out << "  vorlith-batch --dry-run: "
        << describe(bench::runMeasured(tool, {"-i", many, "-o", o + "d", "--dry-run"}, 1)) << "\n";
    out << "  vorlith-batch (each file read and skipped): "
        << describe(bench::runMeasured(tool, {"-i", many, "-o", o + "r"}, 1)) << "\n";
    return 0;
}
