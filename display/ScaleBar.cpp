// SPDX-License-Identifier: BSD-3-Clause
#include "display/ScaleBar.h"

#include <cmath>
#include <cstdio>

ScaleBarLength ChooseScaleBar(const Scale& scale, double zoom, double maxClientPixels) {
    ScaleBarLength bar;
    if (scale.pixels <= 0 || scale.length <= 0 || zoom <= 0 || maxClientPixels <= 0)
        return bar;
    const double clientPerUnit = scale.pixels / scale.length * zoom;
    const double longest = maxClientPixels / clientPerUnit; // in units
    const double decade = std::pow(10.0, std::floor(std::log10(longest)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * decade <= longest * (1 + 1e-9)) {
            bar.length = step * decade;
            break;
        }
    }
    bar.clientPixels = bar.length * clientPerUnit;
    char text[48];
    std::snprintf(text, sizeof text, "%g %s", bar.length, scale.unit.c_str());
    bar.text = text;
    return bar;
}
