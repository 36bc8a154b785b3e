// SPDX-License-Identifier: BSD-3-Clause
#include "measure/Line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace {

bool Inside(double x, double y, int width, int height) {
    return x >= 0 && y >= 0 && x <= width - 1 && y <= height - 1;
}

// The shortest text that reads back as `value`, whatever the locale.
std::string Number(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

double Bilinear(const uint16_t* samples, int width, int height, double x, double y) {
    const int x0 = std::clamp(static_cast<int>(std::floor(x)), 0, width - 1);
    const int y0 = std::clamp(static_cast<int>(std::floor(y)), 0, height - 1);
    const int x1 = std::min(x0 + 1, width - 1);
    const int y1 = std::min(y0 + 1, height - 1);
    const double fx = x - x0;
    const double fy = y - y0;
    auto at = [&](int px, int py) { return static_cast<double>(samples[int64_t{py} * width + px]); };
    const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
    const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
    return top * (1 - fy) + bottom * fy;
}

} // namespace

std::string CheckLine(const Line& line, int frameWidth, int frameHeight) {
    const std::string shape = Number(line.x0) + "," + Number(line.y0) + "," + Number(line.x1) +
                              "," + Number(line.y1);
    const std::string frame = std::to_string(frameWidth) + " x " + std::to_string(frameHeight);
    if (!std::isfinite(line.x0) || !std::isfinite(line.y0) || !std::isfinite(line.x1) ||
        !std::isfinite(line.y1) || !Inside(line.x0, line.y0, frameWidth, frameHeight) ||
        !Inside(line.x1, line.y1, frameWidth, frameHeight)) {
        return "line " + shape + " does not lie inside the frame of " + frame;
    }
    if (LineLength(line) == 0) {
        return "line " + shape + " is empty (the frame is " + frame + ")";
    }
    return {};
}

double LineLength(const Line& line) {
    return std::hypot(line.x1 - line.x0, line.y1 - line.y0);
}

double LineAngle(const Line& line) {
    const double degrees =
        std::atan2(-(line.y1 - line.y0), line.x1 - line.x0) * 180.0 / std::numbers::pi;
    return degrees <= -180.0 ? degrees + 360.0 : degrees;
}

std::vector<double> LineProfile(const uint16_t* samples, int frameWidth, int frameHeight,
                                const Line& line) {
    const auto steps = static_cast<int64_t>(std::llround(LineLength(line)));
    std::vector<double> values(static_cast<size_t>(std::max<int64_t>(steps, 1) + 1));
    const double last = static_cast<double>(values.size() - 1);
    for (size_t i = 0; i < values.size(); ++i) {
        const double t = static_cast<double>(i) / last;
        const double x = line.x0 + (line.x1 - line.x0) * t;
        const double y = line.y0 + (line.y1 - line.y0) * t;
        values[i] = Bilinear(samples, frameWidth, frameHeight, x, y);
    }
    return values;
}
