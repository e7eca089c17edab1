// vorlith-batch against the general picture tools doing the same composition, side by side on one generated
// corpus (photo-like JPEGs of 640 x 1024, 1080 x 1920 and 3000 x 4000, quality 90), and against the floor:
// libjpeg-turbo decoding the same files with the same DCT scaling in one process, nothing else.
#include "bench_corpus.h"
#include "material/jpeg_decoder.h"
#include "material/picture.h"
#include "material/picture_file.h"

#include <QBuffer>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <jpeglib.h>

namespace {

const std::vector<bench::CorpusSize> kCorpus{{{640, 1024}, 48}, {{1080, 1920}, 48}, {{3000, 4000}, 24}};

double seconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double runBatchTool(const QString& in, const QString& out, int jobs)
{
    QProcess p;
    QElapsedTimer timer;
    timer.start();
    p.start(QStringLiteral(VORLITH_BUILD_DIR "/cli/vorlith-batch"),
            {QStringLiteral("--input"),
             in,
             QStringLiteral("--output"),
             out,
             QStringLiteral("--jobs"),
             QString::number(jobs),
             QStringLiteral("--overwrite")});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return -1;
    return seconds(timer);
}

// One `gm batch` process reading one command per line.
double runGmBatch(const QString& in, const QStringList& names, const QString& overlay, const QString& out)
{
    const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
    if (gm.isEmpty())
        return -1;
    QDir().mkpath(out);
    QFile script(out + QStringLiteral("script.gm"));
    if (!script.open(QIODevice::WriteOnly))
        return -1;
    for (int i = 0; i < names.size(); ++i)
        script.write(QStringLiteral("convert -size 140x226 \"%1\" -resize 140x226! -draw \"image Over 0,0 0,0 '%2'\" "
                                    "-bordercolor black -border 6x7 \"%3%4.png\"\n")
                         .arg(in + names[i], overlay, out)
                         .arg(i + 1)
                         .toUtf8());
    script.close();
    QProcess p;
    QElapsedTimer timer;
    timer.start();
    p.start(gm, {QStringLiteral("batch"), QStringLiteral("-stop-on-error"), QStringLiteral("on"), script.fileName()});
    if (!p.waitForFinished(600000) || p.exitCode() != 0 ||
        !QFileInfo::exists(out + QString::number(names.size()) + ".png"))
        return -1;
    return seconds(timer);
}

// Read each file and decode it with libjpeg-turbo at the scale the picture box asks for; no composition.
double runDecodeFloor(const QString& in, const QStringList& names)
{
    QElapsedTimer timer;
    timer.start();
    std::vector<unsigned char> row;
    for (const QString& name : names) {
        QFile file(in + name);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray bytes = file.readAll();
        jpeg_decompress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_decompress(&c);
        jpeg_mem_src(
            &c, reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&c, TRUE);
        const QSize stored(static_cast<int>(c.image_width), static_cast<int>(c.image_height));
        c.scale_num = static_cast<unsigned>(material::jpegScaleEighths(stored, material::kPictureRect.size()));
        c.scale_denom = 8;
        c.dct_method = JDCT_ISLOW;
        c.out_color_space = JCS_EXT_BGRX;
        jpeg_start_decompress(&c);
        row.resize(static_cast<std::size_t>(c.output_width) * 4);
        while (c.output_scanline < c.output_height) {
            unsigned char* rows[1] = {row.data()};
            jpeg_read_scanlines(&c, rows, 1);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
    }
    return seconds(timer);
}

// The median of three runs, for the short ones, which a moment's noise would otherwise swing.
template <class Fn> double median3(Fn run)
{
    std::vector<double> s{run(), run(), run()};
    std::sort(s.begin(), s.end());
    return s[0] < 0 ? -1 : s[1];
}

// The PNG encoder on real frames (one per size of the corpus), against Qt's own PNG writer at zlib's default
// settings: milliseconds per frame and bytes per file.
void compareEncoders(const QString& corpus, const QStringList& names, QTextStream& out)
{
    std::vector<QImage> frames;
    for (int i = 0; i < names.size(); i += names.size() / 3) {
        QFile file(corpus + names[i]);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QImage picture = material::decodePicture(file.readAll(), material::kPictureRect.size()).image;
        frames.push_back(material::renderComposition({picture, {}}));
    }
    constexpr int kRounds = 100;
    auto time = [&](auto encode) {
        qint64 bytes = 0;
        QElapsedTimer timer;
        timer.start();
        for (int r = 0; r < kRounds; ++r)
            for (const QImage& frame : frames)
                bytes += encode(frame).size();
        const double count = kRounds * static_cast<double>(frames.size());
        return std::pair{static_cast<double>(timer.nsecsElapsed()) / 1e6 / count, static_cast<double>(bytes) / count};
    };
    const auto ours = time([](const QImage& f) { return material::encodePng(f); });
    const auto qt = time([](const QImage& f) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        f.convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG");
        return bytes;
    });
    out << QStringLiteral("PNG encode of a 152x240 frame: ours (Up filter, libdeflate level 1) %1 ms, %2 bytes; "
                          "Qt's writer (zlib defaults) %3 ms, %4 bytes\n")
               .arg(ours.first, 0, 'f', 2)
               .arg(ours.second, 0, 'f', 0)
               .arg(qt.first, 0, 'f', 2)
               .arg(qt.second, 0, 'f', 0);
}

double averageSize(const QString& folder)
{
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.png")}, QDir::Files);
    qint64 total = 0;
    for (const QFileInfo& f : files)
        total += f.size();
    return files.isEmpty() ? 0 : static_cast<double>(total) / static_cast<double>(files.size());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString corpus = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/mixed/");
    out << "generating the corpus in " << corpus << " (kept between runs)...\n" << Qt::flush;
    const QStringList names = bench::makeCorpus(corpus, kCorpus);
    QTemporaryDir dir;
    const QString work = dir.path() + QLatin1Char('/');
    const QString overlay = work + QStringLiteral("badges.png");
    if (names.isEmpty() || !dir.isValid() || !bench::writeBadgeOverlay(overlay))
        return 1;
    const double n = names.size();
    out << names.size() << " materials: 48 x 640x1024, 48 x 1080x1920, 24 x 3000x4000, quality 90; "
        << QThread::idealThreadCount() << " cores\n\n";

    struct Row {
        QString what;
        double secs;
    };
    std::vector<Row> rows;
    rows.push_back(
        {QStringLiteral("vorlith-batch --jobs 1"), median3([&] { return runBatchTool(corpus, work + "v1/", 1); })});
    rows.push_back(
        {QStringLiteral("vorlith-batch --jobs 2"), median3([&] { return runBatchTool(corpus, work + "v2/", 2); })});
    rows.push_back({QStringLiteral("ImageMagick convert, one process per file"),
                    bench::runImageMagickPerFile(corpus, names, overlay, work + "im/", false)});
    rows.push_back({QStringLiteral("  the same with -define jpeg:size=140x226"),
                    bench::runImageMagickPerFile(corpus, names, overlay, work + "imhint/", true)});
    rows.push_back(
        {QStringLiteral("GraphicsMagick gm batch, one process"), runGmBatch(corpus, names, overlay, work + "gm/")});
    rows.push_back({QStringLiteral("floor: libjpeg-turbo scaled decode only"),
                    median3([&] { return runDecodeFloor(corpus, names); })});

    const double ours = rows[1].secs > 0 ? n / rows[1].secs : 0;
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("run"), -44)
               .arg(QStringLiteral("seconds"), 8)
               .arg(QStringLiteral("images/s"), 9)
               .arg(QStringLiteral("batch -j2 vs this"), 18);
    for (const Row& r : rows) {
        if (r.secs <= 0) {
            out << QStringLiteral("%1 %2\n").arg(r.what, -44).arg(QStringLiteral("failed or not installed"));
            continue;
        }
        out << QStringLiteral("%1 %2 %3 %4x\n")
                   .arg(r.what, -44)
                   .arg(r.secs, 8, 'f', 2)
                   .arg(n / r.secs, 9, 'f', 1)
                   .arg(ours / (n / r.secs), 17, 'f', 2);
    }
    out << "\ntargets (2 cores): >= 10x ImageMagick per file, >= 1.4x gm batch, >= 0.60x the decode floor\n"
        << "(vorlith-batch and the floor: median of 3 runs; the others: one run. ImageMagick may use both cores.)\n";
    out << QStringLiteral("average vorlith-batch PNG size: %1 bytes (ImageMagick's: %2 bytes)\n")
               .arg(averageSize(work + "v2/"), 0, 'f', 0)
               .arg(averageSize(work + "im/"), 0, 'f', 0);
    compareEncoders(corpus, names, out);
    return 0;
}
