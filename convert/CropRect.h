// SPDX-License-Identifier: BSD-3-Clause
// A rectangle of the frame that a conversion or an export keeps.
#pragma once

#include <string>

struct CropRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// "X,Y,W,H".
std::string CropText(const CropRect& crop);

// Why `crop` does not lie inside a width x height frame ("--crop 10,10,60,10
// is not inside the frame of 64 x 48"), or empty.
std::string CropProblem(const CropRect& crop, int width, int height);
