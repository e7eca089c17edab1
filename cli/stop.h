#pragma once

#include <atomic>
#include <csignal>

// Stopping a run from outside: Ctrl-C (SIGINT) or SIGTERM. The first signal asks the workers to take no new
// material and to finish the ones in progress; a second ends the process at once, as soon as no output file
// is in the middle of being written, so even then no partial file is left. Output writes are bracketed by
// OutputWrite so the second signal can wait for them, and the workers never take these signals themselves.
namespace cli {

// Installs the handlers for SIGINT and SIGTERM.
void installStopHandlers();

// 0 while no stop was asked for, else the number of the first signal.
int stopSignal();

// The flag the workers poll: set by the first signal.
const std::atomic<bool>& stopRequested();

// Blocks SIGINT and SIGTERM on the calling thread while it lives; threads started meanwhile inherit the block,
// so the workers started under it never run the handler.
class SignalsBlocked {
public:
    SignalsBlocked();
    ~SignalsBlocked();
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t m_saved;
};

// One output file being written. allowed() is false once a second signal has come: the file must then not
// be started, for the process is about to end.
class OutputWrite {
public:
    OutputWrite();
    ~OutputWrite();
    OutputWrite(const OutputWrite&) = delete;
    OutputWrite& operator=(const OutputWrite&) = delete;
    bool allowed() const { return m_allowed; }

private:
    bool m_allowed;
};

} // namespace cli
