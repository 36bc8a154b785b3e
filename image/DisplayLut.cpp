// SPDX-License-Identifier: BSD-3-Clause
#include "image/DisplayLut.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // Signed 16-bit lanes: the masked samples fit, and the compiler can use
    // the plain SIMD minimum and maximum.
    int16_t low = 1023;
    int16_t high = 0;
    for (size_t i = 0; i < count; ++i) {
        const auto v = static_cast<int16_t>(samples[i] & 1023u);
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    return {low, high};
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

LinearScale WindowScale(int low, int high) {
    const auto span = static_cast<uint32_t>(high - low); // 1..1023
    LinearScale fixed;
    while ((span << (fixed.shift + 1)) <= 0xFFFFu)
        ++fixed.shift;
    // Rounded up, so the window's top gives exactly 255: the product stays
    // below 256 << 16 because the shifted width is at least 2^15.
    const uint32_t width = span << fixed.shift;
    fixed.scale = static_cast<uint16_t>((255u * 65536u + width - 1) / width);
    return fixed;
}

namespace {
uint8_t Stretch(uint32_t d, const LinearScale& fixed) {
    return static_cast<uint8_t>(((d << fixed.shift) * fixed.scale) >> 16);
}
} // namespace

DisplayLut LinearLut(int low, int high) {
    if (high <= low)
        return StandardLut();
    DisplayLut lut{};
    const LinearScale fixed = WindowScale(low, high);
    for (size_t v = 0; v < lut.size(); ++v)
        lut[v] =
            Stretch(static_cast<uint32_t>(std::clamp(static_cast<int>(v), low, high) - low), fixed);
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

void PackGray8Window(uint8_t* dst, int width, int height, const uint16_t* src, int low, int high) {
    if (width <= 0 || height <= 0)
        return;
    if (high <= low || low < 0 || high > 1023) {
        PackGray8Lut(dst, width, height, src, LinearLut(low, high));
        return;
    }
    const LinearScale fixed = WindowScale(low, high);
    const auto lo = static_cast<uint16_t>(low);
    const auto span = static_cast<uint16_t>(high - low);
    const auto w = static_cast<size_t>(width);
    const size_t stride = (w + 3) / 4 * 4;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi16(1023);
    const __m128i vlo = _mm_set1_epi16(static_cast<short>(lo));
    const __m128i vspan = _mm_set1_epi16(static_cast<short>(span));
    const __m128i vscale = _mm_set1_epi16(static_cast<short>(fixed.scale));
    const __m128i count = _mm_cvtsi32_si128(fixed.shift);
    auto stretch8 = [&](__m128i v) {
        // d = min(max(v - low, 0), width), then the high half of (d << shift) * scale.
        const __m128i d = _mm_min_epi16(_mm_subs_epu16(_mm_and_si128(v, mask), vlo), vspan);
        return _mm_mulhi_epu16(_mm_sll_epi16(d, count), vscale);
    };
#endif
    for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
        uint8_t* out = dst + (static_cast<size_t>(height) - 1 - row) * stride;
        const uint16_t* in = src + row * w;
        size_t x = 0;
#if defined(__SSE2__)
        for (; x + 16 <= w; x += 16) {
            const __m128i a = stretch8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x)));
            const __m128i b =
                stretch8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x + 8)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(a, b));
        }
#endif
        for (; x < w; ++x) {
            const auto v = static_cast<uint16_t>(in[x] & 1023u);
            const uint32_t d = v > lo ? std::min<uint32_t>(v - lo, span) : 0u;
            out[x] = Stretch(d, fixed);
        }
        std::memset(out + w, 0, stride - w);
    }
}
