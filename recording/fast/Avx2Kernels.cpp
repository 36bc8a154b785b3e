// AVX2 kernels. Built with -mavx2; runs only after the CPU check. Each
// 256-bit register carries two independent 128-bit halves (two groups, or
// two sets of four column pairs), so the 128-bit algorithms carry over with
// in-lane shuffles only.
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

inline __m256i PairQuarter(const __m256i v[4], int q) {
    const int s = q / 2;
    return q % 2 == 0 ? _mm256_unpacklo_epi16(v[s], v[s + 2])
                      : _mm256_unpackhi_epi16(v[s], v[s + 2]);
}

// Blocks of the eight column pairs from pair c, in the order their runs are
// stored: the low half of every register holds the four pairs nearer the
// lowest column, the high half the next four.
struct OctSources {
    const uint8_t* low[4];
    const uint8_t* high[4];
};

inline OctSources OctSection(const uint8_t* packed, const QuadrantGeometry& g, int64_t c,
                             int64_t band, int section) {
    const bool left = section % 2 == 0;
    OctSources s;
    for (int u = 0; u < 4; ++u) {
        s.low[u] = BandSection(packed, g, left ? c + 7 - u : c + u, band, section);
        s.high[u] = BandSection(packed, g, left ? c + 3 - u : c + 4 + u, band, section);
    }
    return s;
}

inline void DecodeOct(const OctSources& s, int G, __m256i v[4][4]) {
    for (int u = 0; u < 4; ++u) {
        DecodeGroupPair256(s.low[u] + 40 * G, s.high[u] + 40 * G, v[u]);
    }
}

// Walk positions 4q..4q+3 of eight pairs: t[e] is the 32-byte run of step
// 4q + e.
inline void OctRuns(__m256i v[4][4], int q, __m256i t[4]) {
    for (int u = 0; u < 4; ++u) {
        t[u] = PairQuarter(v[u], q);
    }
    Transpose4(t);
}

// QuadrantQuad128 for the eight column pairs from pair c.
void QuadrantOct256(const BandOut& out, const uint8_t* packed, const QuadrantGeometry& g,
                    int64_t c) {
    for (int section = 0; section < 4; ++section) {
        const OctSources source = OctSection(packed, g, c, out.band, section);
        // Vector stores may alias anything: keep what the loop reads in locals.
        const int64_t stride = out.stepStride[section];
        for (int G = 0; G < 4; ++G) {
            __m256i v[4][4];
            DecodeOct(source, G, v);
            uint16_t* row = BandRow(out, section, c, 8, G);
            for (int q = 0; q < 4; ++q) {
                __m256i t[4];
                OctRuns(v, q, t);
                for (int e = 0; e < 4; ++e, row += stride) {
                    Store256(row, t[e]);
                }
            }
        }
    }
}

// Sixteen column pairs from pair c, as two octs taken group row by group
// row, so that both 32-byte halves of each 64-byte row run are written
// within a few dozen stores. The rows go straight into the frame, where a
// half-written line would otherwise be evicted by its neighbours (for
// power-of-two row pitches they share a few L1 sets) before the other half
// arrived.
void QuadrantHex256(const BandOut& out, const uint8_t* packed, const QuadrantGeometry& g,
                    int64_t c) {
    for (int section = 0; section < 4; ++section) {
        // Left quadrants store the outer oct first.
        const bool left = section % 2 == 0;
        const OctSources octs[2] = {OctSection(packed, g, left ? c + 8 : c, out.band, section),
                                    OctSection(packed, g, left ? c : c + 8, out.band, section)};
        const int64_t stride = out.stepStride[section];
        for (int G = 0; G < 4; ++G) {
            for (int half = 0; half < 2; ++half) {
                __m256i v[4][4];
                DecodeOct(octs[half], G, v);
                uint16_t* row = BandRow(out, section, c, 16, G) + 16 * half;
                for (int q = 0; q < 4; ++q) {
                    __m256i t[4];
                    OctRuns(v, q, t);
                    for (int e = 0; e < 4; ++e, row += stride) {
                        Store256(row, t[e]);
                    }
                }
            }
        }
    }
}

void UnpackQuadrantsAvx2(uint16_t* destination, const uint8_t* packed, int32_t width,
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
    for (int64_t band = 0; band < blocksPerPair; ++band) {
        for (int64_t c0 = 0; c0 < quadPairs; c0 += kBandPairs) {
            const int64_t pairs = quadPairs - c0 < kBandPairs ? quadPairs - c0 : kBandPairs;
            const BandOut out = FrameBand(destination, g, c0, pairs, band);
            int64_t c = c0;
            if (pairs == kBandPairs) {
                QuadrantHex256(out, packed, g, c);
                continue;
            }
            for (; c + 8 <= c0 + pairs; c += 8) {
                QuadrantOct256(out, packed, g, c);
            }
            for (; c < c0 + pairs; c += 4) {
                QuadrantQuad128(out, packed, g, c);
            }
        }
    }
    QuadrantRemainder128(destination, packed, g, quadPairs);
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
inline __m256i ScaleOct256(__m256i biasedAndOffset, __m256i gains) {
    __m256i s = _mm256_madd_epi16(biasedAndOffset, gains);
    s = _mm256_add_epi32(s, _mm256_madd_epi16(gains, _mm256_set1_epi16(16384)));
    s = _mm256_add_epi32(s, _mm256_set1_epi32(256));
    const __m256i roundUp = _mm256_and_si256(_mm256_srai_epi32(s, 31), _mm256_set1_epi32(511));
    return _mm256_srai_epi32(_mm256_add_epi32(s, roundUp), 9);
}

void CorrectRowOffsetGainAvx2(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                              int32_t count) {
    const __m256i bias = _mm256_set1_epi16(static_cast<short>(0x8000));
    const __m256i lowWords = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1,
                                              -1, -1, 0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1,
                                              -1, -1, -1, -1);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi16(1023);
    int32_t x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i p = _mm256_xor_si256(Load256(samples + x), bias);
        const __m256i o = Load256(offset + x);
        const __m256i k = Load256(gain + x);
        const __m256i lo = ScaleOct256(_mm256_unpacklo_epi16(p, o), _mm256_unpacklo_epi16(k, k));
        const __m256i hi = ScaleOct256(_mm256_unpackhi_epi16(p, o), _mm256_unpackhi_epi16(k, k));
        // In-lane unpacks keep samples 0..7 in the low half, 8..15 in the high.
        const __m256i s = _mm256_unpacklo_epi64(_mm256_shuffle_epi8(lo, lowWords),
                                                _mm256_shuffle_epi8(hi, lowWords));
        Store256(samples + x, _mm256_min_epi16(_mm256_max_epi16(s, zero), top));
    }
    CorrectOffsetGain128(samples + x, offset + x, gain + x, count - x);
}

} // namespace

const FastKernels kAvx2Kernels = {UnpackLanesAvx2, UnpackQuadrantsAvx2, CorrectRowOffsetAvx2,
                                  CorrectRowOffsetGainAvx2};

#endif
