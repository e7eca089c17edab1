// vorlith-batch: the window's batch without the window. The same listing, the same composition function and
// the same PNG writer as the window, on a pool of worker threads.
#include "assets/assets.h"
#include "cli/options.h"
#include "cli/plan.h"
#include "cli/progress.h"
#include "cli/runner.h"
#include "cli/stop.h"
#include "core/messages.h"
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
    say(stderr, core::englishText(core::MessageCode::Complaint, {why}));
    return cli::kExitUsage;
}

// Lists at most this many paths in one complaint; the count says how many more there are.
constexpr qsizetype kListed = 20;

int refuse(const QString& why, const QStringList& paths)
{
    say(stderr, core::englishText(core::MessageCode::Complaint, {why}));
    for (qsizetype i = 0; i < paths.size() && i < kListed; ++i)
        say(stderr, QStringLiteral("  ") + paths[i]);
    if (paths.size() > kListed)
        say(stderr, core::englishText(core::MessageCode::ListedMore, {QString::number(paths.size() - kListed)}));
    return cli::kExitUsage;
}

int dryRun(const cli::Plan& plan, const cli::Options& options)
{
    qsizetype skipped = 0;
    for (const cli::Material& m : plan.materials) {
        const QString output = QDir::toNativeSeparators(plan.output(m));
        if (m.present) {
            say(stdout, core::englishText(core::MessageCode::DryRunThere, {m.name, output}));
            continue;
        }
        const core::Reason why = cli::quickCheck(plan.source(m));
        if (!why) {
            say(stdout, core::englishText(core::MessageCode::DryRunWritten, {m.name, output}));
        } else {
            ++skipped;
            say(stdout, core::englishText(core::MessageCode::DryRunSkipped, {m.name, core::englishText(why)}));
        }
    }
    for (const QString& path : plan.inTheWay)
        say(stdout,
            core::englishText(options.overwrite ? core::MessageCode::WouldReplace : core::MessageCode::InTheWayFile,
                              {path}));
    const qsizetype total = static_cast<qsizetype>(plan.materials.size());
    QString summary = core::englishText(core::MessageCode::DryRunSummary,
                                        {cli::counted(total, core::englishText(core::MessageCode::Material)),
                                         QString::number(total - skipped - plan.presentCount)});
    if (plan.presentCount > 0)
        summary += core::englishText(core::MessageCode::ThereAlready, {QString::number(plan.presentCount)});
    say(stdout, summary + core::englishText(core::MessageCode::DryRunEnd, {QString::number(skipped)}));
    if (!plan.inTheWay.isEmpty() && !options.overwrite)
        return cli::kExitUsage;
    return skipped > 0 ? cli::kExitSkipped : cli::kExitDone;
}

int report(const cli::RunReport& r, const cli::Plan& plan, const cli::Options& options, double seconds)
{
    for (const cli::Warning& warning : r.warnings)
        say(stderr, core::englishText(core::MessageCode::Warning, {warning.name, core::englishText(warning.reason)}));
    for (const cli::Skip& skip : r.skipped) {
        const QString why = core::englishText(skip.reason);
        if (skip.writing)
            say(stderr,
                core::englishText(core::MessageCode::SkippedWriting,
                                  {skip.name, QDir::toNativeSeparators(plan.output(plan.materials[skip.index])), why}));
        else
            say(stderr, core::englishText(core::MessageCode::Skipped, {skip.name, why}));
    }
    if (r.failure)
        say(stderr,
            core::englishText(core::MessageCode::StoppedWriting,
                              {r.failure->path, core::englishText(r.failure->reason)}));
    if (r.syncFailure)
        say(stderr, core::englishText(core::MessageCode::NotFlushed, {core::englishText(r.syncFailure)}));
    const qsizetype total = static_cast<qsizetype>(plan.materials.size());
    QString summary =
        core::englishText(core::MessageCode::Wrote,
                          {QString::number(r.written),
                           cli::counted(total, core::englishText(core::MessageCode::Picture)),
                           QDir::toNativeSeparators(options.output),
                           QString::number(seconds, 'f', 1),
                           QString::number(seconds > 0 ? static_cast<double>(r.written) / seconds : 0.0, 'f', 1)});
    if (r.present > 0)
        summary += core::englishText(core::MessageCode::ThereAlready, {QString::number(r.present)});
    if (!r.skipped.empty())
        summary += core::englishText(core::MessageCode::SkippedCount, {QString::number(r.skipped.size())});
    if (r.notStarted > 0)
        summary +=
            core::englishText(core::MessageCode::NotStarted,
                              {core::englishText(r.failure ? core::MessageCode::CutShort : core::MessageCode::Stopped),
                               QString::number(r.notStarted)});
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
        say(stdout, core::englishText(core::MessageCode::Version, {QCoreApplication::applicationVersion()}));
        return cli::kExitDone;
    }
    const cli::Options& options = parsed.options;
    const cli::Plan plan = cli::makePlan(options);
    if (plan.error)
        return fail(core::englishText(plan.error));
    if (!plan.clashes.isEmpty())
        return refuse(core::englishText(core::MessageCode::Clashes), plan.clashes);
    if (!plan.unwritable.isEmpty())
        return refuse(core::englishText(core::MessageCode::Unwritable), plan.unwritable);
    if (options.dryRun)
        return dryRun(plan, options);
    if (!plan.inTheWay.isEmpty() && !options.overwrite)
        return refuse(core::englishText(core::MessageCode::InTheWay,
                                        {cli::counted(plan.inTheWay.size(),
                                                      core::englishText(core::MessageCode::OutputFileIs),
                                                      core::englishText(core::MessageCode::OutputFilesAre))}),
                      plan.inTheWay);
    if (!QDir().mkpath(options.output))
        return fail(core::englishText(core::MessageCode::CannotMakeOutputFolder, {options.output}));

    if (!material::startQtPoolThread()) {
        fail(core::englishText(core::MessageCode::NoThread));
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
