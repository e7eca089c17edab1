// vorlith-batch: the window's batch without the window. The same listing, the same composition function and
// the same PNG writer as the window, on a pool of worker threads.
#include "assets/assets.h"
#include "cli/options.h"
#include "cli/plan.h"
#include "cli/progress.h"
#include "cli/runner.h"
#include "cli/stop.h"
#include "material/badge_layout.h"
#include "picture/decoder_messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {

void say(std::FILE* stream, const QString& text)
{
    const picture::StandardErrorLock held; // never while a codec's output is being dropped
    std::fputs(text.toUtf8().constData(), stream);
    std::fputc('\n', stream);
}

int fail(const QString& why)
{
    say(stderr, QStringLiteral("vorlith-batch: ") + why);
    return cli::kExitUsage;
}

// Lists at most this many paths in one complaint; the count says how many more there are.
constexpr qsizetype kListed = 20;

int refuse(const QString& why, const QStringList& paths)
{
    say(stderr, QStringLiteral("vorlith-batch: ") + why);
    for (qsizetype i = 0; i < paths.size() && i < kListed; ++i)
        say(stderr, QStringLiteral("  ") + paths[i]);
    if (paths.size() > kListed)
        say(stderr, QStringLiteral("  ... and %1 more").arg(paths.size() - kListed));
    return cli::kExitUsage;
}

int dryRun(const cli::Plan& plan, const cli::Options& options)
{
    qsizetype skipped = 0;
    for (const cli::Material& m : plan.materials) {
        const QString output = QDir::toNativeSeparators(plan.output(m));
        if (m.present) {
            say(stdout, m.name + QStringLiteral(" -> ") + output + QStringLiteral(" is there, left as it is"));
            continue;
        }
        const core::Reason why = cli::quickCheck(plan.source(m));
        if (!why) {
            say(stdout, m.name + QStringLiteral(" -> ") + output);
        } else {
            ++skipped;
            say(stdout, m.name + QStringLiteral(" -> skipped: ") + core::englishText(why));
        }
    }
    for (const QString& path : plan.inTheWay)
        say(stdout, (options.overwrite ? QStringLiteral("would replace ") : QStringLiteral("in the way: ")) + path);
    const qsizetype total = static_cast<qsizetype>(plan.materials.size());
    QString summary = QStringLiteral("dry run: %1, %2 would be written")
                          .arg(cli::counted(total, QStringLiteral("material")))
                          .arg(total - skipped - plan.presentCount);
    if (plan.presentCount > 0)
        summary += QStringLiteral(", %1 there already").arg(plan.presentCount);
    say(stdout, summary + QStringLiteral(", %1 would be skipped; nothing was written").arg(skipped));
    if (!plan.inTheWay.isEmpty() && !options.overwrite)
        return cli::kExitUsage;
    return skipped > 0 ? cli::kExitSkipped : cli::kExitDone;
}

