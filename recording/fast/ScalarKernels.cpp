// SPDX-License-Identifier: BSD-3-Clause
// Portable kernels: the path for CPUs without SSE4.1 and for other
// architectures. Plain loops over whole groups, which compilers vectorise
// for whatever baseline they target.
#include "recording/fast/Kernels.h"
#include "recording/fast/QuadrantTiles.h"

namespace {

void DecodeGroup(uint16_t* out, const uint8_t* b) {
    for (int k = 0; k < 8; ++k) {
        const unsigned b0 = b[k];
        const unsigned b1 = b[8 + k];
        const unsigned b2 = b[16 + k];
        const unsigned b3 = b[24 + k];
        const unsigned b4 = b[32 + k];
        out[k] = static_cast<uint16_t>(b0 << 2 | b1 >> 6);
        out[8 + k] = static_cast<uint16_t>((b1 & 0x3Fu) << 4 | b2 >> 4);
        out[16 + k] = static_cast<uint16_t>((b2 & 0x0Fu) << 6 | b3 >> 2);
        out[24 + k] = static_cast<uint16_t>((b3 & 0x03u) << 8 | b4);
    }
}

void UnpackLanesScalar(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    if (width <= 0 || rows <= 0) {
        return;
    }
    const int64_t groups = int64_t{width} * rows / 32;
    for (int64_t n = 0; n < groups; ++n) {
        DecodeGroup(destination + 32 * n, packed + 40 * n);
    }
}

// Walk positions 0..15 of a group as (lower, higher) column pairs: slots 0
// and 1 are the positions of the lower column, slots 2 and 3 the same
// positions of the higher one.
void GroupPairs(const uint8_t* group, uint16_t (*pairs)[2]) {
    uint16_t values[32];
    DecodeGroup(values, group);
    for (int t = 0; t < 16; ++t) {
        pairs[t][0] = values[t];
        pairs[t][1] = values[16 + t];
    }
}

void QuadrantBlockScalar(uint16_t* destination, const uint8_t* packed, const QuadrantGeometry& g,
                         int64_t block) {
    BlockPairs pairs;
    const uint8_t* source = packed + 640 * block;
    for (int section = 0; section < 4; ++section) {
        for (int G = 0; G < 4; ++G) {
            GroupPairs(source + 160 * section + 40 * G, pairs[section][G]);
        }
    }
    ScatterBlockPairs(destination, g, block, pairs);
}

// One section of four pairs into the tile, for every height.
void QuadrantQuadScalar(QuadrantTile& tile, const BandSpan& span, const uint8_t* packed,
                        const QuadrantGeometry& g, int64_t c, int section) {
    const StraddlingSources source = StraddlingQuad(packed, g, span, c, section);
    uint16_t* runs = TileRuns(tile, span, section, c);
    uint16_t pairs[32][2] = {};
    for (int G = 0; G < 4; ++G) {
        for (int u = 0; u < 4; ++u) {
            GroupPairs(source.first[u] + 40 * G, pairs);
            if (source.next[u] != nullptr) {
                GroupPairs(source.next[u] + 40 * G, pairs + 16);
            }
            for (int step = 0; step < span.steps; ++step) {
                std::memcpy(runs + TileRow(step, G) + 2 * u, pairs[source.offset[u] + step],
                            sizeof pairs[0]);
            }
        }
    }
}

void UnpackQuadrantsScalar(uint16_t* destination, const uint8_t* packed, int32_t width,
                           int32_t rows) {
    const QuadrantUnits units = {QuadrantQuadScalar, QuadrantQuadScalar, QuadrantBlockScalar};
    UnpackQuadrantsBanded(destination, packed, width, rows, units);
}

void CorrectRowOffsetScalar(uint16_t* samples, const int16_t* offset, int32_t count) {
    CorrectOffsetTail(samples, offset, 0, count);
}

void CorrectRowOffsetGainScalar(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                int32_t count) {
    CorrectOffsetGainTail(samples, offset, gain, 0, count);
}

void CorrectRowOffsetGain10Scalar(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                  int32_t count) {
    CorrectOffsetGain10Tail(samples, offset, gain, 0, count);
}

} // namespace

const FastKernels kScalarKernels = {UnpackLanesScalar, UnpackQuadrantsScalar,
                                    CorrectRowOffsetScalar, CorrectRowOffsetGainScalar,
                                    CorrectRowOffsetGain10Scalar};
