#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

// A one-line progress bar on standard error: count, rate and time left. It draws only when standard error is a
// terminal, so logs and pipes get the summary alone.
namespace cli {

class ProgressBar {
public:
    explicit ProgressBar(std::FILE* stream);
    bool enabled() const { return m_enabled; }
    void update(std::size_t done, std::size_t total);
    // Clears the bar's line so the summary starts on a clean line.
    void finish();
    double elapsedSeconds() const;

private:
    std::FILE* m_stream;
    bool m_enabled;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace cli
