// SPDX-License-Identifier: BSD-3-Clause
// Lines in image pixels (pixel centres at whole coordinates, as rec[i][y, x]):
// their length and angle, and the values along them. Standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Line {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
};

// Empty when both ends lie inside a frame of frameWidth x frameHeight
// (0..width-1, 0..height-1) and the line has a length, else why not,
// naming the frame size.
std::string CheckLine(const Line& line, int frameWidth, int frameHeight);

double LineLength(const Line& line);
// Degrees counter-clockwise from the +x axis with y pointing up on screen,
// in (-180, 180].
double LineAngle(const Line& line);

// The values along `line` (which has passed CheckLine), bilinear between
// pixel centres: round(length) + 1 samples evenly spaced from end to end, so
// successive samples lie about one pixel apart.
std::vector<double> LineProfile(const uint16_t* samples, int frameWidth, int frameHeight,
                                const Line& line);
