#pragma once

#include "cli/plan.h"
#include "core/reasons.h"
#include "material/composition.h"
#include "material/memory_budget.h"
#include "material/picture_file.h"

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

// A material left out: it could not be read or decoded, or (`writing`) its output name could not be written,
// for example because another program took the name during the run.
struct Skip {
    std::size_t index = 0;
    QString name;
    core::Reason reason;
    bool writing = false;
};

// The output that could not be written, which cut the run short.
struct WriteFailure {
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

// Qt splits the smooth scaling of a larger picture into pieces for its global thread pool and waits for
// them; a pool that cannot start a thread (under a process or memory limit) would leave that wait without
// end. The pool gets its one thread here, kept for the whole run (the workers already use every core, so
// more would only add hand-overs); false when no thread could be started.
bool startQtPoolThread();

// Runs the plan with `jobs` workers, each material composed like `look` (its badges and fit; its picture is
// not used). `stop` is polled before each material: once set, no new material is
// started, and the ones in flight are finished. A write failure that every later output would meet as well
// (see stopsTheRun) stops the run the same way, at once. `mode` says whether files at output names are
// replaced. The output folder's file system is flushed once at the end.
RunReport runPlan(const Plan& plan,
                  const material::Composition& look,
                  int jobs,
                  material::WriteMode mode,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress);

// Whether a failed output write, by its system error code, means the output folder can take no more: its
// disk is full or read-only or failing, the folder is gone or closed to us. Failures that concern one name
// only (the name was taken meanwhile, is too long or not allowed there) and failures that are no system
// error (code 0) leave the run going.
bool stopsTheRun(int errorCode);

struct MaterialResult {
    enum Outcome { Written, Skipped, WriteFailed } outcome = Skipped;
    core::Reason reason;  // why it was skipped, or why the write failed
    bool writing = false; // the reason is the output's, not the material's
    core::Reason warning; // set when the picture came from damaged data
};

// One material: read into `buffer` (reused from material to material), decode at the picture box's size,
// compose like `look`, write.
MaterialResult composeOne(const Plan& plan,
                          const Material& m,
                          const material::Composition& look,
                          material::WriteMode mode,
                          material::MemoryBudget& memory,
                          QByteArray& buffer);

} // namespace cli
