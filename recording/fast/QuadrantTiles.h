// SPDX-License-Identifier: BSD-3-Clause
// Internal to recording/fast: the banded, tiled writing of quadrant order
// shared by all paths. Internal linkage throughout: see Kernels.h.
#pragma once

#include "recording/fast/Kernels.h"

#include <cstdint>
#include <cstring>

namespace {

// The frame is written band by band (16 steps, 64 rows per quadrant), up to
// 32 column pairs at a time: each unit of four neighbouring pairs puts its
// walk positions into a tile as 16-byte runs of 8 columns (one per step and
// group row), and the tile is then copied out as 128-byte row pieces.
// Written straight into the frame, the runs would be short and their rows a
// power-of-two pitch apart for common widths: they would map to a handful of
// L1 sets, evict each other long before their lines were complete, and
// defeat the prefetchers.
constexpr int kBandPairs = 32;

struct BandSpan {
    int64_t firstPair = 0; // pair nearest the centre line
    int64_t pairs = 0;     // a multiple of 4, up to kBandPairs
    int64_t band = 0;      // steps 16 * band .. 16 * band + steps - 1
    int steps = 16;        // fewer only in the last band of other heights
};

constexpr int kTileRow = 2 * kBandPairs; // elements per tile row

struct QuadrantTile {
    // [section][4 * step + G][column of the band's row piece]
    alignas(64) uint16_t rows[4][64][kTileRow];
};

// Where the four pairs from pair c start in row 0 of a section; row
// 4 * step + G is (4 * step + G) * kTileRow further. Left quadrants run
// towards lower columns: their pairs are mirrored.
inline uint16_t* TileRuns(QuadrantTile& tile, const BandSpan& span, int section, int64_t c) {
    const int64_t offset = c - span.firstPair;
    const int64_t column = section % 2 == 0 ? 2 * (span.pairs - offset - 4) : 2 * offset;
    return tile.rows[section][0] + column;
}

inline constexpr int TileRow(int step, int G) {
    return (4 * step + G) * kTileRow;
}

// Section `section` of the block of pair c in the span's band, for heights
// whose column pairs hold whole blocks.
inline const uint8_t* BandSection(const uint8_t* packed, const QuadrantGeometry& g,
                                  const BandSpan& span, int64_t c, int section) {
    return packed + 640 * (c * (g.steps / 16) + span.band) + 160 * section;
}

// The four pairs from pair c, lowest column first: the outermost pair in a
// left quadrant.
inline void QuadSources(const uint8_t* packed, const QuadrantGeometry& g, const BandSpan& span,
                        int64_t c, int section, const uint8_t* source[4]) {
    for (int u = 0; u < 4; ++u) {
        source[u] = BandSection(packed, g, span, section % 2 == 0 ? c + 3 - u : c + u, section);
    }
}

// When every column pair holds whole blocks (heights that are multiples of
// 128), a band of a pair is exactly one block. For other heights a band's
// steps start at some position of a block and may run on into the next one;
// units decode both and take the band's steps from that offset.
struct StraddlingSources {
    const uint8_t* first[4];
    const uint8_t* next[4]; // null when the band ends inside the first block
    int64_t offset[4];      // of the band's first step in the first block
};

inline StraddlingSources StraddlingQuad(const uint8_t* packed, const QuadrantGeometry& g,
                                        const BandSpan& span, int64_t c, int section) {
    StraddlingSources s;
    for (int u = 0; u < 4; ++u) {
        const int64_t pair = section % 2 == 0 ? c + 3 - u : c + u;
        const int64_t position = pair * g.steps + 16 * span.band;
        s.offset[u] = position % 16;
        s.first[u] = packed + 640 * (position / 16) + 160 * section;
        // After the frame's last band there may be no next block to read.
        s.next[u] = s.offset[u] + span.steps > 16 ? s.first[u] + 640 : nullptr;
    }
    return s;
}

// Copies one 16-byte run. The vector paths supply their own: left to
// memcpy, an AVX2 build merges pairs of runs into 32-byte moves, which
// measured slower for these strided rows.
struct PortableRun {
    static void Copy(uint16_t* out, const uint16_t* in) { std::memcpy(out, in, 16); }
};

template <typename Run, int64_t Runs>
inline void CopyRuns(uint16_t* out, const uint16_t* in, int64_t runs) {
    const int64_t count = Runs > 0 ? Runs : runs;
    for (int64_t n = 0; n < count; ++n) {
        Run::Copy(out + 8 * n, in + 8 * n);
    }
}

// Copies a section's tile rows to the frame.
template <typename Run, int64_t Runs>
inline void CopySection(uint16_t* destination, const QuadrantGeometry& g, const BandSpan& span,
                        const QuadrantTile& tile, int section) {
    const int64_t lowest = section % 2 == 0 ? span.firstPair + span.pairs - 1 : span.firstPair;
    uint16_t* out = destination + WalkElement(g, section, lowest, 16 * span.band);
    const int64_t width = g.width;
    const int64_t stride = section < 2 ? -4 * width : 4 * width;
    const uint16_t* in = tile.rows[section][0];
    for (int step = 0; step < span.steps; ++step, out += stride) {
        for (int G = 0; G < 4; ++G, in += kTileRow) {
            CopyRuns<Run, Runs>(out + G * width, in, span.pairs / 4);
        }
    }
}

template <typename Run>
inline void CopyTileOut(uint16_t* destination, const QuadrantGeometry& g, const BandSpan& span,
                        const QuadrantTile& tile) {
    for (int section = 0; section < 4; ++section) {
        if (span.pairs == kBandPairs) {
            CopySection<Run, kBandPairs / 4>(destination, g, span, tile, section);
        } else {
            CopySection<Run, 0>(destination, g, span, tile, section);
        }
    }
}

// One section of four neighbouring column pairs into the tile.
using QuadUnit = void (*)(QuadrantTile& tile, const BandSpan& span, const uint8_t* packed,
                          const QuadrantGeometry& g, int64_t c, int section);

// Decoding and copying out run as separate passes over the tile: spreading
// the copy between the units (to overlap its cache misses with decoding)
// measured slower.
template <typename Run>
inline void UnpackBand(uint16_t* destination, const uint8_t* packed, const QuadrantGeometry& g,
                       const BandSpan& span, QuadrantTile& tile, QuadUnit quad) {
    for (int64_t c = span.firstPair; c < span.firstPair + span.pairs; c += 4) {
        for (int section = 0; section < 4; ++section) {
            quad(tile, span, packed, g, c, section);
        }
    }
    CopyTileOut<Run>(destination, g, span, tile);
}

// Writes all walk positions of one block, whatever pairs they belong to.
using BlockUnit = void (*)(uint16_t* destination, const uint8_t* packed, const QuadrantGeometry& g,
                           int64_t block);

struct QuadrantUnits {
    QuadUnit wholeBlocks; // heights whose column pairs hold whole blocks
    QuadUnit anyHeight;
    BlockUnit block;
};

// Quadrant order, band by band. Column pairs beyond the last group of four,
// and frames whose last block is partial, go block by block.
template <typename Run = PortableRun>
inline void UnpackQuadrantsBanded(uint16_t* destination, const uint8_t* packed, int32_t width,
                                  int32_t rows, const QuadrantUnits& units) {
    QuadrantGeometry g;
    if (!QuadrantGeometryOf(width, rows, g)) {
        return;
    }
    if (16 * g.blocks != g.pairs * g.steps) {
        for (int64_t block = 0; block < g.blocks; ++block) {
            units.block(destination, packed, g, block);
        }
        return;
    }
    const QuadUnit unit = g.steps % 16 == 0 ? units.wholeBlocks : units.anyHeight;
    const int64_t quadPairs = g.pairs / 4 * 4;
    QuadrantTile tile;
    BandSpan span;
    for (span.band = 0; 16 * span.band < g.steps; ++span.band) {
        const int64_t stepsLeft = g.steps - 16 * span.band;
        span.steps = stepsLeft < 16 ? static_cast<int>(stepsLeft) : 16;
        for (span.firstPair = 0; span.firstPair < quadPairs; span.firstPair += kBandPairs) {
            const int64_t left = quadPairs - span.firstPair;
            span.pairs = left < kBandPairs ? left : kBandPairs;
            UnpackBand<Run>(destination, packed, g, span, tile, unit);
        }
    }
    // The blocks that hold the remaining pairs' walk positions; the first of
    // them may also rewrite positions already written, with the same values.
    for (int64_t block = quadPairs * g.steps / 16; block < g.blocks; ++block) {
        units.block(destination, packed, g, block);
    }
}

} // namespace
