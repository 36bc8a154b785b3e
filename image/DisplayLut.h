// SPDX-License-Identifier: BSD-3-Clause
// How a decoded 10-bit frame becomes the 8-bit grey display bitmap: one
// lookup table from sample to grey, built from a display range. The standard
// range is sample >> 2; the others stretch a window of sample values over
// the 256 greys. Only the display uses it: saved files never do.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

enum class DisplayRangeMode : int {
    Standard = 0,       // sample >> 2
    Auto = 1,           // the frame's minimum .. maximum
    AutoPercentile = 2, // the frame's 0.5 % .. 99.5 % percentiles
    Custom = 3,         // low .. high as given
};

struct DisplayRange {
    DisplayRangeMode mode = DisplayRangeMode::Standard;
    int low = 0;     // Custom: sample shown black
    int high = 1023; // Custom: sample shown white

    friend bool operator==(const DisplayRange&, const DisplayRange&) = default;
};

inline constexpr int kSampleLevels = 1024; // 10-bit samples

using DisplayLut = std::array<uint8_t, kSampleLevels>;
using SampleHistogram = std::array<uint32_t, kSampleLevels>;

// Counts of each 10-bit value among `count` samples (bits above 10 ignored).
SampleHistogram CountSamples(const uint16_t* samples, size_t count);

// Smallest and largest sample (bits above 10 ignored); {0, 0} for no samples.
struct SampleBounds {
    int low = 0;
    int high = 0;
};
SampleBounds SampleMinMax(const uint16_t* samples, size_t count);

// The values below which 0.5 % and 99.5 % of the counted samples lie.
SampleBounds SamplePercentiles(const SampleHistogram& histogram, double lowFraction = 0.005,
                               double highFraction = 0.995);

// low -> 0, high -> 255, linear between (rounded down), clamped outside.
// The value is the high half of ((v - low) << shift) * scale, 16-bit
// fixed point with the factors of WindowScale, so it can also be computed
// without the table. A window without width (high <= low) gives the
// standard table.
DisplayLut LinearLut(int low, int high);

// Fixed-point factors of a window low < high: shift puts the window's width
// into the top of 16 bits; scale maps that width to 255.
struct LinearScale {
    uint16_t scale = 0;
    int shift = 0;
};
LinearScale WindowScale(int low, int high);
DisplayLut StandardLut();

// The window a range shows for a frame: Standard 0..1023 as sample >> 2
// (reported as 0..1023), Auto and AutoPercentile from the samples, Custom as
// stored.
SampleBounds RangeWindow(const DisplayRange& range, const uint16_t* samples, size_t count);

// The table for `range` over the frame `samples`.
DisplayLut BuildDisplayLut(const DisplayRange& range, const uint16_t* samples, size_t count);

// Repacks a width x height frame (top row first, unpadded) into the rows of
// an 8-bit display bitmap: bottom-up, each row padded to 4 bytes with 0.
void PackGray8Lut(uint8_t* dst, int width, int height, const uint16_t* src, const DisplayLut& lut);

// The same repack for LinearLut(low, high), computed arithmetically (the
// table's own formula) so the compiler can vectorise it: identical bytes.
void PackGray8Window(uint8_t* dst, int width, int height, const uint16_t* src, int low, int high);
