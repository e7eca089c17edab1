#include "cli/runner.h"

#include "cli/stop.h"

#include <QDir>

#include <algorithm>
#include <chrono>

namespace cli {

namespace {

material::BatchJob jobOf(const Plan& plan,
                         const material::Composition& look,
                         int jobs,
                         material::WriteMode mode,
                         const std::atomic<bool>& stop)
{
    material::BatchJob job;
    job.materials.reserve(plan.materials.size());
    for (const Material& m : plan.materials)
        job.materials.push_back({m.name, plan.source(m), plan.output(m), m.present, {}});
    job.look = look;
    job.mode = mode;
    job.workers = std::max(jobs, 1);
    job.stop = &stop;
    // A second signal ends the process at once, but waits for the writes in progress and lets none begin.
    job.bracket = [](const std::function<void()>& write) {
        const OutputWrite bracket;
        if (!bracket.allowed())
            return false;
        write();
        return true;
    };
    return job;
}

void collect(RunReport& report, const Plan& plan, std::vector<material::MaterialDone>&& finished)
{
    for (material::MaterialDone& d : finished) {
        const Material& m = plan.materials[d.index];
        if (d.outcome == material::MaterialDone::Written)
            ++report.written;
        else if (d.outcome == material::MaterialDone::Present)
            ++report.present;
        else if (d.outcome == material::MaterialDone::Skipped)
            report.skipped.push_back({d.index, m.name, std::move(d.reason), d.writing});
        else if (!report.failure || d.index < report.failure->index)
            report.failure = WriteFailure{d.index, QDir::toNativeSeparators(plan.output(m)), std::move(d.reason)};
        if (d.warning && d.outcome == material::MaterialDone::Written)
            report.warnings.push_back({d.index, m.name, std::move(d.warning)});
    }
}

} // namespace

RunReport runPlan(const Plan& plan,
                  const material::Composition& look,
                  int jobs,
                  material::WriteMode mode,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress)
{
    material::BatchEngine engine(jobOf(plan, look, jobs, mode, stop));
    int started = 0;
    {
        const SignalsBlocked blocked; // the workers inherit the block; this thread takes the signals
        started = engine.start();
    }
    if (started == 0)
        engine.workHere(); // on this thread, which then shows no progress until the end
    RunReport report;
    for (bool ended = false; !ended;) {
        ended = engine.waitForEnd(std::chrono::milliseconds(100));
        collect(report, plan, engine.takeFinished());
        if (progress)
            progress(engine.done(), engine.total());
    }
    std::sort(
        report.skipped.begin(), report.skipped.end(), [](const Skip& a, const Skip& b) { return a.index < b.index; });
    std::sort(report.warnings.begin(), report.warnings.end(), [](const Warning& a, const Warning& b) {
        return a.index < b.index;
    });
    const material::BatchEnd end = *engine.end();
    report.notStarted = end.notStarted;
    report.syncFailure = end.syncFailure;
    return report;
}

} // namespace cli
