// SPDX-License-Identifier: BSD-3-Clause
// The length a scale bar shows: a round value (1, 2 or 5 times a power of
// ten, in the scale's unit) whose bar is as long as fits in a given number
// of client pixels. Standard library only.
#pragma once

#include "measure/Scale.h"

#include <string>

struct ScaleBarLength {
    double length = 0;        // in the scale's unit; 0 when nothing fits
    double clientPixels = 0;  // the bar's length on screen
    std::string text;         // e.g. "10 mm"
};

// `zoom`: client pixels per image pixel; `maxClientPixels`: the longest bar
// wanted.
ScaleBarLength ChooseScaleBar(const Scale& scale, double zoom, double maxClientPixels);
