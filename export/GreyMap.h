// SPDX-License-Identifier: BSD-3-Clause
// The one table that turns an export's 10-bit samples into 8-bit grey,
// chosen from the display range before the first frame and kept for all of
// them, so every frame of a video shares one mapping.
#pragma once

#include "export/Export.h"
#include "image/DisplayLut.h"

#include <cstddef>
#include <cstdint>

// Whether the range must look at frames before the run: Auto at all of
// them, Percentile at the first.
bool RangeNeedsAllFrames(const ExportRange& range);
bool RangeNeedsFirstFrame(const ExportRange& range);

// Collects what the range looks at, frame by frame.
class RangeProbe {
public:
    void Add(const uint16_t* samples, std::size_t count);
    // The table for `range` over what was added.
    DisplayLut Lut(const ExportRange& range) const;

private:
    bool m_any = false;
    SampleBounds m_bounds;
    SampleHistogram m_histogram{};
};

// grey[i] = lut[samples[i] & 1023].
void MapToGrey(const uint16_t* samples, std::size_t count, const DisplayLut& lut, uint8_t* grey);
