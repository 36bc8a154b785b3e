// SPDX-License-Identifier: BSD-3-Clause
#include "measure/Track.h"

#include <cmath>

std::vector<TrackStep> TrackSteps(const std::vector<TrackSample>& samples,
                                  const std::optional<Scale>& scale,
                                  const std::optional<double>& rate) {
    std::vector<TrackStep> steps;
    steps.reserve(samples.size());
    const bool calibrated = scale && scale->pixels > 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        TrackStep step;
        if (i > 0) {
            const TrackSample& from = samples[i - 1];
            const TrackSample& to = samples[i];
            step.pixels = std::hypot(to.x - from.x, to.y - from.y);
            const int frames = to.frame - from.frame;
            if (calibrated) {
                step.length = step.pixels * scale->length / scale->pixels;
                if (rate && *rate > 0 && frames != 0)
                    step.unitsPerSecond = *step.length * *rate / frames;
            }
        } else if (calibrated) {
            step.length = 0.0;
        }
        steps.push_back(step);
    }
    return steps;
}
