// SPDX-License-Identifier: BSD-3-Clause
// 128-bit kernels, included by the SSE4.1 and the AVX2 translation units
// (the latter uses them for remainders). Internal linkage throughout: see
// Kernels.h.
#pragma once

#include "recording/fast/Kernels.h"
#include "recording/fast/QuadrantTiles.h"

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

struct Run128 {
    static void Copy(uint16_t* out, const uint16_t* in) { Store128(out, Load128(in)); }
};

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

// One section of the four pairs from pair c into the tile, for heights whose
// column pairs hold whole blocks: the four blocks cover the same steps, and
// transposing their pairs turns each (step, group row) into one run.
inline void QuadrantQuad128(QuadrantTile& tile, const BandSpan& span, const uint8_t* packed,
                            const QuadrantGeometry& g, int64_t c, int section) {
    const uint8_t* source[4];
    QuadSources(packed, g, span, c, section, source);
    uint16_t* runs = TileRuns(tile, span, section, c);
    for (int G = 0; G < 4; ++G) {
        __m128i v[4][4];
        for (int u = 0; u < 4; ++u) {
            DecodeGroup128(source[u] + 40 * G, v[u]);
        }
        for (int q = 0; q < 4; ++q) {
            __m128i t[4] = {PairQuarter(v[0], q), PairQuarter(v[1], q), PairQuarter(v[2], q),
                            PairQuarter(v[3], q)};
            Transpose4(t);
            for (int e = 0; e < 4; ++e) {
                Store128(runs + TileRow(4 * q + e, G), t[e]);
            }
        }
    }
}

// QuadrantQuad128 for other heights, through a buffer of both blocks' pairs.
inline void QuadrantQuadAnyHeight128(QuadrantTile& tile, const BandSpan& span,
                                     const uint8_t* packed, const QuadrantGeometry& g, int64_t c,
                                     int section) {
    const StraddlingSources source = StraddlingQuad(packed, g, span, c, section);
    uint16_t* runs = TileRuns(tile, span, section, c);
    // Positions the band does not reach are loaded but never copied out;
    // zeroing once keeps them defined.
    alignas(16) uint16_t pairs[4][32][2] = {};
    for (int G = 0; G < 4; ++G) {
        for (int u = 0; u < 4; ++u) {
            for (int b = 0; b < 2; ++b) {
                const uint8_t* block = b == 0 ? source.first[u] : source.next[u];
                if (block == nullptr) {
                    continue;
                }
                __m128i v[4];
                DecodeGroup128(block + 40 * G, v);
                for (int q = 0; q < 4; ++q) {
                    Store128(pairs[u][16 * b + 4 * q], PairQuarter(v, q));
                }
            }
        }
        for (int q = 0; q < 4; ++q) {
            __m128i t[4];
            for (int u = 0; u < 4; ++u) {
                t[u] = Load128(pairs[u][source.offset[u] + 4 * q]);
            }
            Transpose4(t);
            for (int e = 0; e < 4; ++e) {
                Store128(runs + TileRow(4 * q + e, G), t[e]);
            }
        }
    }
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
    const __m128i lowWords =
        _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
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

// OffsetGain10 on eight samples.
inline __m128i OffsetGain10x8(__m128i p, __m128i o, __m128i k) {
    const __m128i sum = _mm_add_epi16(p, o);
    const __m128i hi = _mm_mulhi_epi16(sum, k);
    const __m128i lo = _mm_mullo_epi16(sum, k);
    const __m128i frac = _mm_srli_epi16(_mm_add_epi16(_mm_srli_epi16(lo, 1), Splat16(128)), 8);
    const __m128i s = _mm_add_epi16(_mm_slli_epi16(hi, 7), frac);
    return _mm_min_epi16(_mm_max_epi16(s, _mm_setzero_si128()), Splat16(1023));
}

inline void CorrectOffsetGain10x128(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                    int32_t count) {
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        Store128(samples + x,
                 OffsetGain10x8(Load128(samples + x), Load128(offset + x), Load128(gain + x)));
    }
    CorrectOffsetGain10Tail(samples, offset, gain, x, count);
}

} // namespace
