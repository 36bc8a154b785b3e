// SPDX-License-Identifier: BSD-3-Clause
// The definition of both pixel layouts, written straight from the byte
// formulas with no attempt at speed. The fast unpackers must match it.
#include "recording/Unpack.h"

namespace {

// Value n (0..31) of a 40-byte lane-packed group.
uint16_t GroupValue(const uint8_t* b, int n) {
    const int k = n % 8;
    switch (n / 8) {
    case 0:
        return static_cast<uint16_t>(b[k] * 4 + b[8 + k] / 64);
    case 1:
        return static_cast<uint16_t>((b[8 + k] % 64) * 16 + b[16 + k] / 16);
    case 2:
        return static_cast<uint16_t>((b[16 + k] % 16) * 64 + b[24 + k] / 4);
    default:
        return static_cast<uint16_t>((b[24 + k] % 4) * 256 + b[32 + k]);
    }
}

} // namespace

void UnpackLanesReference(uint16_t* destination, const uint8_t* packed, int32_t width,
                          int32_t rows) {
    if (width <= 0 || rows <= 0) {
        return;
    }
    const int64_t groups = int64_t{width} * rows / 32;
    for (int64_t g = 0; g < groups; ++g) {
        for (int n = 0; n < 32; ++n) {
            destination[g * 32 + n] = GroupValue(packed + g * 40, n);
        }
    }
}

void UnpackQuadrantsReference(uint16_t* destination, const uint8_t* packed, int32_t width,
                              int32_t rows) {
    const int64_t W = width;
    const int64_t H = rows;
    if (W <= 0 || H <= 0 || H % 16 != 0 || W % 4 != 0) {
        return;
    }
    const int64_t P = H / 8;
    const int64_t blocks = W * H / 512;
    for (int64_t j = 0; j < blocks; ++j) {
        for (int section = 0; section < 4; ++section) {
            const bool left = section == 0 || section == 2;
            const bool top = section < 2;
            for (int G = 0; G < 4; ++G) {
                const uint8_t* group = packed + j * 640 + section * 160 + G * 40;
                for (int s = 0; s < 4; ++s) {
                    for (int k = 0; k < 8; ++k) {
                        const int64_t m = 16 * j + 8 * (s % 2) + k;
                        const int64_t c = m / P;
                        const int64_t i = m % P;
                        const int64_t column =
                            left ? W / 2 - 2 - 2 * c + s / 2 : W / 2 + 2 * c + s / 2;
                        const int64_t row = top ? H / 2 - 4 - 4 * i + G : H / 2 + 4 * i + G;
                        destination[row * W + column] = GroupValue(group, s * 8 + k);
                    }
                }
            }
        }
    }
}
