// The window's own batch, end to end, against vorlith-batch on the same corpus in the same run: the real
// window under Xvfb, 200 materials of 640 x 1024, started with the save-to button and the folder chooser
// answered; vorlith-batch --jobs 2 as a child process. Both run on the batch engine with every core (2 here).
// The machine is often shared, so the two run in rounds back to back, alternating which goes first, and
// the figure is the median ratio of their pictures per second with its range. Peak resident memory: the
// window process (the web engine's own processes not counted) and vorlith-batch's. Next to ImageMagick
// composing the same corpus one process per file, unless --no-imagemagick.
#include "bench_corpus.h"
#include "child_run.h"
#include "handlers/batch.h"
#include "testsupport/ui/window_fixture.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

using namespace core::ids;

namespace {

constexpr int kMaterials = 200;
constexpr int kRounds = 11;

// The next folder chooser takes `folder`, typed into its name field as a user would; `answered` is started
// as it is accepted, so the window's time is its run's, not the dialog's.
void answerFolderChooser(const QString& folder, QElapsedTimer& answered)
{
    testutil::whenModalOpens<QFileDialog>([folder, &answered](QFileDialog* dialog) {
        dialog->setDirectory(QFileInfo(folder).absolutePath());
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QFileInfo(folder).fileName());
        answered.start();
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
}

// Runs the window's batch over the folder; seconds from the chooser's answer to the end of the run, or -1.
double runWindowBatch(testutil::ShownWindow& shown, const QString& in, const QString& out)
{
    ui::WidgetControls& controls = shown.controls();
    controls.setText(MaterialFolderBox, in);
    controls.setText(MaterialFormatBox, QStringLiteral("jpg"));
    QElapsedTimer timer;
    answerFolderChooser(out, timer);
    auto* saveTo = qobject_cast<QPushButton*>(shown.widget(SaveToButton));
    if (!saveTo)
        return -1;
    // Any message box (an empty listing, a run's report) is shown on the console and closed, so that the
    // benchmark can never wait on a dialog nobody answers.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            QTextStream(stdout) << "message box: " << box->text() << "\n";
            box->accept();
        }
    });
    boxes.start(50);
    saveTo->click(); // returns once the chooser is answered and the run has begun
    if (controls.interval(BatchTimer) != handlers::kBatchInterval)
        return -1;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (controls.interval(BatchTimer) == 0 || timer.elapsed() > 600000)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return controls.interval(BatchTimer) == 0 ? static_cast<double>(timer.nsecsElapsed()) / 1e9 : -1;
}

qsizetype pngCount(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.png")}).size();
}

// How many of the files of `a` have the same bytes in `b`.
int sameFiles(const QString& a, const QString& b)
{
    int same = 0;
    for (const QString& name : QDir(a).entryList(QDir::Files)) {
        QFile fa(a + QLatin1Char('/') + name), fb(b + QLatin1Char('/') + name);
        same += fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly) && fa.readAll() == fb.readAll();
    }
    return same;
}

// vorlith-batch is started from a small process forked before the window exists: a program started from the
// window process would begin its peak resident memory at the window's (the kernel carries it over at exec).
// The output folder goes down one pipe, the measured run comes back up the other.
class ToolStarter {
public:
    explicit ToolStarter(const QString& corpus)
    {
        if (::pipe(m_request) != 0 || ::pipe(m_answer) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0)
            serve(corpus);
    }
    ~ToolStarter()
    {
        ::close(m_request[1]);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    bench::ChildRun run(const QString& out)
    {
        bench::ChildRun run;
        const QByteArray path = QFile::encodeName(out) + '\n';
        if (m_pid <= 0 || ::write(m_request[1], path.constData(), size_t(path.size())) != path.size() ||
            ::read(m_answer[0], &run, sizeof run) != ssize_t(sizeof run))
            return {};
        return run;
    }

private:
    [[noreturn]] void serve(const QString& corpus)
    {
        ::close(m_request[1]);
        QByteArray line;
        char c = 0;
        while (::read(m_request[0], &c, 1) == 1) {
            if (c != '\n') {
                line += c;
                continue;
            }
            const bench::ChildRun run = bench::runMeasured(QStringLiteral(VORLITH_BUILD_DIR "/cli/vorlith-batch"),
                                                           {QStringLiteral("-i"),
                                                            corpus,
                                                            QStringLiteral("-o"),
                                                            QFile::decodeName(line),
                                                            QStringLiteral("--jobs"),
                                                            QStringLiteral("2")});
            if (::write(m_answer[1], &run, sizeof run) != ssize_t(sizeof run))
                break;
            line.clear();
        }
        ::_exit(0);
    }

    int m_request[2] = {-1, -1};
    int m_answer[2] = {-1, -1};
    pid_t m_pid = -1;
};

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// CPU time this process has used, user and kernel, in seconds.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return bench::toSeconds(usage.ru_utime) + bench::toSeconds(usage.ru_stime);
}

