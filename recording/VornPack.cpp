// SPDX-License-Identifier: BSD-3-Clause
// Frame encoders for the recording builder: the inverse of the two pixel
// layouts, written from the lane byte formulas and the quadrant walk.
#include "recording/VornWriter.h"

#include <cstring>

namespace {

// Packs 32 ten-bit values into one 40-byte group: lane k is the 40-bit
// number v(k):v(8+k):v(16+k):v(24+k) spread over bytes k, 8+k, ..., 32+k.
void PackGroup(uint8_t* b, const uint16_t* v) {
    for (int k = 0; k < 8; ++k) {
        const unsigned v0 = v[k] & 0x3FFu;
        const unsigned v1 = v[8 + k] & 0x3FFu;
        const unsigned v2 = v[16 + k] & 0x3FFu;
        const unsigned v3 = v[24 + k] & 0x3FFu;
        b[k] = static_cast<uint8_t>(v0 >> 2);
        b[8 + k] = static_cast<uint8_t>((v0 & 3u) << 6 | v1 >> 4);
        b[16 + k] = static_cast<uint8_t>((v1 & 15u) << 4 | v2 >> 6);
        b[24 + k] = static_cast<uint8_t>((v2 & 63u) << 2 | v3 >> 8);
        b[32 + k] = static_cast<uint8_t>(v3 & 255u);
    }
}

} // namespace

void PackLanes(uint8_t* packed, const uint16_t* samples, int32_t width, int32_t rows) {
    if (width <= 0 || rows <= 0) {
        return;
    }
    const int64_t pixels = int64_t{width} * rows;
    std::memset(packed, 0, static_cast<size_t>(pixels * 10 / 8));
    for (int64_t g = 0; g < pixels / 32; ++g) {
        PackGroup(packed + g * 40, samples + g * 32);
    }
}

// Each quadrant is walked from the image centre outwards: column pairs
// starting next to the vertical centre line, and within a pair steps of four
// rows away from the horizontal centre line. Every block holds 16 walk
// positions of each quadrant; a section's group G carries row G of each
// step, the lower column of the pair in slots 0/1 and the higher in 2/3.
void PackQuadrants(uint8_t* packed, const uint16_t* samples, int32_t width, int32_t rows) {
    if (width <= 0 || rows <= 0) {
        return;
    }
    const int64_t W = width;
    const int64_t H = rows;
    std::memset(packed, 0, static_cast<size_t>(W * H * 10 / 8));
    if (H % 16 != 0 || W % 4 != 0) {
        return;
    }
    const int64_t stepsPerPair = H / 8;
    uint16_t values[32];
    for (int64_t block = 0; block < W * H / 512; ++block) {
        for (int quadrant = 0; quadrant < 4; ++quadrant) {
            const bool isLeft = quadrant % 2 == 0;
            const bool isTop = quadrant < 2;
            for (int64_t rowInStep = 0; rowInStep < 4; ++rowInStep) {
                for (int slot = 0; slot < 4; ++slot) {
                    for (int lane = 0; lane < 8; ++lane) {
                        const int64_t walk = block * 16 + (slot % 2) * 8 + lane;
                        const int64_t pair = walk / stepsPerPair;
                        const int64_t step = walk % stepsPerPair;
                        // Pair 0 is the two columns beside the centre line.
                        const int64_t lowColumn =
                            isLeft ? W / 2 - 2 * (pair + 1) : W / 2 + 2 * pair;
                        const int64_t firstRow = isTop ? H / 2 - 4 * (step + 1) : H / 2 + 4 * step;
                        const int64_t x = lowColumn + slot / 2;
                        const int64_t y = firstRow + rowInStep;
                        values[slot * 8 + lane] = samples[y * W + x];
                    }
                }
                PackGroup(packed + block * 640 + quadrant * 160 + rowInStep * 40, values);
            }
        }
    }
}
