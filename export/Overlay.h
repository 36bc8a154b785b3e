// SPDX-License-Identifier: BSD-3-Clause
// Text and a scale bar burned into 8-bit grey frames: the frame index and
// recorded number, the time from the trigger, and a bar of a round length.
// Drawn with a small built-in bitmap font (white on a black box), so no font
// files are needed. Works on any 8-bit buffer: exports, videos and the
// viewer's saved frames all use it.
#pragma once

#include "export/Export.h"
#include "measure/Scale.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct OverlayFrame {
    int index = 0;
    int64_t number = 0;
    std::optional<double> seconds; // from the trigger, with a rate
};

// The text lines the overlay shows for `frame`: "frame 12  #-476", "-240.0 µs".
std::vector<std::string> OverlayLines(const ExportOverlay& overlay, const OverlayFrame& frame);

// A scale bar of a round length (1, 2 or 5 times a power of ten of the
// scale's unit) at most `maxPixels` long: its length in pixels and label.
struct ScaleBar {
    double pixels = 0;
    std::string label; // "2 mm"
};
std::optional<ScaleBar> ChooseScaleBar(const Scale& scale, double maxPixels);

// Draws the overlay into the width x height grey image whose rows lie
// `stride` bytes apart, top row first: the text in the top left corner, the
// scale bar in the bottom right. Whatever does not fit is clipped.
void BurnOverlay(uint8_t* grey, int width, int height, std::ptrdiff_t stride,
                 const ExportOverlay& overlay, const OverlayFrame& frame,
                 const std::optional<Scale>& scale);

// Draws `text` (UTF-8; unknown characters as a box) at x, y with each font
// pixel `size` pixels wide, on a black box; returns the box's width.
int DrawText(uint8_t* grey, int width, int height, std::ptrdiff_t stride, int x, int y, int size,
             const std::string& text);