struct Round {
    double window = -1;
    double windowCpu = 0; // the whole window process's, its idle web engine and event loop included
    bench::ChildRun tool;
};

// One round: the window's batch and vorlith-batch, each into a fresh folder, in the order given.
Round runRound(
    testutil::ShownWindow& shown, ToolStarter& tool, const QString& corpus, const QString& work, int r, int* same)
{
    Round round;
    const QString windowOut = work + QStringLiteral("window%1").arg(r);
    const QString toolOut = work + QStringLiteral("tool%1").arg(r);
    QDir().mkpath(windowOut);
    const auto runTool = [&] { round.tool = tool.run(toolOut); };
    if (r % 2 == 1)
        runTool();
    const double cpuBefore = cpuSeconds();
    round.window = runWindowBatch(shown, corpus, windowOut);
    round.windowCpu = cpuSeconds() - cpuBefore;
    if (r % 2 == 0)
        runTool();
    if (pngCount(windowOut) != kMaterials || pngCount(toolOut) != kMaterials)
        round.window = -1;
    if (r == 0)
        *same = sameFiles(windowOut, toolOut);
    QDir(windowOut).removeRecursively();
    QDir(toolOut).removeRecursively();
    return round;
}

void printRounds(QTextStream& out, const std::vector<Round>& rounds, long windowPeak)
{
    std::vector<double> ratios, cpuRatios, windows, tools;
    long toolPeak = 0;
    for (const Round& r : rounds) {
        ratios.push_back(r.tool.seconds / r.window);
        cpuRatios.push_back(r.tool.cpu() / r.windowCpu);
        windows.push_back(r.window);
        tools.push_back(r.tool.seconds);
        toolPeak = std::max(toolPeak, r.tool.peakKiB);
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(cpuRatios.begin(), cpuRatios.end());
    std::sort(windows.begin(), windows.end());
    std::sort(tools.begin(), tools.end());
    const std::size_t mid = rounds.size() / 2;
    out << QStringLiteral("%1 %2 s  %3 files/s  (median of %4 rounds; %5 to %6 s)\n")
               .arg(QStringLiteral("window batch"), -32)
               .arg(windows[mid], 7, 'f', 2)
               .arg(kMaterials / windows[mid], 7, 'f', 1)
               .arg(rounds.size())
               .arg(windows.front(), 0, 'f', 2)
               .arg(windows.back(), 0, 'f', 2);
    out << QStringLiteral("%1 %2 s  %3 files/s  (%4 to %5 s)\n")
               .arg(QStringLiteral("vorlith-batch --jobs 2"), -32)
               .arg(tools[mid], 7, 'f', 2)
               .arg(kMaterials / tools[mid], 7, 'f', 1)
               .arg(tools.front(), 0, 'f', 2)
               .arg(tools.back(), 0, 'f', 2);
    out << QStringLiteral("window against vorlith-batch, pictures per second, %1 rounds back to back: %2x (%3-%4); "
                          "target 0.9x: %5\n")
               .arg(rounds.size())
               .arg(ratios[mid], 0, 'f', 2)
               .arg(ratios.front(), 0, 'f', 2)
               .arg(ratios.back(), 0, 'f', 2)
               .arg(ratios[mid] >= 0.9 ? QStringLiteral("met") : QStringLiteral("MISSED"));
    std::vector<double> windowCpu, toolCpu;
    for (const Round& r : rounds) {
        windowCpu.push_back(r.windowCpu);
        toolCpu.push_back(r.tool.cpu());
    }
    std::sort(windowCpu.begin(), windowCpu.end());
    std::sort(toolCpu.begin(), toolCpu.end());
    out << QStringLiteral("CPU time, median: window process %1 s, vorlith-batch %2 s (kernel %3 s)\n")
               .arg(windowCpu[mid], 0, 'f', 2)
               .arg(toolCpu[mid], 0, 'f', 2)
               .arg(rounds[mid].tool.system, 0, 'f', 2);
    out << QStringLiteral("the same by CPU time (vorlith-batch's against the window process's): %1x (%2-%3)\n")
               .arg(cpuRatios[mid], 0, 'f', 2)
               .arg(cpuRatios.front(), 0, 'f', 2)
               .arg(cpuRatios.back(), 0, 'f', 2);
    out << QStringLiteral("peak RSS: window process %1 MB, vorlith-batch %2 MB\n")
               .arg(double(windowPeak) / 1024.0, 0, 'f', 1)
               .arg(double(toolPeak) / 1024.0, 0, 'f', 1);
}

} // namespace

