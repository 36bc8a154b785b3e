// SPDX-License-Identifier: BSD-3-Clause
// AVX2 kernels. Built with -mavx2; runs only after the CPU check. They
// follow the 128-bit ones (Sse41Impl.h), with twice the data per register:
// two groups side by side for lane order, one whole group for quadrant
// order, sixteen samples for the corrections.
#include "recording/fast/Kernels.h"

#if QUORVANE_FAST_X86

#include "recording/fast/Sse41Impl.h"

#include <immintrin.h>

namespace {

inline __m256i Load256(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

inline void Store256(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

inline __m256i LoadHalves(const uint8_t* low, const uint8_t* high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(low)), Load128(high), 1);
}

// DecodeGroup128 on group `a` in the low half and group `b` in the high half.
inline void DecodeGroupPair256(const uint8_t* a, const uint8_t* b, __m256i out[4]) {
    const __m256i r01 = LoadHalves(a, b);
    const __m256i r12 = LoadHalves(a + 8, b + 8);
    const __m256i r23 = LoadHalves(a + 16, b + 16);
    const __m256i r34 = LoadHalves(a + 24, b + 24);
    const __m256i mask = _mm256_set1_epi16(0x3FF);
    out[0] = _mm256_srli_epi16(_mm256_unpacklo_epi8(r12, r01), 6);
    out[1] = _mm256_and_si256(_mm256_srli_epi16(_mm256_unpackhi_epi8(r12, r01), 4), mask);
    out[2] = _mm256_and_si256(_mm256_srli_epi16(_mm256_unpacklo_epi8(r34, r23), 2), mask);
    out[3] = _mm256_and_si256(_mm256_unpackhi_epi8(r34, r23), mask);
}

void UnpackLanesAvx2(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    if (width <= 0 || rows <= 0) {
        return;
    }
    const int64_t groups = int64_t{width} * rows / 32;
    int64_t n = 0;
    for (; n + 2 <= groups; n += 2) {
        __m256i v[4];
        DecodeGroupPair256(packed + 40 * n, packed + 40 * n + 40, v);
        uint16_t* out = destination + 32 * n;
        Store256(out, _mm256_permute2x128_si256(v[0], v[1], 0x20));
        Store256(out + 16, _mm256_permute2x128_si256(v[2], v[3], 0x20));
        Store256(out + 32, _mm256_permute2x128_si256(v[0], v[1], 0x31));
        Store256(out + 48, _mm256_permute2x128_si256(v[2], v[3], 0x31));
    }
    UnpackLanes128(destination + 32 * n, packed + 40 * n, groups - n);
}

inline void Transpose4(__m256i v[4]) {
    const __m256i a = _mm256_unpacklo_epi32(v[0], v[1]);
    const __m256i b = _mm256_unpacklo_epi32(v[2], v[3]);
    const __m256i c = _mm256_unpackhi_epi32(v[0], v[1]);
    const __m256i d = _mm256_unpackhi_epi32(v[2], v[3]);
    v[0] = _mm256_unpacklo_epi64(a, b);
    v[1] = _mm256_unpackhi_epi64(a, b);
    v[2] = _mm256_unpacklo_epi64(c, d);
    v[3] = _mm256_unpackhi_epi64(c, d);
}

// Half h of one group's 16 walk positions as (lower, higher) column pairs:
// positions 8h..8h+3 in the low half of the result, 8h+4..8h+7 in the high
// half. The pair of position k (slots 0 and 2) is made of the words (byte
// row 0 << 8 | row 1) and (row 2 << 8 | row 3) of lane k; of position 8 + k
// (slots 1 and 3), of rows 1 / 2 and 3 / 4. A dword permute gathers lanes
// 0..3 of four byte rows in the low half and lanes 4..7 in the high half, a
// byte shuffle forms the words, and a multiply moves each value to the top
// ten bits so that one shift extracts both of a pair.
inline __m256i GroupPairs256(const uint8_t* b, int h) {
    const __m256i gather = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256i words = _mm256_setr_epi8(4, 0, 12, 8, 5, 1, 13, 9, 6, 2, 14, 10, 7, 3, 15, 11, 4,
                                           0, 12, 8, 5, 1, 13, 9, 6, 2, 14, 10, 7, 3, 15, 11);
    const __m256i scale =
        h == 0 ? _mm256_set1_epi32(1 | 16 << 16) : _mm256_set1_epi32(4 | 64 << 16);
    const __m256i rows = _mm256_permutevar8x32_epi32(Load256(b + 8 * h), gather);
    return _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_shuffle_epi8(rows, words), scale), 6);
}

// QuadrantQuad128 with one group per register: after the 4 x 4 transpose,
// t[e] holds the runs of steps 8h + e and 8h + e + 4 in its two halves.
void QuadrantQuad256(QuadrantTile& tile, const BandSpan& span, const uint8_t* packed,
                     const QuadrantGeometry& g, int64_t c, int section) {
    const uint8_t* source[4];
    QuadSources(packed, g, span, c, section, source);
    uint16_t* runs = TileRuns(tile, span, section, c);
    for (int G = 0; G < 4; ++G) {
        for (int h = 0; h < 2; ++h) {
            __m256i t[4];
            for (int u = 0; u < 4; ++u) {
                t[u] = GroupPairs256(source[u] + 40 * G, h);
            }
            Transpose4(t);
            for (int e = 0; e < 4; ++e) {
                Store128(runs + TileRow(8 * h + e, G), _mm256_castsi256_si128(t[e]));
                Store128(runs + TileRow(8 * h + e + 4, G), _mm256_extracti128_si256(t[e], 1));
            }
        }
    }
}

