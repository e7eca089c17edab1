#pragma once

#include "cli/plan.h"
#include "material/composition.h"

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

// The run: a pool of worker threads takes the materials one at a time, in listing order, from a shared
// counter; each reads, decodes, composes, encodes and writes one material before taking the next. Memory is
// therefore bounded by the number of workers, whatever the folder's size, and each file is written whole
// under a temporary name and renamed into place, so an interrupted run leaves no partial file.
namespace cli {

struct Skip {
    std::size_t index = 0;
    QString name;
    QString reason;
};

struct RunReport {
    std::size_t written = 0;
    std::vector<Skip> skipped;     // in listing order
    std::size_t notStarted = 0;    // materials left when the run was stopped
    std::vector<QString> warnings; // written from damaged data (for example a truncated JPEG shown in part)
};

// Done so far, for the progress display; called on the calling thread about ten times a second.
using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;

// Runs the plan with `jobs` workers, each material composed like `look` (its badges and fit; its picture is
// not used). `stop` is polled before each material: once set, no new material is started, and the ones in
// flight are finished.
RunReport runPlan(const Plan& plan,
                  const material::Composition& look,
                  int jobs,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress);

// One material: read, decode at the picture box's size, compose like `look`, write. Empty on success,
// otherwise why the material was skipped; *warning is set when the picture came from damaged data.
QString composeOne(const Material& m, const material::Composition& look, QString* warning);

} // namespace cli
