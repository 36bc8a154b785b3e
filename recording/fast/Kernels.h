// SPDX-License-Identifier: BSD-3-Clause
// Internal to recording/fast: the per-path kernel tables and the quadrant
// geometry shared by all paths.
//
// Everything here has internal linkage on purpose. This header is compiled
// into translation units built with different instruction sets; an inline
// function with external linkage would be merged by the linker, and the
// portable path could end up calling a copy built for AVX2.
#pragma once

#include "recording/fast/UnpackFast.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#define QUORVANE_FAST_X86 1
#else
#define QUORVANE_FAST_X86 0
#endif

extern const FastKernels kScalarKernels;
#if QUORVANE_FAST_X86
extern const FastKernels kSse41Kernels;
extern const FastKernels kAvx2Kernels;
#endif

namespace {

// Quadrant order: the stream of each section walks its quadrant from the
// centre outwards, column pair c by column pair, in steps i of four rows.
struct QuadrantGeometry {
    int64_t width = 0;
    int64_t halfWidth = 0;
    int64_t halfHeight = 0;
    int64_t steps = 0;  // walk positions per column pair (height / 8)
    int64_t pairs = 0;  // column pairs per quadrant (width / 4)
    int64_t blocks = 0; // whole 640-byte blocks in the frame
};

// False for frames that have no quadrant layout; nothing is written for them.
// The same geometries are refused by the portable unpacker.
inline bool QuadrantGeometryOf(int32_t width, int32_t rows, QuadrantGeometry& g) {
    if (width <= 0 || rows <= 0 || rows % 16 != 0 || width % 4 != 0) {
        return false;
    }
    g.width = width;
    g.halfWidth = width / 2;
    g.halfHeight = rows / 2;
    g.steps = rows / 8;
    g.pairs = width / 4;
    g.blocks = int64_t{width} * rows / 512;
    return true;
}

// Element of the lower-numbered column in group 0's row, for column pair c
// and step i of a section (0 top left, 1 top right, 2 bottom left, 3 bottom
// right). Group G adds G rows in every quadrant.
inline int64_t WalkElement(const QuadrantGeometry& g, int section, int64_t c, int64_t i) {
    const bool left = section % 2 == 0;
    const bool top = section < 2;
    const int64_t row = top ? g.halfHeight - 4 - 4 * i : g.halfHeight + 4 * i;
    const int64_t column = left ? g.halfWidth - 2 - 2 * c : g.halfWidth + 2 * c;
    return row * g.width + column;
}

// One block's samples paired per walk position: pairs[section][G][t] holds the
// lower and the higher column's sample of walk position 16 * block + t.
using BlockPairs = uint16_t[4][4][16][2];

// Writes a block by walk position. Works for every step count, including
// those where a block's 16 positions cross into the next column pair.
inline void ScatterBlockPairs(uint16_t* destination, const QuadrantGeometry& g, int64_t block,
                              const BlockPairs& pairs) {
    int64_t c = 16 * block / g.steps;
    int64_t i = 16 * block % g.steps;
    for (int t = 0; t < 16; ++t) {
        for (int section = 0; section < 4; ++section) {
            uint16_t* at = destination + WalkElement(g, section, c, i);
            for (int G = 0; G < 4; ++G) {
                std::memcpy(at + G * g.width, pairs[section][G][t], sizeof pairs[0][0][0]);
            }
        }
        if (++i == g.steps) {
            i = 0;
            ++c;
        }
    }
}

// Clamps to the 10-bit sample range.
inline uint16_t Clamp1023(int32_t s) {
    return static_cast<uint16_t>(s < 0 ? 0 : (s > 1023 ? 1023 : s));
}

inline void CorrectOffsetTail(uint16_t* samples, const int16_t* offset, int32_t from,
                              int32_t count) {
    for (int32_t x = from; x < count; ++x) {
        samples[x] = Clamp1023(int32_t{samples[x]} + offset[x]);
    }
}

// s = ((p + offset) * gain + 256) / 512 in 32-bit two's complement; unsigned
// arithmetic wraps where the signed product would overflow.
inline void CorrectOffsetGainTail(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                  int32_t from, int32_t count) {
    for (int32_t x = from; x < count; ++x) {
        const auto sum = static_cast<uint32_t>(int32_t{samples[x]} + offset[x]);
        const uint32_t scaled = sum * static_cast<uint32_t>(int32_t{gain[x]}) + 256u;
        const int32_t quotient = static_cast<int32_t>(scaled) / 512;
        samples[x] = Clamp1023(static_cast<int16_t>(quotient));
    }
}

// The 10-bit form of the offset-gain correction (see GainMapsNarrow): with
// the product split into its high and low 16 bits,
// floor((prod + 256) / 512) = hi * 128 + ((lo >> 1) + 128) >> 8, all of it
// in 16-bit lanes. Below zero floor and truncation differ, but both clamp to
// 0.
inline uint16_t OffsetGain10(uint16_t sample, int16_t offset, int16_t gain) {
    const int32_t product = static_cast<int16_t>(sample + offset) * int32_t{gain};
    const auto hi = static_cast<uint16_t>(static_cast<uint32_t>(product) >> 16);
    const auto lo = static_cast<uint16_t>(product);
    const auto s = static_cast<uint16_t>((hi << 7) + (((lo >> 1) + 128) >> 8));
    return Clamp1023(static_cast<int16_t>(s));
}

inline void CorrectOffsetGain10Tail(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                    int32_t from, int32_t count) {
    for (int32_t x = from; x < count; ++x) {
        samples[x] = OffsetGain10(samples[x], offset[x], gain[x]);
    }
}

} // namespace
