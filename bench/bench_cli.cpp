// vorlith-batch against the general picture tools doing the same composition, side by side on one generated
// corpus (photo-like JPEGs of 640 x 1024, 1080 x 1920 and 3000 x 4000, quality 90), and against the floor:
// libjpeg-turbo decoding the same files with the same DCT scaling in one process on as many threads, nothing
// else. Then where a material's time goes, stage by stage. VORLITH_BASELINE_BATCH=/path/to/vorlith-batch adds
// rows for another build of the tool (an older one, to see a change's effect on the same machine and minute).
#include "bench_corpus.h"
#include "child_run.h"
#include "material/picture_file.h"
#include "picture/jpeg_decoder.h"
#include "picture/picture.h"

#include <QBuffer>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

#include <jpeglib.h>

namespace {

const std::vector<bench::CorpusSize> kCorpus{{{640, 1024}, 48}, {{1080, 1920}, 48}, {{3000, 4000}, 24}};

bench::ChildRun runBatchTool(const QString& tool, const QString& in, const QString& out, int jobs)
{
    return bench::runMeasured(tool,
                              {QStringLiteral("--input"),
                               in,
                               QStringLiteral("--output"),
                               out,
                               QStringLiteral("--jobs"),
                               QString::number(jobs),
                               QStringLiteral("--overwrite")});
}

// One `gm batch` process reading one command per line.
bench::ChildRun runGmBatch(const QString& in, const QStringList& names, const QString& overlay, const QString& out)
{
    const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
    QDir().mkpath(out);
    QFile script(out + QStringLiteral("script.gm"));
    if (gm.isEmpty() || !script.open(QIODevice::WriteOnly))
        return {};
    for (int i = 0; i < names.size(); ++i)
        script.write(QStringLiteral("convert -size 140x226 \"%1\" -resize 140x226! -draw \"image Over 0,0 0,0 '%2'\" "
                                    "-bordercolor black -border 6x7 \"%3%4.png\"\n")
                         .arg(in + names[i], overlay, out)
                         .arg(i + 1)
                         .toUtf8());
    script.close();
    bench::ChildRun run = bench::runMeasured(
        gm, {QStringLiteral("batch"), QStringLiteral("-stop-on-error"), QStringLiteral("on"), script.fileName()});
    if (!QFileInfo::exists(out + QString::number(names.size()) + ".png"))
        run.seconds = -1;
    return run;
}

// Read one file and decode it with libjpeg-turbo at the scale the picture box asks for; no composition.
bool decodeForTheBox(const QString& path, std::vector<unsigned char>& row)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(
        &c, reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&c, TRUE);
    const QSize stored(static_cast<int>(c.image_width), static_cast<int>(c.image_height));
    c.scale_num = static_cast<unsigned>(picture::jpegScaleEighths(stored, material::kPictureRect.size()));
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
    return true;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return bench::toSeconds(usage.ru_utime) + bench::toSeconds(usage.ru_stime);
}

// The floor on `threads` threads taking the files from a shared counter, as the tool's workers do.
bench::ChildRun runDecodeFloor(const QString& in, const QStringList& names, int threads)
{
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    std::atomic<qsizetype> next{0};
    std::atomic<bool> ok{true};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            std::vector<unsigned char> row;
            for (qsizetype i = next++; i < names.size(); i = next++)
                ok = decodeForTheBox(in + names[i], row) && ok;
        });
    for (std::thread& t : pool)
        t.join();
    bench::ChildRun run;
    run.seconds = ok ? static_cast<double>(timer.nsecsElapsed()) / 1e9 : -1;
    run.user = processCpuSeconds() - cpuBefore;
    return run;
}

// The median of three runs by wall time, for the short ones, which a moment's noise would otherwise swing.
template <class Fn> bench::ChildRun median3(Fn run)
{
    std::vector<bench::ChildRun> runs{run(), run(), run()};
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
    return runs[0].seconds < 0 ? runs[0] : runs[1];
}

