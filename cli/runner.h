#pragma once

#include "cli/plan.h"
#include "material/composition.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>
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

// The output that could not be written, which cut the run short.
struct WriteFailure {
    QString path;
    QString reason;
};

struct RunReport {
    std::size_t written = 0;
    std::size_t present = 0;       // outputs that were there, left as they were (--skip-existing)
    std::vector<Skip> skipped;     // in listing order
    std::size_t notStarted = 0;    // materials left when the run was stopped or cut short
    std::vector<QString> warnings; // written from damaged data (for example a truncated JPEG shown in part)
    std::optional<WriteFailure> failure;
};

// Done so far, for the progress display; called on the calling thread about ten times a second.
using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;

// Runs the plan with `jobs` workers, each material composed like `look` (its badges and fit; its picture is
// not used). `stop` is polled before each material: once set, no new material is
// started, and the ones in flight are finished. A write failure that every later output would meet as well
// (see stopsTheRun) stops the run the same way, at once.
RunReport runPlan(const Plan& plan,
                  const material::Composition& look,
                  int jobs,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress);

// Whether a failed output write, by its system error code, means the output folder can take no more: its
// disk is full or read-only or failing, the folder is gone or closed to us. Failures that concern one name
// only (the name was taken meanwhile, is too long or not allowed there) and failures that are no system
// error (code 0) leave the run going.
bool stopsTheRun(int errorCode);

struct MaterialResult {
    enum Outcome { Written, Skipped, WriteFailed } outcome = Skipped;
    QString reason;  // why it was skipped, or why the write failed
    QString warning; // set when the picture came from damaged data
};

// One material: read into `buffer` (reused from material to material), decode at the picture box's size,
// compose like `look`, write.
MaterialResult composeOne(const Plan& plan, const Material& m, const material::Composition& look, QByteArray& buffer);

} // namespace cli
