// SPDX-License-Identifier: BSD-3-Clause
// `quorvane-cli demo`: a synthetic recording worth looking at. A bright disc
// moves over a gradient, a bar at the bottom grows with the frame index, and
// the stored frames carry a fixed pattern (column stripes and pixel noise)
// that the recording's own correction removes again.
#pragma once

#include <cstdint>
#include <string>

struct DemoOptions {
    int32_t frames = 300;
    int32_t width = 512;
    int32_t height = 256;
    bool quadrants = false;
    bool bigEndian = false;
    int correctionKind = 6; // 0 none, 3 offset, 6 offset-gain
    int32_t firstNumber = 0; // the camera's number of frame 0 (negative: frames before the trigger)
};

// Empty when the options describe a recording that can be written, else why
// not (e.g. a size that quadrant order cannot cover).
std::string CheckDemoOptions(const DemoOptions& options);

// The picture frame `index` shows once corrected.
class DemoScene {
public:
    DemoScene(const DemoOptions& options, int32_t index);
    uint16_t Sample(int32_t x, int32_t y) const;

private:
    double m_width, m_height;
    double m_cx, m_cy, m_radius;
    double m_barTop, m_barEnd;
};

// Writes the recording as every output is written (ReplacingFile); false
// when the file cannot be written, with `error` the errno.
bool WriteDemoRecording(const std::string& path, const DemoOptions& options, int& error);
bool WriteDemoRecording(const std::string& path, const DemoOptions& options);
