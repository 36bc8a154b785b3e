// SPDX-License-Identifier: BSD-3-Clause
#include "export/GreyMap.h"

#include <algorithm>
#include <cmath>

bool RangeNeedsAllFrames(const ExportRange& range) {
    return range.kind == ExportRange::Kind::Auto;
}

bool RangeNeedsFirstFrame(const ExportRange& range) {
    return range.kind == ExportRange::Kind::Percentile;
}

void RangeProbe::Add(const uint16_t* samples, std::size_t count) {
    const SampleBounds bounds = SampleMinMax(samples, count);
    if (!m_any) {
        m_bounds = bounds;
        m_histogram = CountSamples(samples, count);
        m_any = true;
        return;
    }
    m_bounds.low = std::min(m_bounds.low, bounds.low);
    m_bounds.high = std::max(m_bounds.high, bounds.high);
}

DisplayLut RangeProbe::Lut(const ExportRange& range) const {
    switch (range.kind) {
    case ExportRange::Kind::Standard:
        break;
    case ExportRange::Kind::Auto:
        return LinearLut(m_bounds.low, m_bounds.high);
    case ExportRange::Kind::Percentile: {
        const SampleBounds window =
            SamplePercentiles(m_histogram, range.low / 100.0, range.high / 100.0);
        return LinearLut(window.low, window.high);
    }
    case ExportRange::Kind::Values:
        return LinearLut(static_cast<int>(std::lround(range.low)),
                         static_cast<int>(std::lround(range.high)));
    }
    return StandardLut();
}

void MapToGrey(const uint16_t* samples, std::size_t count, const DisplayLut& lut, uint8_t* grey) {
    for (std::size_t i = 0; i < count; ++i) {
        grey[i] = lut[samples[i] & (kSampleLevels - 1)];
    }
}