int main(int argc, char** argv)
{
    const QString corpus = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/gui/");
    // Made in a child before the window exists, so its memory is never the window process's peak.
    if (!bench::inChild([&] { return !bench::makeCorpus(corpus, {{{640, 1024}, kMaterials}}).isEmpty(); }))
        return 1;
    const QStringList names = bench::makeCorpus(corpus, {{{640, 1024}, kMaterials}});
    ToolStarter tool(corpus);
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const bool imageMagick = !app.arguments().contains(QStringLiteral("--no-imagemagick"));
    QTemporaryDir dir;
    const QString work = dir.path() + QLatin1Char('/');
    const QString overlay = work + QStringLiteral("badges.png");
    if (names.isEmpty() || !dir.isValid() || !bench::writeBadgeOverlay(overlay))
        return 1;

    testutil::ShownWindow shown;
    if (!shown.ok) {
        out << "the window could not be shown (is there an X server?)\n";
        return 1;
    }
    const long shownPeak = peakKiB();
    // What the window process spends doing nothing (its event loop, the web engine's threads), for scale.
    const double idleBefore = cpuSeconds();
    QTest::qWait(2000);
    const double idlePerSecond = (cpuSeconds() - idleBefore) / 2.0;
    out << "window batch under Xvfb against vorlith-batch, " << kMaterials << " materials of 640x1024 (quality 90), "
        << QThread::idealThreadCount() << " cores\n";
    std::vector<Round> rounds;
    int same = 0;
    for (int r = 0; r < kRounds; ++r) {
        rounds.push_back(runRound(shown, tool, corpus, work, r, &same));
        if (rounds.back().window <= 0 || rounds.back().tool.seconds <= 0) {
            out << "round " << r << " failed\n";
            return 1;
        }
    }
    printRounds(out, rounds, peakKiB());
    out << QStringLiteral("the window process idle: %1 s of CPU a second\n").arg(idlePerSecond, 0, 'f', 3);
    out << QStringLiteral("window process peak RSS once the window was shown, before any run: %1 MB\n")
               .arg(double(shownPeak) / 1024.0, 0, 'f', 1);
    out << "files with the same bytes from the window and from vorlith-batch: " << same << " of " << kMaterials << "\n";
    if (!imageMagick)
        return 0;
    const double imSecs = bench::runImageMagickPerFile(corpus, names, overlay, work + QStringLiteral("im/"), false);
    if (imSecs > 0)
        out << QStringLiteral("%1 %2 s  %3 files/s\n")
                   .arg(QStringLiteral("ImageMagick convert, one process per file"), -32)
                   .arg(imSecs, 7, 'f', 2)
                   .arg(kMaterials / imSecs, 7, 'f', 1);
    else
        out << "ImageMagick: failed or not installed\n";
    return 0;
}
