// 128-bit kernels, included by the SSE4.1 and the AVX2 translation units
// (the latter uses them for remainders). Internal linkage throughout: see
// Kernels.h.
#pragma once

#include "recording/fast/Kernels.h"

#include <smmintrin.h>

namespace {

inline __m128i Load128(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

inline void Store128(void* p, __m128i v) {
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

inline __m128i Splat16(int v) {
    return _mm_set1_epi16(static_cast<short>(v));
}

// Decodes one 40-byte group. The eight lanes lie side by side, so byte row r
// (bytes 8r..8r+7) holds field r of all lanes: interleaving rows r and r + 1
// gives words (row r << 8 | row r+1) per lane, and value row r is a shift and
// mask of that word. out[r] = values 8r..8r+7.
inline void DecodeGroup128(const uint8_t* b, __m128i out[4]) {
    const __m128i r01 = Load128(b);
    const __m128i r12 = Load128(b + 8);
    const __m128i r23 = Load128(b + 16);
    const __m128i r34 = Load128(b + 24);
    const __m128i mask = Splat16(0x3FF);
    out[0] = _mm_srli_epi16(_mm_unpacklo_epi8(r12, r01), 6);
    out[1] = _mm_and_si128(_mm_srli_epi16(_mm_unpackhi_epi8(r12, r01), 4), mask);
    out[2] = _mm_and_si128(_mm_srli_epi16(_mm_unpacklo_epi8(r34, r23), 2), mask);
    out[3] = _mm_and_si128(_mm_unpackhi_epi8(r34, r23), mask);
}

inline void UnpackLanes128(uint16_t* destination, const uint8_t* packed, int64_t groups) {
    for (int64_t n = 0; n < groups; ++n) {
        __m128i v[4];
        DecodeGroup128(packed + 40 * n, v);
        uint16_t* out = destination + 32 * n;
        Store128(out, v[0]);
        Store128(out + 8, v[1]);
        Store128(out + 16, v[2]);
        Store128(out + 24, v[3]);
    }
}

// 4 x 4 transpose of 32-bit elements (one element = one column pair).
inline void Transpose4(__m128i v[4]) {
    const __m128i a = _mm_unpacklo_epi32(v[0], v[1]);
    const __m128i b = _mm_unpacklo_epi32(v[2], v[3]);
    const __m128i c = _mm_unpackhi_epi32(v[0], v[1]);
    const __m128i d = _mm_unpackhi_epi32(v[2], v[3]);
    v[0] = _mm_unpacklo_epi64(a, b);
    v[1] = _mm_unpackhi_epi64(a, b);
    v[2] = _mm_unpacklo_epi64(c, d);
    v[3] = _mm_unpackhi_epi64(c, d);
}

// Walk positions 4q..4q+3 of a decoded group as (lower, higher) column pairs:
// slots 0/1 feed the lower column, slots 2/3 the higher one.
inline __m128i PairQuarter(const __m128i v[4], int q) {
    const int s = q / 2;
    return q % 2 == 0 ? _mm_unpacklo_epi16(v[s], v[s + 2]) : _mm_unpackhi_epi16(v[s], v[s + 2]);
}

// Block of any column pair, through the scalar scatter.
inline void QuadrantBlock128(uint16_t* destination, const uint8_t* packed,
                             const QuadrantGeometry& g, int64_t block) {
    alignas(16) BlockPairs pairs;
    const uint8_t* source = packed + 640 * block;
    for (int section = 0; section < 4; ++section) {
        for (int G = 0; G < 4; ++G) {
            __m128i v[4];
            DecodeGroup128(source + 160 * section + 40 * G, v);
            for (int q = 0; q < 4; ++q) {
                Store128(pairs[section][G][4 * q], PairQuarter(v, q));
            }
        }
    }
    ScatterBlockPairs(destination, g, block, pairs);
}

// Column pairs from `firstPair` outwards, block by block; used for the one
// to three pairs left over beyond the last group of four.
inline void QuadrantRemainder128(uint16_t* destination, const uint8_t* packed,
                                 const QuadrantGeometry& g, int64_t firstPair) {
    const int64_t blocksPerPair = g.steps / 16;
    for (int64_t c = firstPair; c < g.pairs; ++c) {
        for (int64_t band = 0; band < blocksPerPair; ++band) {
            QuadrantBlock128(destination, packed, g, c * blocksPerPair + band);
        }
    }
}

// When every column pair holds whole blocks (16 steps per block), the
// blocks of neighbouring pairs cover the same steps: four of them give one
// 16-byte run per (step, group row), eight one 32-byte run. The frame is
// written band by band (16 steps, 64 rows per quadrant), up to 16 column
// pairs at a time.
constexpr int kBandPairs = 16;

// Where the column pairs firstPair .. firstPair + pairs - 1 of one band go:
// the frame itself, or a staging tile.
struct BandOut {
    // Per section: step 0, group row 0, at the lowest column the pairs fill.
    uint16_t* origin[4] = {};
    int64_t stepStride[4] = {}; // elements from one step to the next
    int64_t groupStride = 0;    // elements from one group row to the next
    int64_t firstPair = 0;      // pair nearest the centre line
    int64_t pairs = 0;          // 4, 8, 12 or 16
    int64_t band = 0;           // steps 16 * band .. 16 * band + 15
};

inline BandOut FrameBand(uint16_t* destination, const QuadrantGeometry& g, int64_t firstPair,
                         int64_t pairs, int64_t band) {
    BandOut out;
    for (int section = 0; section < 4; ++section) {
        const bool left = section % 2 == 0;
        const int64_t lowest = left ? firstPair + pairs - 1 : firstPair;
        out.origin[section] = destination + WalkElement(g, section, lowest, 16 * band);
        out.stepStride[section] = section < 2 ? -4 * g.width : 4 * g.width;
    }
    out.groupStride = g.width;
    out.firstPair = firstPair;
    out.pairs = pairs;
    out.band = band;
    return out;
}

// Row of step 0, group row G, of a section at the first column of
// `unitPairs` pairs from pair c; each further step is stepStride[section]
// away. Left quadrants run towards lower columns: their pairs are mirrored.
inline uint16_t* BandRow(const BandOut& out, int section, int64_t c, int64_t unitPairs, int G) {
    const int64_t offset = c - out.firstPair;
    const int64_t column = section % 2 == 0 ? 2 * (out.pairs - offset - unitPairs) : 2 * offset;
    return out.origin[section] + G * out.groupStride + column;
}

// Section `section` of the block of pair c in band `band`.
inline const uint8_t* BandSection(const uint8_t* packed, const QuadrantGeometry& g, int64_t c,
                                  int64_t band, int section) {
    return packed + 640 * (c * (g.steps / 16) + band) + 160 * section;
}

// Four neighbouring column pairs c..c+3. Transposing the four blocks' pairs
// turns each (step, group row) into one 16-byte run of 8 columns.
inline void QuadrantQuad128(const BandOut& out, const uint8_t* packed, const QuadrantGeometry& g,
                            int64_t c) {
    for (int section = 0; section < 4; ++section) {
        const bool left = section % 2 == 0;
        // The lowest column comes first: the outermost pair on the left.
        const uint8_t* source[4];
        for (int u = 0; u < 4; ++u) {
            source[u] = BandSection(packed, g, left ? c + 3 - u : c + u, out.band, section);
        }
        // Vector stores may alias anything: keep what the loop reads in locals.
        const int64_t stride = out.stepStride[section];
        for (int G = 0; G < 4; ++G) {
            __m128i v[4][4];
            for (int u = 0; u < 4; ++u) {
                DecodeGroup128(source[u] + 40 * G, v[u]);
            }
            uint16_t* row = BandRow(out, section, c, 4, G);
            for (int q = 0; q < 4; ++q) {
                __m128i t[4] = {PairQuarter(v[0], q), PairQuarter(v[1], q), PairQuarter(v[2], q),
                                PairQuarter(v[3], q)};
                Transpose4(t);
                for (int e = 0; e < 4; ++e, row += stride) {
                    Store128(row, t[e]);
                }
            }
        }
    }
}

// The 128-bit path assembles each band's 16 pairs in a contiguous tile and
// copies whole 64-byte row runs out: written straight into the frame, the
// rows lie a power-of-two pitch apart for common widths, map to a handful
// of L1 sets, and evict each other long before their lines are complete.
struct QuadrantTile {
    alignas(64) uint16_t rows[4][64][2 * kBandPairs]; // [section][4 * step + G][column]
};

inline BandOut TileBand(QuadrantTile& tile, int64_t firstPair, int64_t pairs, int64_t band) {
    BandOut out;
    for (int section = 0; section < 4; ++section) {
        out.origin[section] = tile.rows[section][0];
        out.stepStride[section] = 4 * 2 * kBandPairs;
    }
    out.groupStride = 2 * kBandPairs;
    out.firstPair = firstPair;
    out.pairs = pairs;
    out.band = band;
    return out;
}

inline void CopyTileOut(const BandOut& frame, const QuadrantTile& tile) {
    const int64_t runs = frame.pairs / 4; // 16-byte runs per row
    for (int section = 0; section < 4; ++section) {
        const int64_t stride = frame.stepStride[section];
        for (int G = 0; G < 4; ++G) {
            uint16_t* out = BandRow(frame, section, frame.firstPair, frame.pairs, G);
            for (int step = 0; step < 16; ++step, out += stride) {
                const uint16_t* in = tile.rows[section][4 * step + G];
                for (int64_t n = 0; n < runs; ++n) {
                    Store128(out + 8 * n, Load128(in + 8 * n));
                }
            }
        }
    }
}

// Quadrant order on the 128-bit path. Other heights, and column pairs beyond
// the last group of four, go block by block.
inline void UnpackQuadrants128(uint16_t* destination, const uint8_t* packed, int32_t width,
                               int32_t rows) {
    QuadrantGeometry g;
    if (!QuadrantGeometryOf(width, rows, g)) {
        return;
    }
    if (g.steps % 16 != 0) {
        for (int64_t block = 0; block < g.blocks; ++block) {
            QuadrantBlock128(destination, packed, g, block);
        }
        return;
    }
    const int64_t blocksPerPair = g.steps / 16;
    const int64_t quadPairs = g.pairs / 4 * 4;
    QuadrantTile tile;
    for (int64_t c0 = 0; c0 < quadPairs; c0 += kBandPairs) {
        const int64_t pairs = quadPairs - c0 < kBandPairs ? quadPairs - c0 : kBandPairs;
        for (int64_t band = 0; band < blocksPerPair; ++band) {
            const BandOut staged = TileBand(tile, c0, pairs, band);
            for (int64_t c = c0; c < c0 + pairs; c += 4) {
                QuadrantQuad128(staged, packed, g, c);
            }
            CopyTileOut(FrameBand(destination, g, c0, pairs, band), tile);
        }
    }
    QuadrantRemainder128(destination, packed, g, quadPairs);
}

inline void CorrectOffset128(uint16_t* samples, const int16_t* offset, int32_t count) {
    // Saturating 16-bit form of clamp(p + offset, 0, 1023): p above 33791
    // gives 1023 with any offset, so capping it there loses nothing, and
    // biasing by -32768 puts every remaining sum in signed saturation's reach.
    const __m128i cap = Splat16(1023 + 32768);
    const __m128i bias = Splat16(0x8000);
    const __m128i top = Splat16(1023 - 32768);
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m128i p = _mm_min_epu16(Load128(samples + x), cap);
        const __m128i s = _mm_adds_epi16(_mm_xor_si128(p, bias), Load128(offset + x));
        Store128(samples + x, _mm_xor_si128(_mm_min_epi16(s, top), bias));
    }
    CorrectOffsetTail(samples, offset, x, count);
}

// ((p + offset) * gain + 256) / 512 for four samples given as word pairs
// (p - 32768, offset) and (gain, gain): pmaddwd forms (p - 32768 + offset) *
// gain modulo 2^32, and gain * 32768 restores the bias.
inline __m128i ScaleQuad128(__m128i biasedAndOffset, __m128i gains) {
    const __m128i half = _mm_set1_epi16(16384);
    __m128i s = _mm_madd_epi16(biasedAndOffset, gains);
    s = _mm_add_epi32(s, _mm_madd_epi16(gains, half));
    s = _mm_add_epi32(s, _mm_set1_epi32(256));
    // Division by 512 truncating toward zero.
    const __m128i roundUp = _mm_and_si128(_mm_srai_epi32(s, 31), _mm_set1_epi32(511));
    return _mm_srai_epi32(_mm_add_epi32(s, roundUp), 9);
}

inline void CorrectOffsetGain128(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                 int32_t count) {
    const __m128i bias = Splat16(0x8000);
    // Low 16 bits of each 32-bit quotient, gathered into the low 8 bytes.
    const __m128i lowWords = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = Splat16(1023);
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m128i p = _mm_xor_si128(Load128(samples + x), bias);
        const __m128i o = Load128(offset + x);
        const __m128i k = Load128(gain + x);
        const __m128i lo = ScaleQuad128(_mm_unpacklo_epi16(p, o), _mm_unpacklo_epi16(k, k));
        const __m128i hi = ScaleQuad128(_mm_unpackhi_epi16(p, o), _mm_unpackhi_epi16(k, k));
        const __m128i s =
            _mm_unpacklo_epi64(_mm_shuffle_epi8(lo, lowWords), _mm_shuffle_epi8(hi, lowWords));
        Store128(samples + x, _mm_min_epi16(_mm_max_epi16(s, zero), top));
    }
    CorrectOffsetGainTail(samples, offset, gain, x, count);
}

} // namespace
