#include "image/DisplayLut.h"

#include <algorithm>
#include <cmath>
#include <cstring>

SampleHistogram CountSamples(const uint16_t* samples, size_t count) {
    // Four interleaved tables keep runs of equal values from serialising on
    // one counter.
    std::array<SampleHistogram, 4> parts{};
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        ++parts[0][samples[i] & 1023u];
        ++parts[1][samples[i + 1] & 1023u];
        ++parts[2][samples[i + 2] & 1023u];
        ++parts[3][samples[i + 3] & 1023u];
    }
    for (; i < count; ++i)
        ++parts[0][samples[i] & 1023u];
    SampleHistogram total{};
    for (size_t v = 0; v < total.size(); ++v)
        total[v] = parts[0][v] + parts[1][v] + parts[2][v] + parts[3][v];
    return total;
}

SampleBounds SampleMinMax(const uint16_t* samples, size_t count) {
    if (count == 0)
        return {};
    unsigned low = 1023;
    unsigned high = 0;
    for (size_t i = 0; i < count; ++i) {
        const unsigned v = samples[i] & 1023u;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    return {static_cast<int>(low), static_cast<int>(high)};
}

SampleBounds SamplePercentiles(const SampleHistogram& histogram, double lowFraction,
                               double highFraction) {
    uint64_t total = 0;
    for (const uint32_t n : histogram)
        total += n;
    if (total == 0)
        return {};
    // The low end is the first value whose running count passes the low
    // share; the high end the first value whose running count reaches the
    // high share.
    const auto lowCount =
        static_cast<uint64_t>(std::floor(static_cast<double>(total) * lowFraction));
    const auto highCount = std::max<uint64_t>(
        1, static_cast<uint64_t>(std::ceil(static_cast<double>(total) * highFraction)));
    SampleBounds bounds{-1, -1};
    uint64_t running = 0;
    for (size_t v = 0; v < histogram.size(); ++v) {
        running += histogram[v];
        if (bounds.low < 0 && running > lowCount)
            bounds.low = static_cast<int>(v);
        if (bounds.high < 0 && running >= highCount) {
            bounds.high = static_cast<int>(v);
            break;
        }
    }
    return bounds;
}

DisplayLut StandardLut() {
    DisplayLut lut{};
    for (size_t v = 0; v < lut.size(); ++v)
        lut[v] = static_cast<uint8_t>(v >> 2);
    return lut;
}

DisplayLut LinearLut(int low, int high) {
    if (high <= low)
        return StandardLut();
    DisplayLut lut{};
    const int span = high - low;
    for (size_t v = 0; v < lut.size(); ++v) {
        const int clamped = std::clamp(static_cast<int>(v), low, high);
        lut[v] = static_cast<uint8_t>(((clamped - low) * 255 * 2 + span) / (2 * span));
    }
    return lut;
}

SampleBounds RangeWindow(const DisplayRange& range, const uint16_t* samples, size_t count) {
    switch (range.mode) {
    case DisplayRangeMode::Auto:
        return SampleMinMax(samples, count);
    case DisplayRangeMode::AutoPercentile:
        return SamplePercentiles(CountSamples(samples, count));
    case DisplayRangeMode::Custom:
        return {std::clamp(range.low, 0, 1023), std::clamp(range.high, 0, 1023)};
    case DisplayRangeMode::Standard:
        break;
    }
    return {0, 1023};
}

DisplayLut BuildDisplayLut(const DisplayRange& range, const uint16_t* samples, size_t count) {
    if (range.mode == DisplayRangeMode::Standard)
        return StandardLut();
    const SampleBounds window = RangeWindow(range, samples, count);
    return LinearLut(window.low, window.high);
}

void PackGray8Lut(uint8_t* dst, int width, int height, const uint16_t* src, const DisplayLut& lut) {
    if (width <= 0 || height <= 0)
        return;
    const auto w = static_cast<size_t>(width);
    const size_t stride = (w + 3) / 4 * 4;
    const uint8_t* table = lut.data();
    for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
        uint8_t* __restrict out = dst + (static_cast<size_t>(height) - 1 - row) * stride;
        const uint16_t* __restrict in = src + row * w;
        for (size_t x = 0; x < w; ++x)
            out[x] = table[in[x] & 1023u];
        std::memset(out + w, 0, stride - w);
    }
}
