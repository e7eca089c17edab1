#pragma once

#include "core/reasons.h"
#include "material/composition.h"
#include "material/picture_file.h"
#include "picture/memory_budget.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The batch engine of both programs, the window's batch and vorlith-batch: a pool of worker threads takes
// the materials one at a time, in listing order, from a shared counter; each reads, budgets, decodes for the
// picture box, composes and writes one material before taking the next. Memory is therefore bounded by the
// number of workers whatever the folder's size, and each file is written whole by the one writer, so an
// interrupted run leaves no partial file. Each finished material is reported through a queue the caller
// drains from its own thread (the window's timer, vorlith-batch's progress loop), so no report ever runs
// code on a worker thread that belongs to the caller.
namespace material {

// One material of a run: the file to read, as the file system holds its name, and the file it becomes.
struct BatchMaterial {
    QString name;         // as listed, for reports
    QByteArray source;    // the material file's path
    QString output;       // the output file's path
    bool present = false; // its output is there and is left as it is (vorlith-batch --skip-existing)
    core::Reason refused; // skipped with this reason before anything is read (the window: no folder)
};

// Lets one output write go ahead, running `write` inside whatever bracket the program needs (vorlith-batch
// counts writes in progress so a second Ctrl-C can wait for them); false when the write must not start.
using WriteBracket = std::function<bool(const std::function<void()>& write)>;

struct BatchJob {
    std::vector<BatchMaterial> materials;
    Composition look; // the badges and the fit; its picture is not used
    WriteMode mode = WriteMode::NoReplace;
    int workers = 0;                         // 0: every core
    bool keepPictures = false;               // reports carry the fitted picture (the window shows it)
    const std::atomic<bool>* stop = nullptr; // polled before each material, like stop() (a signal's flag)
    WriteBracket bracket;                    // none: writes go ahead
};

// A finished material.
struct MaterialDone {
    enum Outcome { Written, Present, Skipped, WriteFailed } outcome = Skipped;
    std::size_t index = 0;
    core::Reason reason;  // why it was skipped, or why its write failed
    bool writing = false; // the reason is the output's, not the material's
    core::Reason warning; // the picture came from damaged data
    QImage picture;       // the picture fitted to the box, with BatchJob::keepPictures (for the newest few)
};

// How the run ended, once every worker is done.
struct BatchEnd {
    std::size_t written = 0;
    std::size_t notStarted = 0; // materials never taken: the run was stopped or cut short
    bool stopped = false;       // stop() or the job's stop flag ended it before the last material
    core::Reason syncFailure;   // the written pictures could not be flushed to the disk
};

// Whether a failed output write, by its system error code, means the output folder can take no more: its
// disk is full or read-only or failing, the folder is gone or closed to us. Such a failure stops the run (the
// materials in progress are finished); failures that concern one name only (the name was taken meanwhile,
// is too long or not allowed there) and failures that are no system error (code 0) skip that material.
bool stopsTheRun(int errorCode);

// Qt splits the smooth scaling of a larger picture into pieces for its global thread pool and waits for
// them; a pool that cannot start a thread (under a process or memory limit) would leave that wait without
// end. The pool gets its one thread here, kept for the process's life (the workers already use every core,
// so more would only add hand-overs); false when no thread could be started.
bool startQtPoolThread();

// One material: read into `buffer` (reused from material to material), take its share of `budget`, decode
// for the picture box, fit, compose like `look`, write with `mode` inside `bracket`.
MaterialDone composeMaterial(const BatchMaterial& m,
                             const Composition& look,
                             WriteMode mode,
                             const WriteBracket& bracket,
                             picture::MemoryBudget& budget,
                             QByteArray& buffer);

class BatchEngine {
public:
    explicit BatchEngine(BatchJob job);
    // Stops the run and waits for the materials in progress.
    ~BatchEngine();
    BatchEngine(const BatchEngine&) = delete;
    BatchEngine& operator=(const BatchEngine&) = delete;

    // Starts the workers and returns at once: how many started. None (a process or memory limit) leaves the
    // run to workHere().
    int start();
    // Runs the job on the calling thread until it ends; for a run whose start() could start no worker.
    void workHere();

    // While paused no material is taken; the ones in progress finish. Stop ends the run after them: at most
    // one more material per worker. Both are safe from any thread.
    void pause();
    void resume();
    void stop();

    // The materials finished since the last call, in the order they finished. Any thread.
    std::vector<MaterialDone> takeFinished();
    // Waits until a material has finished or the run has ended, at most `timeout`.
    void waitForNews(std::chrono::milliseconds timeout);
    // Waits until the run has ended, at most `timeout`; true when it has.
    bool waitForEnd(std::chrono::milliseconds timeout);

    std::size_t total() const { return m_job.materials.size(); }
    std::size_t done() const { return m_done.load(); }
    // How the run ended; empty while it goes on. The reports may still wait in the queue.
    std::optional<BatchEnd> end() const;

private:
    struct Taken {
        std::size_t index = 0;
        bool ok = false;
    };
    void work();
    Taken take();
    void record(MaterialDone&& done);
    void workerEnded();

    const BatchJob m_job;
    picture::MemoryBudget m_budget;
    mutable std::mutex m_mutex; // guards everything below it
    std::condition_variable m_changed;
    std::size_t m_next = 0;
    bool m_paused = false;
    bool m_stopped = false; // asked to stop, or a write failure stopped the run
    bool m_stoppedEarly = false;
    int m_running = 0;
    std::size_t m_written = 0;
    std::deque<MaterialDone> m_finished;
    std::optional<BatchEnd> m_end;
    std::atomic<std::size_t> m_done{0};
    std::vector<std::thread> m_threads;
};

} // namespace material
