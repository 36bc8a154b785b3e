// SPDX-License-Identifier: BSD-3-Clause
#include "display/PixelLayout.h"

#include <algorithm>
#include <cmath>

namespace {

int64_t HalfClient(int32_t client) {
    return (int64_t{client} - 1) / 2;
}

// floor(a / b) for b > 0.
int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

int64_t PixelAxisOffset(int32_t client, int32_t num, int32_t den, double centre) {
    const double zoom = static_cast<double>(num) / den;
    return static_cast<int64_t>(std::floor(static_cast<double>(HalfClient(client)) -
                                           centre * zoom + 0.5));
}

double PixelAxisCentre(int32_t client, int32_t num, int32_t den, int64_t offset) {
    return static_cast<double>(HalfClient(client) - offset) * den / num;
}

PixelAxis LayoutPixelAxis(int32_t client, int32_t image, int32_t num, int32_t den,
                          double& centre) {
    PixelAxis axis;
    if (client <= 0 || image <= 0 || num <= 0 || den <= 0)
        return axis;
    // Client pixels the whole image spans; below 1:1 only whole groups of
    // `den` image pixels are drawn, so every client pixel stands for exactly
    // den / num of them.
    const int64_t groups = int64_t{image} * num / den;
    const int64_t span = groups;
    if (span <= client) {
        axis.srcExtent = static_cast<int32_t>(groups * den / num);
        axis.dstExtent = static_cast<int32_t>(span);
        axis.dstPos = static_cast<int32_t>((client - span) / 2);
        centre = PixelAxisCentre(client, num, den, axis.dstPos);
        return axis;
    }
    // Held inside the client: the image's start no further right than the
    // client's start, its end no further left than the client's end.
    const int64_t offset = std::clamp<int64_t>(PixelAxisOffset(client, num, den, centre),
                                               int64_t{client} - span, 0);
    centre = PixelAxisCentre(client, num, den, offset);
    // Image pixels from the one under client pixel 0 to the one under the
    // client's last pixel; the first and last may be cut by the client edge.
    const int64_t first = FloorDiv(-offset * den, num);
    const int64_t last =
        std::min<int64_t>(image, FloorDiv((int64_t{client} - offset) * den + num - 1, num));
    const int64_t drawn = (last - first) * num / den;
    axis.srcPos = static_cast<int32_t>(first);
    axis.srcExtent = static_cast<int32_t>(drawn * den / num);
    axis.dstPos = static_cast<int32_t>(offset + first * num / den);
    axis.dstExtent = static_cast<int32_t>(drawn);
    return axis;
}