// QuadrantQuadAnyHeight128 with the 256-bit group decoder.
void QuadrantQuadAnyHeight256(QuadrantTile& tile, const BandSpan& span, const uint8_t* packed,
                              const QuadrantGeometry& g, int64_t c, int section) {
    const StraddlingSources source = StraddlingQuad(packed, g, span, c, section);
    uint16_t* runs = TileRuns(tile, span, section, c);
    alignas(32) uint16_t pairs[4][32][2] = {};
    for (int G = 0; G < 4; ++G) {
        for (int u = 0; u < 4; ++u) {
            for (int b = 0; b < 2; ++b) {
                const uint8_t* block = b == 0 ? source.first[u] : source.next[u];
                if (block == nullptr) {
                    continue;
                }
                // Each half holds positions 8h..8h+7 in order.
                Store256(pairs[u][16 * b], GroupPairs256(block + 40 * G, 0));
                Store256(pairs[u][16 * b + 8], GroupPairs256(block + 40 * G, 1));
            }
        }
        for (int h = 0; h < 2; ++h) {
            __m256i t[4];
            for (int u = 0; u < 4; ++u) {
                t[u] = Load256(pairs[u][source.offset[u] + 8 * h]);
            }
            Transpose4(t);
            for (int e = 0; e < 4; ++e) {
                Store128(runs + TileRow(8 * h + e, G), _mm256_castsi256_si128(t[e]));
                Store128(runs + TileRow(8 * h + e + 4, G), _mm256_extracti128_si256(t[e], 1));
            }
        }
    }
}

void UnpackQuadrantsAvx2(uint16_t* destination, const uint8_t* packed, int32_t width,
                         int32_t rows) {
    const QuadrantUnits units = {QuadrantQuad256, QuadrantQuadAnyHeight256, QuadrantBlock128};
    UnpackQuadrantsBanded<Run128>(destination, packed, width, rows, units);
}

// See CorrectOffset128.
void CorrectRowOffsetAvx2(uint16_t* samples, const int16_t* offset, int32_t count) {
    const __m256i cap = _mm256_set1_epi16(static_cast<short>(1023 + 32768));
    const __m256i bias = _mm256_set1_epi16(static_cast<short>(0x8000));
    const __m256i top = _mm256_set1_epi16(1023 - 32768);
    int32_t x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i p = _mm256_min_epu16(Load256(samples + x), cap);
        const __m256i s = _mm256_adds_epi16(_mm256_xor_si256(p, bias), Load256(offset + x));
        Store256(samples + x, _mm256_xor_si256(_mm256_min_epi16(s, top), bias));
    }
    CorrectOffset128(samples + x, offset + x, count - x);
}

// See ScaleQuad128.
inline __m256i ScaleEight256(__m256i biasedAndOffset, __m256i gains) {
    __m256i s = _mm256_madd_epi16(biasedAndOffset, gains);
    s = _mm256_add_epi32(s, _mm256_madd_epi16(gains, _mm256_set1_epi16(16384)));
    s = _mm256_add_epi32(s, _mm256_set1_epi32(256));
    const __m256i roundUp = _mm256_and_si256(_mm256_srai_epi32(s, 31), _mm256_set1_epi32(511));
    return _mm256_srai_epi32(_mm256_add_epi32(s, roundUp), 9);
}

void CorrectRowOffsetGainAvx2(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                              int32_t count) {
    const __m256i bias = _mm256_set1_epi16(static_cast<short>(0x8000));
    const __m256i lowWords =
        _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1, 0, 1, 4, 5, 8, 9,
                         12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi16(1023);
    int32_t x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i p = _mm256_xor_si256(Load256(samples + x), bias);
        const __m256i o = Load256(offset + x);
        const __m256i k = Load256(gain + x);
        const __m256i lo = ScaleEight256(_mm256_unpacklo_epi16(p, o), _mm256_unpacklo_epi16(k, k));
        const __m256i hi = ScaleEight256(_mm256_unpackhi_epi16(p, o), _mm256_unpackhi_epi16(k, k));
        // In-lane unpacks keep samples 0..7 in the low half, 8..15 in the high.
        const __m256i s = _mm256_unpacklo_epi64(_mm256_shuffle_epi8(lo, lowWords),
                                                _mm256_shuffle_epi8(hi, lowWords));
        Store256(samples + x, _mm256_min_epi16(_mm256_max_epi16(s, zero), top));
    }
    CorrectOffsetGain128(samples + x, offset + x, gain + x, count - x);
}

// See OffsetGain10 in Kernels.h.
void CorrectRowOffsetGain10Avx2(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                int32_t count) {
    const __m256i round = _mm256_set1_epi16(128);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi16(1023);
    int32_t x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i sum = _mm256_add_epi16(Load256(samples + x), Load256(offset + x));
        const __m256i k = Load256(gain + x);
        const __m256i hi = _mm256_mulhi_epi16(sum, k);
        const __m256i lo = _mm256_mullo_epi16(sum, k);
        const __m256i frac =
            _mm256_srli_epi16(_mm256_add_epi16(_mm256_srli_epi16(lo, 1), round), 8);
        const __m256i s = _mm256_add_epi16(_mm256_slli_epi16(hi, 7), frac);
        Store256(samples + x, _mm256_min_epi16(_mm256_max_epi16(s, zero), top));
    }
    CorrectOffsetGain10x128(samples + x, offset + x, gain + x, count - x);
}

} // namespace

const FastKernels kAvx2Kernels = {UnpackLanesAvx2, UnpackQuadrantsAvx2, CorrectRowOffsetAvx2,
                                  CorrectRowOffsetGainAvx2, CorrectRowOffsetGain10Avx2};

#endif
