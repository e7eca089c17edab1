#include "cli/runner.h"

#include "material/picture.h"
#include "material/picture_file.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace cli {

QString composeOne(const Material& m, const std::vector<material::BadgeLayer>& badges, QString* warning)
{
    const material::ReadResult file = material::readPictureFile(m.source);
    if (!file.error.isEmpty())
        return file.error;
    // Decoded for the picture box's size, as the window's picture box decodes it, so the pixels agree.
    const material::DecodedPicture decoded = material::decodePicture(file.bytes, material::kPictureRect.size());
    if (decoded.image.isNull())
        return decoded.reason.isEmpty() ? QStringLiteral("not a picture") : decoded.reason;
    *warning = decoded.warning;
    const QImage frame = material::renderComposition({decoded.image, badges});
    const material::WriteResult written = material::writePictureFile(m.output, frame);
    if (!written.ok)
        return QStringLiteral("cannot write %1: %2").arg(m.output, written.error);
    return {};
}

namespace {

struct Shared {
    Shared(const Plan& p, const std::vector<material::BadgeLayer>& b, const std::atomic<bool>& s)
        : plan(p), badges(b), stop(s)
    {}
    const Plan& plan;
    const std::vector<material::BadgeLayer>& badges;
    const std::atomic<bool>& stop;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::mutex mutex; // guards report and wakes the progress loop
    std::condition_variable finished;
    int running = 0;
    RunReport report;
};

void work(Shared& s)
{
    // Each worker holds its own copy of the badge layers: the bitmaps are shared read-only.
    const std::vector<material::BadgeLayer> badges = s.badges;
    const std::size_t total = s.plan.materials.size();
    while (!s.stop.load()) {
        const std::size_t i = s.next.fetch_add(1);
        if (i >= total)
            break;
        QString warning;
        const QString why = composeOne(s.plan.materials[i], badges, &warning);
        {
            std::lock_guard lock(s.mutex);
            if (!why.isEmpty())
                s.report.skipped.push_back({i, s.plan.materials[i].name, why});
            else
                ++s.report.written;
            if (!warning.isEmpty())
                s.report.warnings.push_back(s.plan.materials[i].name + QStringLiteral(": ") + warning);
        }
        s.done.fetch_add(1);
    }
    std::lock_guard lock(s.mutex);
    --s.running;
    s.finished.notify_all();
}

} // namespace

RunReport runPlan(const Plan& plan,
                  const std::vector<material::BadgeLayer>& badges,
                  int jobs,
                  const std::atomic<bool>& stop,
                  const ProgressFn& progress)
{
    Shared s(plan, badges, stop);
    const std::size_t total = plan.materials.size();
    const int workers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), total));
    s.running = workers;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    for (int i = 0; i < workers; ++i)
        threads.emplace_back(work, std::ref(s));
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
    report.notStarted = total - s.done.load();
    return report;
}

} // namespace cli
