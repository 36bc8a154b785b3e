// SPDX-License-Identifier: BSD-3-Clause
#include "measure/Region.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

std::string FrameSizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// The first column of row `row` whose pixel centre lies inside the ellipse
// inscribed in a width x height box; rows are symmetric, so the row's pixels
// are [first, width - first). Decided in exact integers, (2c+1-w)^2 h^2 +
// (2r+1-h)^2 w^2 <= w^2 h^2, so every caller (and numpy) agrees on the
// boundary pixels; the terms fit 64 bits because frames hold under 2^31
// samples.
int FirstColumnInEllipse(int width, int height, int row) {
    const uint64_t w = static_cast<uint64_t>(width);
    const uint64_t h = static_cast<uint64_t>(height);
    const auto dy = static_cast<uint64_t>(std::abs(2 * int64_t{row} + 1 - height));
    const uint64_t room = w * w * h * h - dy * dy * w * w;
    auto inside = [&](int column) {
        const auto dx = static_cast<uint64_t>(std::abs(2 * int64_t{column} + 1 - width));
        return dx * dx * h * h <= room;
    };
    // Start from the floating-point estimate and settle it exactly.
    const double rx = width / 2.0;
    const double ry = height / 2.0;
    const double fy = (row + 0.5 - ry) / ry;
    const double half = rx * std::sqrt(std::max(0.0, 1.0 - fy * fy));
    int first = std::clamp(static_cast<int>(std::ceil(rx - half - 0.5)), 0, width);
    while (first > 0 && inside(first - 1)) {
        --first;
    }
    while (first < width && !inside(first)) {
        ++first;
    }
    return first;
}

} // namespace

std::string CheckRegion(const Region& region, int frameWidth, int frameHeight) {
    const std::string shape = std::to_string(region.x) + "," + std::to_string(region.y) + "," +
                              std::to_string(region.width) + "," + std::to_string(region.height);
    if (region.width <= 0 || region.height <= 0) {
        return "region " + shape + " is empty (the frame is " +
               FrameSizeText(frameWidth, frameHeight) + ")";
    }
    const int64_t right = int64_t{region.x} + region.width;
    const int64_t bottom = int64_t{region.y} + region.height;
    if (region.x < 0 || region.y < 0 || right > frameWidth || bottom > frameHeight) {
        return "region " + shape + " does not lie inside the frame of " +
               FrameSizeText(frameWidth, frameHeight);
    }
    return {};
}

RegionAccumulator::RegionAccumulator(const Region& region, int frameWidth)
    : m_region(region), m_frameWidth(frameWidth), m_spans(static_cast<size_t>(region.height)) {
    for (int row = 0; row < region.height; ++row) {
        Span& span = m_spans[static_cast<size_t>(row)];
        const int first = region.ellipse ? FirstColumnInEllipse(region.width, region.height, row) : 0;
        span = {region.x + first, region.x + std::max(region.width - first, first)};
    }
    Reset();
}

void RegionAccumulator::Reset() {
    m_count = 0;
    m_sum = 0;
    m_squares = 0;
    m_min = std::numeric_limits<int>::max();
    m_max = std::numeric_limits<int>::min();
}

void RegionAccumulator::AddRow(const uint16_t* row, const Span& span, int from, int to) {
    const int begin = std::max(span.begin, from);
    const int end = std::min(span.end, to);
    uint64_t sum = 0;
    uint64_t squares = 0;
    int low = m_min;
    int high = m_max;
    for (int x = begin; x < end; ++x) {
        const uint32_t v = row[x];
        sum += v;
        squares += uint64_t{v} * v;
        low = std::min(low, static_cast<int>(v));
        high = std::max(high, static_cast<int>(v));
    }
    if (end > begin) {
        m_count += static_cast<uint64_t>(end - begin);
        m_sum += sum;
        m_squares += squares;
        m_min = low;
        m_max = high;
    }
}

void RegionAccumulator::Add(const uint16_t* frame, int64_t begin, int64_t end) {
    const int64_t width = m_frameWidth;
    const int64_t top = m_region.y;
    const int64_t bottom = top + m_region.height;
    int64_t row = std::max(begin / width, top);
    for (; row < bottom && row * width < end; ++row) {
        const int64_t rowStart = row * width;
        const int from = static_cast<int>(std::max<int64_t>(begin - rowStart, 0));
        const int to = static_cast<int>(std::min<int64_t>(end - rowStart, width));
        AddRow(frame + rowStart, m_spans[static_cast<size_t>(row - top)], from, to);
    }
}

RegionStats RegionAccumulator::Result() const {
    RegionStats stats;
    stats.pixels = static_cast<int64_t>(m_count);
    if (m_count == 0) {
        return stats;
    }
    const double n = static_cast<double>(m_count);
    stats.mean = static_cast<double>(m_sum) / n;
    // Exact integer sums: n * sum(v^2) - sum(v)^2 cannot go negative.
    const long double spread = static_cast<long double>(m_squares) * n -
                               static_cast<long double>(m_sum) * static_cast<long double>(m_sum);
    stats.stddev = static_cast<double>(std::sqrt(std::max(spread, 0.0L)) / n);
    stats.min = m_min;
    stats.max = m_max;
    return stats;
}

RegionStats ComputeRegionStats(const uint16_t* samples, int frameWidth, const Region& region) {
    RegionAccumulator accumulator(region, frameWidth);
    const int64_t end = (int64_t{region.y} + region.height) * frameWidth;
    accumulator.Add(samples, int64_t{region.y} * frameWidth, end);
    return accumulator.Result();
}