int report(const cli::RunReport& r, const cli::Plan& plan, const cli::Options& options, double seconds)
{
    for (const cli::Warning& warning : r.warnings)
        say(stderr, QStringLiteral("warning: %1: %2").arg(warning.name, core::englishText(warning.reason)));
    for (const cli::Skip& skip : r.skipped) {
        const QString why = core::englishText(skip.reason);
        if (skip.writing)
            say(stderr,
                QStringLiteral("skipped %1: cannot write %2: %3")
                    .arg(skip.name, QDir::toNativeSeparators(plan.output(plan.materials[skip.index])), why));
        else
            say(stderr, QStringLiteral("skipped %1: %2").arg(skip.name, why));
    }
    if (r.failure)
        say(stderr,
            QStringLiteral("vorlith-batch: stopped: cannot write %1: %2")
                .arg(r.failure->path, core::englishText(r.failure->reason)));
    if (r.syncFailure)
        say(stderr,
            QStringLiteral("vorlith-batch: the pictures could not be flushed to the disk: %1")
                .arg(core::englishText(r.syncFailure)));
    const qsizetype total = static_cast<qsizetype>(plan.materials.size());
    QString summary = QStringLiteral("wrote %1 of %2 to %3 in %4 s (%5/s)")
                          .arg(r.written)
                          .arg(cli::counted(total, QStringLiteral("picture")))
                          .arg(QDir::toNativeSeparators(options.output))
                          .arg(seconds, 0, 'f', 1)
                          .arg(seconds > 0 ? static_cast<double>(r.written) / seconds : 0.0, 0, 'f', 1);
    if (r.present > 0)
        summary += QStringLiteral(", %1 there already").arg(r.present);
    if (!r.skipped.empty())
        summary += QStringLiteral(", %1 skipped").arg(r.skipped.size());
    if (r.notStarted > 0)
        summary += QStringLiteral(", %1 with %2 not started")
                       .arg(r.failure ? QStringLiteral("cut short") : QStringLiteral("stopped"))
                       .arg(r.notStarted);
    say(stdout, summary);
    if (r.failure || r.syncFailure)
        return cli::kExitWriteFailed;
    if (cli::stopSignal() != 0)
        return cli::kExitSignalBase + cli::stopSignal();
    // A picture made from damaged data is written, but the run is not clean: its warning names it.
    return r.skipped.empty() && r.warnings.empty() ? cli::kExitDone : cli::kExitSkipped;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorlith-batch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORLITH_VERSION));
    const int cores = QThread::idealThreadCount();
    const cli::ParsedOptions parsed = cli::parseOptions(app.arguments().mid(1), cores);
    if (!parsed.error.isEmpty())
        return fail(parsed.error);
    if (parsed.help) {
        say(stdout, cli::helpText(cores));
        return cli::kExitDone;
    }
    if (parsed.version) {
        say(stdout, QStringLiteral("vorlith-batch ") + QCoreApplication::applicationVersion());
        return cli::kExitDone;
    }
    const cli::Options& options = parsed.options;
    const cli::Plan plan = cli::makePlan(options);
    if (!plan.error.isEmpty())
        return fail(plan.error);
    if (!plan.clashes.isEmpty())
        return refuse(QStringLiteral("materials would share output names (--names material); nothing was written:"),
                      plan.clashes);
    if (!plan.unwritable.isEmpty())
        return refuse(QStringLiteral("these output names can never be written:"), plan.unwritable);
    if (options.dryRun)
        return dryRun(plan, options);
    if (!plan.inTheWay.isEmpty() && !options.overwrite)
        return refuse(QStringLiteral("%1 there; nothing was written (--overwrite replaces them, --skip-existing "
                                     "leaves them and writes the rest):")
                          .arg(cli::counted(plan.inTheWay.size(),
                                            QStringLiteral("output file is"),
                                            QStringLiteral("output files are"))),
                      plan.inTheWay);
    if (!QDir().mkpath(options.output))
        return fail(QStringLiteral("cannot make the output folder %1").arg(options.output));

    if (!material::startQtPoolThread()) {
        fail(QStringLiteral("no thread can be started (a process or memory limit?); nothing was written"));
        // The pool still holds the task it could not start and would wait for it at exit.
        std::fflush(nullptr);
        std::_Exit(cli::kExitUsage);
    }
    const material::Composition look{{}, material::badgeLayers(options.layout, assets::badgeBitmaps()), options.fit};
    cli::installStopHandlers();
    cli::ProgressBar bar(stderr);
    const cli::RunReport result =
        cli::runPlan(plan,
                     look,
                     options.jobs,
                     options.overwrite ? material::WriteMode::Replace : material::WriteMode::NoReplace,
                     cli::stopRequested(),
                     [&bar](std::size_t done, std::size_t total) { bar.update(done, total); });
    bar.finish();
    return report(result, plan, options, bar.elapsedSeconds());
}
