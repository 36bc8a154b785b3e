// SPDX-License-Identifier: BSD-3-Clause
// A region's statistics over a range of frames of one recording, computed
// while each frame is decoded. The plot worker, `quorvane-cli stats` and the
// Python package all scan through here.
#pragma once

#include "measure/Region.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct RegionSample {
    int index = 0;                 // zero-based frame index
    int64_t number = 0;            // the camera's number of the frame
    std::optional<double> seconds; // from the trigger; none without a rate
    RegionStats stats;
};

struct SeriesRequest {
    std::string recording;
    Region region;
    int first = 0; // inclusive
    int last = -1; // inclusive; -1: the last frame
    int step = 1;
    bool correction = true;
    std::optional<double> rate;
};

enum class SeriesStatus { Done, Cancelled, Failed, Refused };

struct SeriesResult {
    SeriesStatus status = SeriesStatus::Done;
    std::string message;
    int64_t frames = 0; // frames the callback took (returned true for)
};

// Opens its own reader; for each frame in order computes the region's
// statistics while the frame is decoded (no second pass over the frame), then
// calls `frame`; returning false from it stops the scan (Cancelled). Only the
// region's rows are read, and a thread of the scan's own reads the next
// frame's bytes meanwhile; it has ended when the scan returns.
// Refused: region or range problems (the message names the frame size or the
// range). Failed: the file cannot be opened or a frame cannot be read whole.
SeriesResult ScanRegionSeries(const SeriesRequest& request,
                              const std::function<bool(const RegionSample&)>& frame);
