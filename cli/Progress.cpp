// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Progress.h"

#include "cli/Terminal.h"
#include "framework/TextEscape.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kDefaultColumns = 80;
constexpr int kMinimumBar = 10;
constexpr int kMaximumBar = 60;

std::string Bar(int64_t done, int64_t total, int width) {
    const double fraction =
        total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    const auto filled = static_cast<int>(fraction * width);
    const auto full = static_cast<std::size_t>(std::clamp(filled, 0, width));
    std::string bar(static_cast<std::size_t>(width) + 2, '.');
    bar.front() = '[';
    bar.back() = ']';
    bar.replace(1, full, full, '#');
    return bar;
}

// The texts after the bar, longest first.
std::vector<std::string> Counts(int64_t done, int64_t total, double seconds) {
    const auto d = static_cast<long long>(done);
    const auto t = static_cast<long long>(total);
    char text[160];
    std::vector<std::string> counts;
    const double fps = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    if (fps > 0.0) {
        const auto left = static_cast<long long>(static_cast<double>(total - done) / fps + 0.5);
        std::snprintf(text, sizeof text, " %lld/%lld frames  %.1f fps  %lld:%02lld left", d, t,
                      fps, left / 60, left % 60);
        counts.emplace_back(text);
        std::snprintf(text, sizeof text, " %lld/%lld frames  %lld:%02lld left", d, t, left / 60,
                      left % 60);
        counts.emplace_back(text);
    }
    std::snprintf(text, sizeof text, " %lld/%lld frames", d, t);
    counts.emplace_back(text);
    std::snprintf(text, sizeof text, " %lld/%lld", d, t);
    counts.emplace_back(text);
    return counts;
}

} // namespace

std::string FitProgressLine(int64_t done, int64_t total, double seconds, int columns) {
    const int room = std::max(columns, 2) - 1;
    const std::vector<std::string> counts = Counts(done, total, seconds);
    for (const std::string& count : counts) {
        const int bar = room - static_cast<int>(count.size()) - 2;
        if (bar >= kMinimumBar) {
            return Bar(done, total, std::min(bar, kMaximumBar)) + count;
        }
    }
    // Too narrow for any bar: the bare count, cut to fit.
    return counts.back().substr(1, static_cast<std::size_t>(room));
}

std::string ProgressLine(int64_t done, int64_t total, double seconds, int width) {
    return Bar(done, total, width) + Counts(done, total, seconds).front();
}

std::string SummaryLine(int64_t files, int64_t bytes, double seconds) {
    const double rate = seconds > 0.0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    char text[160];
    std::snprintf(text, sizeof text, "%lld files, %lld bytes in %.2f s (%.1f MB/s)",
                  static_cast<long long>(files), static_cast<long long>(bytes), seconds, rate);
    return text;
}

std::string ConversionSummaryLine(const ConversionRequest& request,
                                  const ConversionSummary& summary) {
    std::string line = SummaryLine(summary.files, summary.bytes, summary.seconds);
    if (request.skipExisting) {
        // Files written where there were none, files replaced because they
        // could not be proven this run's, and frames kept as they were.
        line += ", " + std::to_string(summary.files - summary.rewritten) + " written, " +
                std::to_string(summary.rewritten) + " rewritten, " +
                std::to_string(summary.skipped) + " skipped";
    }
    for (std::size_t i = 0; i < summary.failed.size(); ++i) {
        line += (i == 0 ? "; failed: " : ", ") + PrintableName(summary.failed[i]);
    }
    return line;
}

std::string WrittenFramesText(int first, int end) {
    if (end <= first) {
        return "no frames written";
    }
    return "frames " + std::to_string(first) + ".." + std::to_string(end - 1) + " written";
}

ProgressBar::ProgressBar(std::FILE* stream, bool enabled)
    : m_stream(stream), m_enabled(enabled), m_start(std::chrono::steady_clock::now()) {
    if (m_enabled) {
        WatchTerminalResize();
        m_columns = TerminalColumns(fileno(stream));
    }
}

ProgressBar::~ProgressBar() {
    Finish();
}

double ProgressBar::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

int ProgressBar::Columns() {
    if (TakeTerminalResize()) {
        m_columns = TerminalColumns(fileno(m_stream));
    }
    return m_columns > 0 ? m_columns : kDefaultColumns;
}

void ProgressBar::Update(int64_t done, int64_t total) {
    if (!m_enabled) {
        return;
    }
    const int columns = Columns();
    std::string line = FitProgressLine(done, total, Seconds(), columns);
    const std::size_t length = line.size();
    // Blank out what a longer previous line left behind, within the width.
    const std::size_t blank = std::min(m_lastLength, static_cast<std::size_t>(columns - 1));
    line.append(blank > length ? blank - length : 0, ' ');
    std::fprintf(m_stream, "\r%s", line.c_str());
    std::fflush(m_stream);
    m_lastLength = length;
    m_drawn = true;
}

void ProgressBar::Finish() {
    if (!m_drawn) {
        return;
    }
    // A terminal made narrower meanwhile must not wrap the blanks.
    const auto blank = std::min(m_lastLength, static_cast<std::size_t>(Columns() - 1));
    std::fprintf(m_stream, "\r%s\r", std::string(blank, ' ').c_str());
    std::fflush(m_stream);
    m_drawn = false;
}
