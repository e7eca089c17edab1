#pragma once

#include "cli/plan.h"
#include "core/reasons.h"
#include "material/composition.h"
#include "material/picture_file.h"

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

// The run: a pool of worker threads takes the materials one at a time, in listing order, from a shared
// counter; each reads, decodes, composes, encodes and writes one material before taking the next. Memory is
// therefore bounded by the number of workers, whatever the folder's size, and each file is written whole
// under a temporary name and renamed into place, so an interrupted run leaves no partial file.
namespace cli {

// What became of one material: written (no reason), or skipped with the reason; writeFailed tells a failed
// write from a material that could not be read or decoded. A warning comes with a picture made from damaged
// data (a truncated file, its missing part grey).
struct Outcome {
    core::Reason reason;
    bool writeFailed = false;
    core::Reason warning;
};

struct Skip {
    std::size_t index = 0;
    QString name;
    Outcome outcome;
};

struct Warning {
    std::size_t index = 0;
    QString name;
    core::Reason reason;
};

struct RunReport {
    std::size_t written = 0;
    std::vector<Skip> skipped;     // in listing order
    std::size_t notStarted = 0;    // materials left when the run was stopped
    std::vector<Warning> warnings; // written from damaged data, in listing order
    core::Reason syncFailure;      // the written files could not be flushed to the disk
};

// Done so far, for the progress display; called on the calling thread about ten times a second.
using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;

// Runs the plan with `jobs` workers. `stop` is polled before each material: once set, no new material is
// started, and the ones in flight are finished. `mode` says whether files at output names are replaced.
// The output folder's file system is flushed once at the end.
RunReport runPlan(const Plan& plan,
                  const std::vector<material::BadgeLayer>& badges,
                  int jobs,
                  material::WriteMode mode,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress);

// One material: read, decode at the picture box's size, compose, write.
Outcome composeOne(const Material& m, const std::vector<material::BadgeLayer>& badges, material::WriteMode mode);

} // namespace cli
