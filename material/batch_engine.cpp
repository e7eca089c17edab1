#include "material/batch_engine.h"

#include "picture/picture.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <system_error>

namespace material {

namespace {

// Reports keep their pictures only while they are among the newest few: a caller that drains the queue
// late (its thread was busy) shows the newest material anyway, and the queue's memory stays bounded.
constexpr std::size_t kKeptPictures = 4;

} // namespace

bool stopsTheRun(int errorCode)
{
    switch (errorCode) {
    case 0:            // no system call failed (the picture could not be encoded)
    case EEXIST:       // the name was taken after the run was planned
    case ENAMETOOLONG: // this name is too long for the file system
    case EINVAL:       // this name holds a character the file system refuses
    case EILSEQ:
        return false;
    default: // ENOSPC, EDQUOT, EROFS, EIO, ENOENT, ENOTDIR, EACCES, EPERM, ESTALE, EFBIG, EMFILE, EBUSY, ...
        return true;
    }
}

bool startQtPoolThread()
{
    // Once the pool has its thread it keeps it, so every later run (the window makes many) finds it there.
    static std::atomic<bool> started{false};
    if (started.load())
        return true;
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    pool->setMaxThreadCount(1);
    const auto ran = std::make_shared<QSemaphore>();
    pool->start([ran] { ran->release(); });
    if (!ran->tryAcquire(1, 5000))
        return false;
    started.store(true);
    return true;
}

MaterialDone composeMaterial(const BatchMaterial& m,
                             const Composition& look,
                             WriteMode mode,
                             const WriteBracket& bracket,
                             picture::MemoryBudget& budget,
                             QByteArray& buffer)
{
    MaterialDone result;
    result.reason = m.refused ? m.refused : readPictureFile(m.source, buffer);
    if (result.reason)
        return result;
    // Held until the material is written: the decoded picture and its copies live until then.
    const picture::DecodingShare need = picture::decodingShare(buffer, kPictureRect.size());
    if (need.refusal) {
        result.reason = need.refusal;
        return result;
    }
    const qint64 share = budget.take(need.bytes);
    const auto giveBack = qScopeGuard([&] { budget.give(share); });
    const picture::DecodedPicture decoded = picture::decodePicture(buffer, kPictureRect.size());
    if (decoded.image.isNull()) {
        result.reason = decoded.reason;
        return result;
    }
    // Fitted as the picture box fits what it shows, then composed by the one entry point the window's
    // frames go through too, so files and screen agree.
    const QImage fitted = fitPicture(decoded.image, look.fit);
    const QImage frame = fitted.isNull() ? QImage() : renderCompositionFitted(fitted, look.badges);
    if (frame.isNull()) {
        result.reason = core::ReasonCode::OutOfMemory;
        return result;
    }
    result.warning = decoded.warning;
    WriteResult written;
    const auto write = [&] { written = writePictureFile(m.output, frame, mode); };
    if (bracket ? !bracket(write) : (write(), false)) {
        result.reason = core::ReasonCode::Stopped;
        return result;
    }
    if (written.ok()) {
        result.outcome = MaterialDone::Written;
        result.picture = fitted;
        return result;
    }
    result.outcome = stopsTheRun(written.code) ? MaterialDone::WriteFailed : MaterialDone::Skipped;
    result.reason = written.reason;
    result.writing = true;
    return result;
}

BatchEngine::BatchEngine(BatchJob job) : m_job(std::move(job)) {}

BatchEngine::~BatchEngine()
{
    stop();
    for (std::thread& t : m_threads)
        t.join();
}

int BatchEngine::start()
{
    const int cores = m_job.workers > 0 ? m_job.workers : std::max(QThread::idealThreadCount(), 1);
    const int workers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(cores), total()));
    if (workers == 0) {
        std::lock_guard lock(m_mutex);
        m_end = BatchEnd{};
        m_changed.notify_all();
        return 0;
    }
    {
        std::lock_guard lock(m_mutex);
        m_running = workers;
    }
    m_threads.reserve(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i) {
        try {
            m_threads.emplace_back(&BatchEngine::work, this);
        } catch (const std::system_error&) {
            // No thread to be had (a process or memory limit): the run goes on with those that started.
            std::lock_guard lock(m_mutex);
            m_running -= workers - i;
            break;
        }
    }
    return static_cast<int>(m_threads.size());
}

