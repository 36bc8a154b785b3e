// SPDX-License-Identifier: BSD-3-Clause
// Chooses the kernel set once and forwards the *Fast entry points to it.
// Built without any instruction-set options, so it runs on every CPU.
#include "recording/fast/Kernels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if QUORVANE_FAST_X86 && defined(_MSC_VER) && !defined(__clang__)
#include <immintrin.h>
#include <intrin.h>
#endif

namespace {

struct CpuFeatures {
    bool sse41 = false;
    bool avx2 = false;
};

CpuFeatures DetectCpu() {
    CpuFeatures cpu;
#if QUORVANE_FAST_X86 && (defined(__GNUC__) || defined(__clang__))
    // The runtime's check for AVX2 includes the OS saving YMM state (XGETBV).
    __builtin_cpu_init();
    cpu.sse41 = __builtin_cpu_supports("sse4.1") != 0;
    cpu.avx2 = __builtin_cpu_supports("avx2") != 0;
#elif QUORVANE_FAST_X86 && defined(_MSC_VER)
    int regs[4] = {};
    __cpuid(regs, 0);
    const int maxLeaf = regs[0];
    __cpuid(regs, 1);
    const unsigned ecx1 = static_cast<unsigned>(regs[2]);
    cpu.sse41 = (ecx1 & (1u << 19)) != 0;
    const bool osSavesYmm =
        (ecx1 & (1u << 27)) != 0 && (ecx1 & (1u << 28)) != 0 && (_xgetbv(0) & 6) == 6;
    if (maxLeaf >= 7 && osSavesYmm) {
        __cpuidex(regs, 7, 0);
        cpu.avx2 = (static_cast<unsigned>(regs[1]) & (1u << 5)) != 0;
    }
#endif
    return cpu;
}

const char* SimdRequest() {
#if defined(_MSC_VER)
    // getenv is deprecated there; the value is read once, before any use.
    static char value[16] = {};
    size_t length = 0;
    if (getenv_s(&length, value, sizeof value, "QUORVANE_SIMD") != 0 || length == 0) {
        return nullptr;
    }
    return value;
#else
    return std::getenv("QUORVANE_SIMD");
#endif
}

const FastKernels& Active() {
    // Initialised on first use; thread-safe as every function-local static.
    static const FastKernels& kernels = *FastKernelsFor(ActiveSimdPath());
    return kernels;
}

} // namespace

SimdPath ChooseSimdPath(const char* request, bool hasSse41, bool hasAvx2) {
    const SimdPath best = hasAvx2 ? SimdPath::Avx2 : hasSse41 ? SimdPath::Sse41 : SimdPath::Scalar;
    if (request == nullptr) {
        return best;
    }
    if (std::strcmp(request, "scalar") == 0) {
        return SimdPath::Scalar;
    }
    if (std::strcmp(request, "sse41") == 0) {
        return hasSse41 ? SimdPath::Sse41 : SimdPath::Scalar;
    }
    return best; // "avx2", and anything unknown
}

const char* SimdPathName(SimdPath path) {
    switch (path) {
    case SimdPath::Sse41:
        return "sse41";
    case SimdPath::Avx2:
        return "avx2";
    case SimdPath::Scalar:
        break;
    }
    return "scalar";
}

const FastKernels* FastKernelsFor(SimdPath path) {
    static const CpuFeatures cpu = DetectCpu();
    switch (path) {
    case SimdPath::Scalar:
        return &kScalarKernels;
#if QUORVANE_FAST_X86
    case SimdPath::Sse41:
        return cpu.sse41 ? &kSse41Kernels : nullptr;
    case SimdPath::Avx2:
        return cpu.avx2 ? &kAvx2Kernels : nullptr;
#else
    case SimdPath::Sse41:
    case SimdPath::Avx2:
        static_cast<void>(cpu);
        return nullptr;
#endif
    default:
        return nullptr;
    }
}

bool SimdPathAvailable(SimdPath path) {
    return FastKernelsFor(path) != nullptr;
}

SimdPath ActiveSimdPath() {
    static const SimdPath path = ChooseSimdPath(SimdRequest(), SimdPathAvailable(SimdPath::Sse41),
                                                SimdPathAvailable(SimdPath::Avx2));
    return path;
}

void UnpackLanesFast(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    Active().unpackLanes(destination, packed, width, rows);
}

void UnpackQuadrantsFast(uint16_t* destination, const uint8_t* packed, int32_t width,
                         int32_t rows) {
    Active().unpackQuadrants(destination, packed, width, rows);
}

void CorrectRowOffsetFast(uint16_t* samples, const int16_t* offset, int32_t count) {
    Active().correctRowOffset(samples, offset, count);
}

void CorrectRowOffsetGainFast(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                              int32_t count) {
    Active().correctRowOffsetGain(samples, offset, gain, count);
}

void CorrectRowOffsetGain10Fast(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                                int32_t count) {
    Active().correctRowOffsetGain10(samples, offset, gain, count);
}

bool GainMapsNarrow(const int16_t* offset, const int16_t* gain, int64_t count) {
    // The quotient's int16 range, as bounds of (p + offset) * gain + 256.
    // With 16-bit offsets and gains every term below fits int32. Plain
    // min / max reductions, which the compiler vectorises.
    constexpr int32_t kLow = -32768 * 512;
    constexpr int32_t kHigh = 32768 * 512 - 1;
    int32_t lowest = 0;
    int32_t highest = 0;
    int32_t largestOffset = 0;
    for (int64_t e = 0; e < count; ++e) {
        const int32_t o = offset[e];
        const int32_t k = gain[e];
        // Linear in p: the ends 0 and 1023 bound every sample.
        const int32_t a = o * k + 256;
        const int32_t b = a + 1023 * k;
        lowest = std::min(lowest, std::min(a, b));
        highest = std::max(highest, std::max(a, b));
        largestOffset = std::max(largestOffset, o);
    }
    return largestOffset <= 32767 - 1023 && lowest >= kLow && highest <= kHigh;
}
