#include "cli/Progress.h"

#include <algorithm>

std::string ProgressLine(int64_t done, int64_t total, double seconds, int width) {
    const double fraction =
        total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    const auto filled = static_cast<int>(fraction * width);
    const auto full = static_cast<std::size_t>(std::clamp(filled, 0, width));
    std::string bar(static_cast<std::size_t>(width) + 2, '.');
    bar.front() = '[';
    bar.back() = ']';
    bar.replace(1, full, full, '#');
    const double fps = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    char text[160];
    if (fps > 0.0) {
        const auto left = static_cast<int64_t>(static_cast<double>(total - done) / fps + 0.5);
        std::snprintf(text, sizeof text, " %lld/%lld frames  %.1f fps  %lld:%02lld left",
                      static_cast<long long>(done), static_cast<long long>(total), fps,
                      static_cast<long long>(left / 60), static_cast<long long>(left % 60));
    } else {
        std::snprintf(text, sizeof text, " %lld/%lld frames", static_cast<long long>(done),
                      static_cast<long long>(total));
    }
    bar.append(text);
    return bar;
}

std::string SummaryLine(int64_t files, int64_t bytes, double seconds) {
    const double rate = seconds > 0.0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    char text[160];
    std::snprintf(text, sizeof text, "%lld files, %lld bytes in %.2f s (%.1f MB/s)",
                  static_cast<long long>(files), static_cast<long long>(bytes), seconds, rate);
    return text;
}

ProgressBar::ProgressBar(std::FILE* stream, bool enabled)
    : m_stream(stream), m_enabled(enabled), m_start(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
    Finish();
}

double ProgressBar::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void ProgressBar::Update(int64_t done, int64_t total) {
    if (!m_enabled) {
        return;
    }
    std::string line = ProgressLine(done, total, Seconds());
    const std::size_t length = line.size();
    // Blank out what a longer previous line left behind.
    line.append(m_lastLength > length ? m_lastLength - length : 0, ' ');
    std::fprintf(m_stream, "\r%s", line.c_str());
    std::fflush(m_stream);
    m_lastLength = length;
    m_drawn = true;
}

void ProgressBar::Finish() {
    if (!m_drawn) {
        return;
    }
    std::fprintf(m_stream, "\r%s\r", std::string(m_lastLength, ' ').c_str());
    std::fflush(m_stream);
    m_drawn = false;
}
