// SPDX-License-Identifier: BSD-3-Clause
// Vectorised unpackers and correction row kernels with runtime dispatch.
//
// Each entry point has the contract of its portable counterpart
// (UnpackLanes / UnpackQuadrants in VornReader.h, CorrectRowOffset /
// CorrectRowOffsetGain in Unpack.h) and produces the same bits. The kernel
// set is chosen once, on first use: the best one this CPU runs (AVX2, then
// SSE4.1, then portable C++), unless QUORVANE_SIMD names a set ("scalar",
// "sse41" or "avx2") for tests and benchmarks. A named set the CPU cannot run
// falls back to the best one below it.
#pragma once

#include <cstdint>

void UnpackLanesFast(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows);
void UnpackQuadrantsFast(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows);
void CorrectRowOffsetFast(uint16_t* samples, const int16_t* offset, int32_t count);
void CorrectRowOffsetGainFast(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                              int32_t count);

// CorrectRowOffsetGainFast for 10-bit samples (0..1023) and maps that pass
// GainMapsNarrow: the same bits from plain 16-bit multiplies. Other input
// gives meaningless samples.
void CorrectRowOffsetGain10Fast(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                int32_t count);

// True when for every element, and every sample p in 0..1023, p + offset
// fits int16 and ((p + offset) * gain + 256) / 512 lies within int16: then
// the result needs neither 32-bit arithmetic nor its truncation toward zero.
bool GainMapsNarrow(const int16_t* offset, const int16_t* gain, int64_t count);

enum class SimdPath : int { Scalar = 0, Sse41 = 1, Avx2 = 2 };

struct FastKernels {
    void (*unpackLanes)(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows);
    void (*unpackQuadrants)(uint16_t* destination, const uint8_t* packed, int32_t width,
                            int32_t rows);
    void (*correctRowOffset)(uint16_t* samples, const int16_t* offset, int32_t count);
    void (*correctRowOffsetGain)(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                 int32_t count);
    void (*correctRowOffsetGain10)(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                   int32_t count);
};

// "scalar", "sse41" or "avx2".
const char* SimdPathName(SimdPath path);

// True when the set is built into this binary and this CPU can run it.
bool SimdPathAvailable(SimdPath path);

// The kernel set of one path, or null when it is not available; lets tests
// and benchmarks run every path in one process.
const FastKernels* FastKernelsFor(SimdPath path);

// The path the *Fast entry points use.
SimdPath ActiveSimdPath();

// The choice made at first use: `request` is the QUORVANE_SIMD value (null or
// unknown = automatic); the flags say what the CPU runs.
SimdPath ChooseSimdPath(const char* request, bool hasSse41, bool hasAvx2);
