#include "cli/progress.h"

#include "core/messages.h"
#include "picture/decoder_messages.h"

#include <unistd.h>

#include <cmath>

#include <string>

namespace cli {

namespace {

constexpr int kBarWidth = 30;

std::string clock(double seconds)
{
    const long s = std::lround(seconds);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

ProgressBar::ProgressBar(std::FILE* stream)
    : m_stream(stream), m_enabled(isatty(fileno(stream)) != 0), m_start(std::chrono::steady_clock::now())
{}

double ProgressBar::elapsedSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void ProgressBar::update(std::size_t done, std::size_t total)
{
    if (!m_enabled || total == 0)
        return;
    const double elapsed = elapsedSeconds();
    const double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0.0;
    const int filled = static_cast<int>(kBarWidth * done / total);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, ' ');
    const std::string left = rate > 0 ? clock(static_cast<double>(total - done) / rate) : std::string("--:--");
    const QByteArray line = core::englishText(core::MessageCode::ProgressLine,
                                              {QString::fromStdString(bar),
                                               QString::number(done),
                                               QString::number(total),
                                               QString::number(rate, 'f', 1),
                                               QString::fromStdString(left)})
                                .toUtf8();
    const picture::StandardErrorLock held;
    std::fprintf(m_stream, "\r%s", line.constData());
    std::fflush(m_stream);
    m_drawn = true;
}

void ProgressBar::finish()
{
    if (!m_drawn)
        return;
    const picture::StandardErrorLock held;
    std::fprintf(m_stream, "\r%*s\r", kBarWidth + 48, "");
    std::fflush(m_stream);
    m_drawn = false;
}

} // namespace cli