// The PNG encoder on real frames (one per size of the corpus), against Qt's own PNG writer at zlib's default
// settings: milliseconds per frame and bytes per file.
void compareEncoders(const QString& corpus, const QStringList& names, QTextStream& out)
{
    std::vector<QImage> frames;
    const qsizetype step = std::max<qsizetype>(1, names.size() / 3); // at least one, for a corpus of under 3
    for (qsizetype i = 0; i < names.size(); i += step) {
        QFile file(corpus + names[i]);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QImage picture = picture::decodePicture(file.readAll(), material::kPictureRect.size()).image;
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
    out << QStringLiteral("PNG encode of a 152x240 frame: ours (Up filter, ISA-L level 1) %1 ms, %2 bytes; "
                          "Qt's writer (zlib defaults) %3 ms, %4 bytes\n")
               .arg(ours.first, 0, 'f', 2)
               .arg(ours.second, 0, 'f', 0)
               .arg(qt.first, 0, 'f', 2)
               .arg(qt.second, 0, 'f', 0);
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Where a material's time goes: the tool's own steps one after another on one thread, each timed by that
// thread's CPU clock, so other programs on the machine do not count. The writer's time is taken less one
// encoding (it encodes the frame itself).
void stageSplit(const QString& corpus, const QStringList& names, const QString& work, QTextStream& out)
{
    const auto badges = material::badgeLayers(material::defaultBadgeLayout(), assets::badgeBitmaps());
    QDir().mkpath(work);
    std::array<double, 5> ms{};
    QByteArray buffer;
    for (const QString& name : names) {
        double t = threadCpuMs();
        auto lap = [&t](double& into) {
            const double now = threadCpuMs();
            into += now - t;
            t = now;
        };
        material::readPictureFile(QFile::encodeName(corpus + name), buffer);
        lap(ms[0]);
        const picture::DecodedPicture decoded = picture::decodePicture(buffer, material::kPictureRect.size());
        lap(ms[1]);
        const QImage frame = material::renderComposition({decoded.image, badges});
        lap(ms[2]);
        const QByteArray png = material::encodePng(frame);
        lap(ms[3]);
        material::writeOutputFile(work + name + QStringLiteral(".png"), png, material::WriteMode::Replace);
        lap(ms[4]);
    }
    const double total = ms[0] + ms[1] + ms[2] + ms[3] + ms[4];
    const char* stages[5] = {"read", "decode", "scale and compose", "PNG encode", "write"};
    out << "stage split, one thread, CPU time per material:";
    for (std::size_t i = 0; i < ms.size(); ++i)
        out << QStringLiteral(" %1 %2 ms (%3%)")
                   .arg(QString::fromLatin1(stages[i]))
                   .arg(ms[i] / static_cast<double>(names.size()), 0, 'f', 2)
                   .arg(100 * ms[i] / total, 0, 'f', 0);
    out << "\n";
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2)
                                          : QStringLiteral("unknown");
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

struct Row {
    QString what;
    bench::ChildRun run;
};

void printRows(const std::vector<Row>& rows, double n, const bench::ChildRun& ours, QTextStream& out)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("run"), -44)
               .arg(QStringLiteral("seconds"), 8)
               .arg(QStringLiteral("images/s"), 9)
               .arg(QStringLiteral("CPU s"), 7)
               .arg(QStringLiteral("-j2 vs this"), 12)
               .arg(QStringLiteral("by CPU"), 7);
    for (const Row& r : rows) {
        if (r.run.seconds <= 0) {
            out << QStringLiteral("%1 %2\n").arg(r.what, -44).arg(QStringLiteral("failed or not installed"));
            continue;
        }
        const bool cpuKnown = r.run.cpu() > 0 && ours.cpu() > 0;
        out << QStringLiteral("%1 %2 %3 %4 %5x %6\n")
                   .arg(r.what, -44)
                   .arg(r.run.seconds, 8, 'f', 2)
                   .arg(n / r.run.seconds, 9, 'f', 1)
                   .arg(cpuKnown ? QString::number(r.run.cpu(), 'f', 2) : QStringLiteral("-"), 7)
                   .arg(r.run.seconds / ours.seconds, 11, 'f', 2)
                   .arg(cpuKnown ? QString::number(r.run.cpu() / ours.cpu(), 'f', 2) + "x" : QStringLiteral("-"), 7);
    }
}