void BatchEngine::workHere()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_end || m_running > 0)
            return;
        m_running = 1;
    }
    work();
}

void BatchEngine::pause()
{
    std::lock_guard lock(m_mutex);
    m_paused = true;
}

void BatchEngine::resume()
{
    std::lock_guard lock(m_mutex);
    m_paused = false;
    m_changed.notify_all();
}

void BatchEngine::stop()
{
    std::lock_guard lock(m_mutex);
    if (!m_end)
        m_stopped = m_stoppedEarly = true;
    m_changed.notify_all();
}

std::vector<MaterialDone> BatchEngine::takeFinished()
{
    std::lock_guard lock(m_mutex);
    std::vector<MaterialDone> taken(std::make_move_iterator(m_finished.begin()),
                                    std::make_move_iterator(m_finished.end()));
    m_finished.clear();
    return taken;
}

void BatchEngine::waitForNews(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [&] { return !m_finished.empty() || m_end.has_value(); });
}

bool BatchEngine::waitForEnd(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_end.has_value(); });
}

std::optional<BatchEnd> BatchEngine::end() const
{
    std::lock_guard lock(m_mutex);
    return m_end;
}

BatchEngine::Taken BatchEngine::take()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !m_paused || m_stopped; });
    if (m_job.stop && m_job.stop->load())
        m_stopped = m_stoppedEarly = true;
    if (m_stopped || m_next >= total())
        return {};
    return {m_next++, true};
}

void BatchEngine::record(MaterialDone&& done)
{
    if (!m_job.keepPictures)
        done.picture = {};
    std::lock_guard lock(m_mutex);
    if (done.outcome == MaterialDone::Written)
        ++m_written;
    if (done.outcome == MaterialDone::WriteFailed)
        m_stopped = true; // the output folder takes no more: no worker starts another material
    m_finished.push_back(std::move(done));
    if (m_finished.size() > kKeptPictures)
        m_finished[m_finished.size() - kKeptPictures - 1].picture = {};
    m_done.fetch_add(1);
    m_changed.notify_all();
}

void BatchEngine::work()
{
    // Each worker holds its own copy of the badge layers (the bitmaps are shared read-only) and its own read
    // buffer, which grows to the largest material it meets and is then reused.
    const Composition look = m_job.look;
    QByteArray buffer;
    for (Taken t = take(); t.ok; t = take()) {
        const BatchMaterial& m = m_job.materials[t.index];
        MaterialDone done;
        if (m.present) {
            done.outcome = MaterialDone::Present;
        } else {
            try {
                done = composeMaterial(m, look, m_job.mode, m_job.bracket, m_budget, buffer);
            } catch (const std::bad_alloc&) {
                // A buffer could not grow (pictures are checked, but text and byte arrays throw): this material
                // is skipped for memory and the run goes on.
                done = {};
                done.reason = core::ReasonCode::OutOfMemory;
            }
        }
        done.index = t.index;
        record(std::move(done));
    }
    workerEnded();
}

// The last worker to end flushes the output's file system, once, so the pictures count as saved only when
// they are on the disk, and then marks the run's end.
void BatchEngine::workerEnded()
{
    BatchEnd end;
    {
        std::lock_guard lock(m_mutex);
        if (--m_running > 0)
            return;
        end.written = m_written;
        end.notStarted = total() - m_done.load();
        end.stopped = m_stoppedEarly;
    }
    if (end.written > 0)
        end.syncFailure = syncOutputFolder(QFileInfo(m_job.materials.front().output).absolutePath());
    std::lock_guard lock(m_mutex);
    m_end = end;
    m_changed.notify_all();
}

} // namespace material
