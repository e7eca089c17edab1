// vorlith-batch: the window's batch without the window. The same listing, the same composition function and
// the same PNG writer as the window, on a pool of worker threads.
#include "assets/assets.h"
#include "cli/options.h"
#include "cli/plan.h"
#include "cli/progress.h"
#include "cli/runner.h"
#include "material/badge_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> g_stop{false};

extern "C" void onStopSignal(int)
{
    if (!g_stop.exchange(true)) {
        static const char text[] = "\nvorlith-batch: stopping after the pictures in progress...\n";
        (void)!write(STDERR_FILENO, text, sizeof text - 1);
    }
}

void installStopHandler()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void say(std::FILE* stream, const QString& text)
{
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
    int skipped = 0;
    for (const cli::Material& m : plan.materials) {
        const QString why = cli::quickCheck(m.source);
        if (why.isEmpty()) {
            say(stdout, m.name + QStringLiteral(" -> ") + QDir::toNativeSeparators(m.output));
        } else {
            ++skipped;
            say(stdout, m.name + QStringLiteral(" -> skipped: ") + why);
        }
    }
    for (const QString& path : plan.inTheWay)
        say(stdout, (options.overwrite ? QStringLiteral("would replace ") : QStringLiteral("in the way: ")) + path);
    say(stdout,
        QStringLiteral("dry run: %1 materials, %2 would be written, %3 would be skipped; nothing was written")
            .arg(plan.materials.size())
            .arg(plan.materials.size() - static_cast<std::size_t>(skipped))
            .arg(skipped));
    if (!plan.inTheWay.isEmpty() && !options.overwrite)
        return cli::kExitUsage;
    return skipped > 0 ? cli::kExitSkipped : cli::kExitDone;
}

int report(const cli::RunReport& r, const cli::Plan& plan, const cli::Options& options, double seconds)
{
    for (const QString& warning : r.warnings)
        say(stderr, QStringLiteral("warning: ") + warning);
    for (const cli::Skip& skip : r.skipped)
        say(stderr, QStringLiteral("skipped %1: %2").arg(skip.name, skip.reason));
    QString summary = QStringLiteral("wrote %1 of %2 pictures to %3 in %4 s (%5/s)")
                          .arg(r.written)
                          .arg(plan.materials.size())
                          .arg(QDir::toNativeSeparators(options.output))
                          .arg(seconds, 0, 'f', 1)
                          .arg(seconds > 0 ? static_cast<double>(r.written) / seconds : 0.0, 0, 'f', 1);
    if (!r.skipped.empty())
        summary += QStringLiteral(", %1 skipped").arg(r.skipped.size());
    if (r.notStarted > 0)
        summary += QStringLiteral(", stopped with %1 not started").arg(r.notStarted);
    say(stdout, summary);
    if (r.notStarted > 0)
        return cli::kExitInterrupted;
    return r.skipped.empty() ? cli::kExitDone : cli::kExitSkipped;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int cores = QThread::idealThreadCount();
    const cli::ParsedOptions parsed = cli::parseOptions(app.arguments().mid(1), cores);
    if (!parsed.error.isEmpty())
        return fail(parsed.error);
    if (parsed.help) {
        say(stdout, cli::helpText(cores));
        return cli::kExitDone;
    }
    if (parsed.version) {
        say(stdout, QStringLiteral("vorlith-batch " VORLITH_VERSION));
        return cli::kExitDone;
    }
    const cli::Options& options = parsed.options;
    const cli::Plan plan = cli::makePlan(options);
    if (!plan.error.isEmpty())
        return fail(plan.error);
    if (!plan.unwritable.isEmpty())
        return refuse(QStringLiteral("these output names can never be written:"), plan.unwritable);
    if (options.dryRun)
        return dryRun(plan, options);
    if (!plan.inTheWay.isEmpty() && !options.overwrite)
        return refuse(QStringLiteral("%1 output files exist; nothing was written (use --overwrite to replace them):")
                          .arg(plan.inTheWay.size()),
                      plan.inTheWay);
    if (!QDir().mkpath(options.output))
        return fail(QStringLiteral("cannot make the output folder %1").arg(options.output));

    const std::vector<material::BadgeLayer> badges = material::badgeLayers(options.layout, assets::badgeBitmaps());
    installStopHandler();
    cli::ProgressBar bar(stderr);
    const cli::RunReport result = cli::runPlan(
        plan, badges, options.jobs, g_stop, [&bar](std::size_t done, std::size_t total) { bar.update(done, total); });
    bar.finish();
    return report(result, plan, options, bar.elapsedSeconds());
}
