// SPDX-License-Identifier: BSD-3-Clause
// Axis arithmetic of the plot widget: ticks at round values (1, 2 or 5 times
// a power of ten), their labels, and the unit a time axis is shown in.
// Standard library only, so it is tested without a display.
#pragma once

#include <string>
#include <vector>

struct AxisTicks {
    double low = 0;  // the axis runs from low to high, both multiples of step
    double high = 1;
    double step = 1;
    int decimals = 0; // digits after the point that tell the ticks apart
    std::vector<double> values; // low, low + step, ..., high
};

// Round ticks covering [low, high] (either order), at most `maxTicks` (>= 2)
// of them. An empty or non-finite span is widened to a usable one; with
// `integers` the step is never below 1 (frame indices and numbers).
AxisTicks ComputeTicks(double low, double high, int maxTicks, bool integers = false);

// The label of tick `value`: fixed `decimals`, "-0" shown as "0"; very large
// or very small values in exponent form.
std::string FormatTick(double value, int decimals);

// The unit a time axis spanning up to `maxSeconds` (absolute) reads best in.
struct TimeUnit {
    double perSecond = 1; // axis value = seconds * perSecond
    const char* name = "s";
};
TimeUnit TimeUnitFor(double maxSeconds);
