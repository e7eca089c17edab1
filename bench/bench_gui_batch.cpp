// The window's own batch, end to end: the real window under Xvfb, 200 materials of 640 x 1024, started with
// the save-to button and the folder chooser answered, stepped by the batch timer at its 10 ms interval.
// Files per second, next to ImageMagick composing the same corpus one process per file, in the same run.
#include "bench_corpus.h"
#include "material/batch.h"
#include "testsupport/ui/window_fixture.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

using namespace core::ids;

namespace {

constexpr int kMaterials = 200;

// The next folder chooser takes `folder`, typed into its name field as a user would.
void answerFolderChooser(const QString& folder)
{
    testutil::whenModalOpens<QFileDialog>([folder](QFileDialog* dialog) {
        dialog->setDirectory(QFileInfo(folder).absolutePath());
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QFileInfo(folder).fileName());
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
}

// Runs the window's batch over the folder; seconds from the timer's start to the end of the run, or -1.
double runWindowBatch(testutil::ShownWindow& shown, const QString& in, const QString& out)
{
    ui::WidgetControls& controls = shown.controls();
    controls.setText(MaterialFolderBox, in);
    controls.setText(MaterialFormatBox, QStringLiteral("jpg"));
    answerFolderChooser(out);
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
    saveTo->click(); // returns once the chooser is answered and the timer runs
    if (controls.interval(BatchTimer) != material::kBatchInterval)
        return -1;
    QElapsedTimer timer;
    timer.start();
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

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString corpus = QStringLiteral(VORLITH_BUILD_DIR "/bench-corpus/gui/");
    const QStringList names = bench::makeCorpus(corpus, {{{640, 1024}, kMaterials}});
    QTemporaryDir dir;
    const QString work = dir.path() + QLatin1Char('/');
    const QString overlay = work + QStringLiteral("badges.png");
    if (names.isEmpty() || !dir.isValid() || !bench::writeBadgeOverlay(overlay))
        return 1;
    QDir().mkpath(work + QStringLiteral("window"));

    testutil::ShownWindow shown;
    if (!shown.ok) {
        out << "the window could not be shown (is there an X server?)\n";
        return 1;
    }
    const double windowSecs = runWindowBatch(shown, corpus, work + QStringLiteral("window"));
    const qsizetype written = QDir(work + QStringLiteral("window")).entryList({QStringLiteral("*.png")}).size();
    const double imSecs = bench::runImageMagickPerFile(corpus, names, overlay, work + QStringLiteral("im/"), false);

    out << "window batch under Xvfb, " << kMaterials << " materials of 640x1024 (quality 90), timer at "
        << material::kBatchInterval << " ms\n";
    if (windowSecs <= 0 || written != kMaterials) {
        out << "the window's batch failed: " << written << " files written\n";
        return 1;
    }
    out << QStringLiteral("%1 %2 s  %3 files/s  (%4 ms per file)\n")
               .arg(QStringLiteral("window batch"), -40)
               .arg(windowSecs, 7, 'f', 2)
               .arg(kMaterials / windowSecs, 7, 'f', 1)
               .arg(windowSecs * 1000 / kMaterials, 0, 'f', 1);
    if (imSecs > 0)
        out << QStringLiteral("%1 %2 s  %3 files/s\n")
                   .arg(QStringLiteral("ImageMagick convert, one process per file"), -40)
                   .arg(imSecs, 7, 'f', 2)
                   .arg(kMaterials / imSecs, 7, 'f', 1);
    else
        out << "ImageMagick: failed or not installed\n";
    return 0;
}
