// SPDX-License-Identifier: BSD-3-Clause
// Steps of a manual track: the displacement between successive points and,
// with a spatial scale and a frame rate, the speed. Standard library only.
#pragma once

#include "measure/Scale.h"

#include <optional>
#include <vector>

struct TrackSample {
    int frame = 0;
    double x = 0;
    double y = 0;
};

struct TrackStep {
    double pixels = 0;                  // displacement from the previous point
    std::optional<double> length;       // the same in the scale's unit
    std::optional<double> unitsPerSecond; // speed in the scale's unit per second
};

// One step per point (the first with no displacement); `samples` run in
// frame order. Speed needs both a scale and a rate, and frames apart.
std::vector<TrackStep> TrackSteps(const std::vector<TrackSample>& samples,
                                  const std::optional<Scale>& scale,
                                  const std::optional<double>& rate);
