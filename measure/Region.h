// SPDX-License-Identifier: BSD-3-Clause
// Statistics of a region of a frame: a rectangle, or the ellipse inscribed
// in it, in image pixels. One accumulator serves the viewer's dock, its plot
// worker, `quorvane-cli stats` and the Python package, so every surface
// shows the same numbers. Standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Region {
    int x = 0; // left column
    int y = 0; // top row
    int width = 0;
    int height = 0;
    bool ellipse = false; // the ellipse inscribed in the rectangle
};

struct RegionStats {
    int64_t pixels = 0;
    double mean = 0.0;
    double stddev = 0.0; // population standard deviation (numpy's std)
    int min = 0;
    int max = 0;
};

// Empty when `region` is not empty and lies inside a frame of
// frameWidth x frameHeight, else why not, naming the frame size.
std::string CheckRegion(const Region& region, int frameWidth, int frameHeight);

// Sums a region over the samples of one frame, fed in pieces of the frame
// in reading order (as a decoder hands them on) or at once.
class RegionAccumulator {
public:
    // `region` has passed CheckRegion for frames `frameWidth` wide.
    RegionAccumulator(const Region& region, int frameWidth);

    void Reset();
    // Adds the region's samples among frame[begin, end) (sample indices of
    // the whole frame; `frame` points at sample 0).
    void Add(const uint16_t* frame, int64_t begin, int64_t end);
    RegionStats Result() const;

private:
    struct Span {
        int begin = 0; // columns [begin, end) of the row inside the region
        int end = 0;
    };
    void AddRow(const uint16_t* row, const Span& span, int from, int to);

    Region m_region;
    int m_frameWidth;
    std::vector<Span> m_spans; // one per row of the region
    uint64_t m_count = 0;
    uint64_t m_sum = 0;
    uint64_t m_squares = 0;
    int m_min = 0;
    int m_max = 0;
};

// The statistics of `region` (which has passed CheckRegion) in one frame.
RegionStats ComputeRegionStats(const uint16_t* samples, int frameWidth, const Region& region);
