// SPDX-License-Identifier: BSD-3-Clause
// Progress bar and summary line of quorvane-cli convert.
#pragma once

#include "convert/Conversion.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// "[#####.....]  120/300 frames  245.3 fps  0:01 left", redrawn in place.
std::string ProgressLine(int64_t done, int64_t total, double seconds, int width = 30);

// The progress line for a terminal of `columns` columns: shorter than that
// (the last column stays free so the cursor never wraps), the bar shrinking
// and then the rate and time dropping on narrow terminals.
std::string FitProgressLine(int64_t done, int64_t total, double seconds, int columns);

// "300 files, 78686400 bytes in 1.23 s (64.0 MB/s)".
std::string SummaryLine(int64_t files, int64_t bytes, double seconds);

// The summary line of a conversion, with ", N skipped" when resuming and
// "; failed: a.vrn, b.vrn" when recordings failed.
std::string ConversionSummaryLine(const ConversionRequest& request,
                                  const ConversionSummary& summary);

// "frames 0..57 written": the contiguous run an interrupted conversion left.
std::string WrittenFramesText(int first, int end);

class ProgressBar {
public:
    // Draws only when `enabled` (a terminal, not --quiet), as wide as the
    // terminal on `stream` is, following its resizes.
    ProgressBar(std::FILE* stream, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(int64_t done, int64_t total);
    // Clears the bar so the next line starts clean.
    void Finish();
    double Seconds() const;

private:
    int Columns(); // the terminal's width, re-read after a resize

    std::FILE* m_stream;
    bool m_enabled;
    bool m_drawn = false;
    std::size_t m_lastLength = 0;
    int m_columns = 0;
    std::chrono::steady_clock::time_point m_start;
};
