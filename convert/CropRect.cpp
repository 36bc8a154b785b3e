// SPDX-License-Identifier: BSD-3-Clause
#include "convert/CropRect.h"

#include <cstdint>

std::string CropText(const CropRect& crop) {
    return std::to_string(crop.x) + "," + std::to_string(crop.y) + "," +
           std::to_string(crop.width) + "," + std::to_string(crop.height);
}

std::string CropProblem(const CropRect& crop, int width, int height) {
    if (crop.x >= 0 && crop.y >= 0 && crop.width >= 1 && crop.height >= 1 &&
        int64_t{crop.x} + crop.width <= width && int64_t{crop.y} + crop.height <= height) {
        return {};
    }
    return "--crop " + CropText(crop) + " is not inside the frame of " + std::to_string(width) +
           " x " + std::to_string(height);
}