// The target's own figure: vorlith-batch --jobs 2 against the floor on 2 threads, in rounds that run one right
// after the other, so a slower or faster minute of a shared machine falls on both; the ratio of each round's
// times (floor over tool, higher is better) by the wall clock and by CPU time, median and range.
void floorRounds(const QString& what,
                 const QString& tool,
                 const QString& corpus,
                 const QStringList& names,
                 const QString& work,
                 QTextStream& out)
{
    constexpr int kRounds = 7;
    std::vector<double> wall, cpu;
    for (int round = 0; round < kRounds; ++round) {
        const bench::ChildRun ours = runBatchTool(tool, corpus, work, 2);
        const bench::ChildRun floor = runDecodeFloor(corpus, names, 2);
        if (ours.seconds <= 0 || floor.seconds <= 0)
            return;
        wall.push_back(floor.seconds / ours.seconds);
        cpu.push_back(floor.cpu() / ours.cpu());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    out << QStringLiteral("%1 --jobs 2 against the floor on 2 threads, %2 rounds back to back: wall "
                          "%3x (%4-%5), CPU %6x (%7-%8)\n")
               .arg(what)
               .arg(kRounds)
               .arg(wall[kRounds / 2], 0, 'f', 2)
               .arg(wall.front(), 0, 'f', 2)
               .arg(wall.back(), 0, 'f', 2)
               .arg(cpu[kRounds / 2], 0, 'f', 2)
               .arg(cpu.front(), 0, 'f', 2)
               .arg(cpu.back(), 0, 'f', 2);
}

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
    const auto n = double(names.size());
    out << names.size() << " materials: 48 x 640x1024, 48 x 1080x1920, 24 x 3000x4000, quality 90; "
        << QThread::idealThreadCount() << " cores; load average at start " << loadAverage() << "\n\n"
        << Qt::flush;

    const QString tool = QStringLiteral(VORLITH_BUILD_DIR "/cli/vorlith-batch");
    const QString baseline = qEnvironmentVariable("VORLITH_BASELINE_BATCH");
    std::vector<Row> rows;
    for (int jobs : {1, 2}) {
        rows.push_back({QStringLiteral("vorlith-batch --jobs %1").arg(jobs),
                        median3([&] { return runBatchTool(tool, corpus, work + "v/", jobs); })});
        if (!baseline.isEmpty())
            rows.push_back({QStringLiteral("  baseline build --jobs %1").arg(jobs),
                            median3([&] { return runBatchTool(baseline, corpus, work + "b/", jobs); })});
    }
    const bench::ChildRun ours = rows[baseline.isEmpty() ? 1 : 2].run;
    rows.push_back({QStringLiteral("floor: libjpeg-turbo scaled decode, 1 thread"),
                    median3([&] { return runDecodeFloor(corpus, names, 1); })});
    rows.push_back(
        {QStringLiteral("floor: the same on 2 threads"), median3([&] { return runDecodeFloor(corpus, names, 2); })});
    rows.push_back(
        {QStringLiteral("GraphicsMagick gm batch, one process"), runGmBatch(corpus, names, overlay, work + "gm/")});
    bench::ChildRun im;
    im.seconds = bench::runImageMagickPerFile(corpus, names, overlay, work + "im/", false);
    rows.push_back({QStringLiteral("ImageMagick convert, one process per file"), im});
    im.seconds = bench::runImageMagickPerFile(corpus, names, overlay, work + "imhint/", true);
    rows.push_back({QStringLiteral("  the same with -define jpeg:size=140x226"), im});
    printRows(rows, n, ours, out);

    out << "\ntargets (2 cores): vorlith-batch --jobs 2 >= 0.9x the floor on 2 threads, >= 2x gm batch\n"
        << "(vorlith-batch and the floor: median of 3 runs; the others: one run. \"-j2 vs this\" is this row's time\n"
        << "over vorlith-batch --jobs 2's, by the wall clock and by CPU time; on a busy machine trust the CPU.)\n";
    floorRounds(QStringLiteral("vorlith-batch"), tool, corpus, names, work + "rounds/", out);
    if (!baseline.isEmpty())
        floorRounds(QStringLiteral("the baseline build"), baseline, corpus, names, work + "rounds-b/", out);
    out << QStringLiteral("vorlith-batch --jobs 2 CPU: user %1 s, kernel %2 s (%3% in the kernel)\n")
               .arg(ours.user, 0, 'f', 2)
               .arg(ours.system, 0, 'f', 2)
               .arg(ours.cpu() > 0 ? 100 * ours.system / ours.cpu() : 0.0, 0, 'f', 0);
    stageSplit(corpus, names, work + "split/", out);
    out << QStringLiteral("average vorlith-batch PNG size: %1 bytes (ImageMagick's: %2 bytes)\n")
               .arg(averageSize(work + "v/"), 0, 'f', 0)
               .arg(averageSize(work + "im/"), 0, 'f', 0);
    compareEncoders(corpus, names, out);
    return 0;
}
