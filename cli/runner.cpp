#include "cli/runner.h"

#include "cli/stop.h"
#include "material/picture.h"
#include "material/picture_file.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSemaphore>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace cli {

bool stopsTheRun(int errorCode)
{
    switch (errorCode) {
    case 0:            // no system call failed (the picture could not be encoded)
    case EEXIST:       // the name was taken after the plan was made
    case ENAMETOOLONG: // this name is too long for the file system
    case EINVAL:       // this name holds a character the file system refuses
    case EILSEQ:
        return false;
    default: // ENOSPC, EDQUOT, EROFS, EIO, ENOENT, ENOTDIR, EACCES, EPERM, ESTALE, EFBIG, EMFILE, ...
        return true;
    }
}

MaterialResult composeOne(const Plan& plan,
                          const Material& m,
                          const material::Composition& look,
                          material::WriteMode mode,
                          material::MemoryBudget& memory,
                          QByteArray& buffer)
{
    MaterialResult result;
    result.reason = material::readPictureFile(plan.source(m), buffer);
    if (result.reason)
        return result;
    // Held until the material is written: the decoded picture and its copies live until then.
    const material::DecodingShare need = material::decodingShare(buffer, material::kPictureRect.size());
    if (need.refusal) {
        result.reason = need.refusal;
        return result;
    }
    const qint64 share = memory.take(need.bytes);
    const auto giveBack = qScopeGuard([&] { memory.give(share); });
    // Decoded for the picture box's size, as the window's picture box decodes it, so the pixels agree.
    const material::DecodedPicture decoded = material::decodePicture(buffer, material::kPictureRect.size());
    if (decoded.image.isNull()) {
        result.reason = decoded.reason;
        return result;
    }
    result.warning = decoded.warning;
    const QImage frame = material::renderComposition({decoded.image, look.badges, look.fit});
    if (frame.isNull()) {
        result.reason = core::ReasonCode::OutOfMemory;
        return result;
    }
    const OutputWrite write;
    if (!write.allowed()) {
        result.reason = core::ReasonCode::Stopped;
        return result;
    }
    const material::WriteResult written = material::writePictureFile(plan.output(m), frame, mode);
    if (written.ok()) {
        result.outcome = MaterialResult::Written;
        return result;
    }
    result.outcome = stopsTheRun(written.code) ? MaterialResult::WriteFailed : MaterialResult::Skipped;
    result.reason = written.reason;
    result.writing = true;
    return result;
}

namespace {

struct Shared {
    Shared(const Plan& p, const material::Composition& l, const std::atomic<bool>& s) : plan(p), look(l), stop(s) {}
    const Plan& plan;
    const material::Composition& look;
    const std::atomic<bool>& stop;
    material::WriteMode mode = material::WriteMode::NoReplace;
    material::MemoryBudget memory;
    std::atomic<bool> failed{false}; // a write failure cut the run short
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> present{0};
    std::mutex mutex; // guards report and wakes the progress loop
    std::condition_variable finished;
    int running = 0;
    RunReport report;
};

void record(Shared& s, std::size_t i, MaterialResult&& r)
{
    const Material& m = s.plan.materials[i];
    std::lock_guard lock(s.mutex);
    if (r.outcome == MaterialResult::Written)
        ++s.report.written;
    else if (r.outcome == MaterialResult::Skipped)
        s.report.skipped.push_back({i, m.name, std::move(r.reason), r.writing});
    else if (!s.report.failure)
        s.report.failure = WriteFailure{QDir::toNativeSeparators(s.plan.output(m)), std::move(r.reason)};
    if (r.warning && r.outcome == MaterialResult::Written)
        s.report.warnings.push_back({i, m.name, std::move(r.warning)});
}

void work(Shared& s)
{
    // Each worker holds its own copy of the badge layers (the bitmaps are shared read-only) and its own read
    // buffer, which grows to the largest material it meets and is then reused.
    const material::Composition look = s.look;
    QByteArray buffer;
    const std::size_t total = s.plan.materials.size();
    while (!s.stop.load() && !s.failed.load()) {
        const std::size_t i = s.next.fetch_add(1);
        if (i >= total)
            break;
        if (s.plan.materials[i].present) {
            s.present.fetch_add(1);
            s.done.fetch_add(1);
            continue;
        }
        MaterialResult r;
        try {
            r = composeOne(s.plan, s.plan.materials[i], look, s.mode, s.memory, buffer);
        } catch (const std::bad_alloc&) {
            // A buffer could not grow (pictures are checked, but text and byte arrays throw): this material is
            // skipped for memory and the run goes on.
            r.reason = core::ReasonCode::OutOfMemory;
        }
        if (r.outcome == MaterialResult::WriteFailed)
            s.failed.store(true);
        record(s, i, std::move(r));
        s.done.fetch_add(1);
    }
    std::lock_guard lock(s.mutex);
    --s.running;
    s.finished.notify_all();
}

} // namespace

bool startQtPoolThread()
{
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    pool->setMaxThreadCount(1);
    const auto ran = std::make_shared<QSemaphore>();
    pool->start([ran] { ran->release(); });
    return ran->tryAcquire(1, 5000);
}

RunReport runPlan(const Plan& plan,
                  const material::Composition& look,
                  int jobs,
                  material::WriteMode mode,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress)
{
    Shared s(plan, look, stop);
    s.mode = mode;
    const std::size_t total = plan.materials.size();
    const int workers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), total));
    s.running = workers;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    {
        const SignalsBlocked blocked; // the workers inherit the block; this thread takes the signals
        for (int i = 0; i < workers; ++i) {
            try {
                threads.emplace_back(work, std::ref(s));
            } catch (const std::system_error&) {
                // No thread to be had (a process or memory limit): the run goes on with those that started.
                std::lock_guard lock(s.mutex);
                s.running -= workers - i;
                break;
            }
        }
    }
    if (threads.empty()) {
        s.running = 1;
        work(s); // on this thread, which then shows no progress until the end
    }
    {
        std::unique_lock lock(s.mutex);
        while (s.running > 0) {
            s.finished.wait_for(lock, std::chrono::milliseconds(100));
            if (progress) {
                lock.unlock();
                progress(s.done.load(), total);
                lock.lock();
            }
        }
    }
    for (std::thread& t : threads)
        t.join();
    RunReport report = std::move(s.report);
    std::sort(
        report.skipped.begin(), report.skipped.end(), [](const Skip& a, const Skip& b) { return a.index < b.index; });
    std::sort(report.warnings.begin(), report.warnings.end(), [](const Warning& a, const Warning& b) {
        return a.index < b.index;
    });
    report.present = s.present.load();
    report.notStarted = total - s.done.load();
    if (report.written > 0)
        report.syncFailure = material::syncOutputFolder(QFileInfo(plan.output(plan.materials.front())).absolutePath());
    return report;
}

} // namespace cli
