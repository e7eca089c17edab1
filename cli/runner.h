#pragma once

#include "cli/plan.h"
#include "core/reasons.h"
#include "material/batch_engine.h"
#include "material/composition.h"
#include "material/picture_file.h"

#include <QString>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

// The run: the plan handed to the batch engine (material::BatchEngine), which composes the materials on a
// pool of worker threads; this collects its reports for the summary and draws the progress.
namespace cli {

// A material left out: it could not be read or decoded, or (`writing`) its output name could not be written,
// for example because another program took the name during the run.
struct Skip {
    std::size_t index = 0;
    QString name;
    core::Reason reason;
    bool writing = false;
};

// The output that could not be written, which cut the run short: the first in listing order when the
// workers met the failure with more than one material.
struct WriteFailure {
    std::size_t index = 0;
    QString path;
    core::Reason reason;
};

// A material written from damaged data (a truncated file, its missing part grey).
struct Warning {
    std::size_t index = 0;
    QString name;
    core::Reason reason;
};

struct RunReport {
    std::size_t written = 0;
    std::size_t present = 0;       // outputs that were there, left as they were (--skip-existing)
    std::vector<Skip> skipped;     // in listing order
    std::size_t notStarted = 0;    // materials left when the run was stopped or cut short
    std::vector<Warning> warnings; // in listing order
    std::optional<WriteFailure> failure;
    core::Reason syncFailure; // the written pictures could not be flushed to the disk
};

// Done so far, for the progress display; called on the calling thread about ten times a second.
using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;

// Runs the plan with `jobs` workers, each material composed like `look` (its badges and fit; its picture is
// not used). `stop` is polled before each material: once set, no new material is started, and the ones in
// flight are finished. A write failure that every later output would meet as well (material::stopsTheRun)
// stops the run the same way, at once. `mode` says whether files at output names are replaced. The output
// folder's file system is flushed once at the end.
RunReport runPlan(const Plan& plan,
                  const material::Composition& look,
                  int jobs,
                  material::WriteMode mode,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress);

} // namespace cli
