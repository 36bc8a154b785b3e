// SPDX-License-Identifier: BSD-3-Clause
#include "app/PlotTicks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The smallest step of the 1-2-5 series not below `raw` (> 0).
double RoundStepAtLeast(double raw) {
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double mantissa : {1.0, 2.0, 5.0, 10.0}) {
        if (mantissa * decade >= raw * (1 - 1e-12))
            return mantissa * decade;
    }
    return 10 * decade;
}

// How many ticks `step` puts on [low, high] once both ends are rounded out.
double TickCount(double low, double high, double step) {
    return std::ceil(high / step - 1e-9) - std::floor(low / step + 1e-9) + 1;
}

} // namespace

AxisTicks ComputeTicks(double low, double high, int maxTicks, bool integers) {
    if (!std::isfinite(low) || !std::isfinite(high)) {
        low = 0;
        high = 1;
    }
    if (low > high)
        std::swap(low, high);
    if (high - low <= std::max(std::abs(low), std::abs(high)) * 1e-12) {
        // A flat series: a span around the value, so it sits mid-axis.
        const double pad = low == 0 ? 1.0 : std::abs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    maxTicks = std::max(maxTicks, 2);
    double step = RoundStepAtLeast((high - low) / (maxTicks - 1));
    if (integers)
        step = std::max(step, 1.0);
    while (TickCount(low, high, step) > maxTicks)
        step = RoundStepAtLeast(step * 1.5);

    AxisTicks ticks;
    ticks.step = step;
    const double first = std::floor(low / step + 1e-9);
    const double last = std::ceil(high / step - 1e-9);
    ticks.low = first * step;
    ticks.high = last * step;
    // Each tick from its own multiple, so no error accumulates.
    for (double i = first; i <= last; ++i) {
        const double value = i * step;
        ticks.values.push_back(std::abs(value) < step * 1e-9 ? 0.0 : value);
    }
    ticks.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    return ticks;
}

std::string FormatTick(double value, int decimals) {
    char text[64];
    const double size = std::abs(value);
    if (size >= 1e9 || decimals > 9) {
        std::snprintf(text, sizeof text, "%.3g", value);
    } else {
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
    }
    std::string label = text;
    // Rounding can leave "-0" or "-0.00".
    if (label.front() == '-' && label.find_first_not_of("-0.") == std::string::npos)
        label.erase(0, 1);
    return label;
}

TimeUnit TimeUnitFor(double maxSeconds) {
    maxSeconds = std::abs(maxSeconds);
    if (maxSeconds >= 1 || maxSeconds == 0 || !std::isfinite(maxSeconds))
        return {1, "s"};
    if (maxSeconds >= 1e-3)
        return {1e3, "ms"};
    if (maxSeconds >= 1e-6)
        return {1e6, "\u00b5s"};
    return {1e9, "ns"};
}
