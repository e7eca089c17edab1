#include "cli/stop.h"

#include "cli/options.h"
#include "core/messages.h"

#include <csignal>
#include <cstring>
#include <ctime>

#include <pthread.h>
#include <unistd.h>

namespace cli {

namespace {

// Only lock-free atomics, async-signal-safe calls (write, nanosleep, _exit) and the message table's own bytes
// (core::englishBytes, which looks a row up and allocates nothing) are used in the handler.
std::atomic<bool> g_stop{false};
std::atomic<int> g_firstSignal{0};
std::atomic<bool> g_ending{false};
std::atomic<int> g_writing{0};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

void put(const char* text)
{
    (void)!::write(STDERR_FILENO, text, std::strlen(text));
}

// The message on a line of its own, the progress bar's line ended first.
void say(core::MessageCode message)
{
    put("\n");
    put(core::englishBytes(message));
    put("\n");
}

// The writes in progress are short (one small PNG each); a write stuck on a failing disk is not waited for
// longer than this.
constexpr int kWriteWaitMs = 5000;

void endNow(int signal)
{
    g_ending.store(true);
    say(core::MessageCode::StopNow);
    const timespec millisecond{0, 1000000};
    for (int waited = 0; g_writing.load() > 0 && waited < kWriteWaitMs; ++waited)
        ::nanosleep(&millisecond, nullptr);
    ::_exit(kExitSignalBase + signal);
}

extern "C" void onStopSignal(int signal)
{
    int none = 0;
    if (!g_firstSignal.compare_exchange_strong(none, signal)) {
        endNow(signal);
        return;
    }
    g_stop.store(true);
    say(core::MessageCode::StopSoon);
}

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

void installStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    // Each signal's handler is not interrupted by the other: the second signal is handled once the first
    // handler has returned.
    action.sa_mask = stopSignals();
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignal()
{
    return g_firstSignal.load();
}

const std::atomic<bool>& stopRequested()
{
    return g_stop;
}

SignalsBlocked::SignalsBlocked()
{
    const sigset_t block = stopSignals();
    pthread_sigmask(SIG_BLOCK, &block, &m_saved);
}

SignalsBlocked::~SignalsBlocked()
{
    pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
}

// Counted first, then the end checked; the handler sets the end first, then waits for the count. With both
// sequentially consistent, either the write sees the end and is not started, or the handler sees the count
// and waits for the write.
OutputWrite::OutputWrite()
{
    g_writing.fetch_add(1);
    m_allowed = !g_ending.load();
}

OutputWrite::~OutputWrite()
{
    g_writing.fetch_sub(1);
}

} // namespace cli
