// SPDX-License-Identifier: BSD-3-Clause
// Fuzz target: the frame unpackers and the per-row correction kernels. The
// public versions and every SIMD path the machine has must give exactly what
// the short reference versions give on the same bytes, including the samples
// they must leave untouched.
//
// Input: one mode byte, a few geometry bytes, then the packed data (or the
// samples, offsets and gains for the correction kernels).
#include "fuzz/FuzzSupport.h"
#include "recording/Unpack.h"
#include "recording/VornReader.h"
#ifdef QUORVANE_FUZZ_HAVE_FAST
#include "recording/fast/UnpackFast.h"
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Every SIMD path this machine can run, not only the one dispatch picks.
template <typename Fn> void ForEachFastPath([[maybe_unused]] Fn&& fn) {
#ifdef QUORVANE_FUZZ_HAVE_FAST
    for (SimdPath path : {SimdPath::Scalar, SimdPath::Sse41, SimdPath::Avx2}) {
        if (SimdPathAvailable(path)) {
            fn(*FastKernelsFor(path));
        }
    }
#endif
}

using UnpackFn = void (*)(uint16_t*, const uint8_t*, int32_t, int32_t);

// Untouched samples keep this value, which unpacking (10 bits) never writes.
constexpr uint16_t kUnwritten = 0xBEEF;

void CompareUnpack(UnpackFn candidate, UnpackFn reference, const std::vector<uint8_t>& packed,
                   int32_t width, int32_t rows) {
    const auto n = static_cast<size_t>(width) * static_cast<size_t>(rows);
    std::vector<uint16_t> expected(n, kUnwritten);
    std::vector<uint16_t> actual(n, kUnwritten);
    reference(expected.data(), packed.data(), width, rows);
    candidate(actual.data(), packed.data(), width, rows);
    FUZZ_CHECK(actual == expected);
}

// The packed bytes get their own exactly sized block, so reading one byte
// too far is an AddressSanitizer finding.
std::vector<uint8_t> PackedBlock(const FuzzBytes& in, int32_t width, int32_t rows) {
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(rows) * 10 / 8;
    return std::vector<uint8_t>(in.Rest(), in.Rest() + bytes);
}

// Largest row count up to `rows` (in steps of `step`) whose packed frame
// fits in the remaining input; 0 when none does.
int32_t FitRows(const FuzzBytes& in, int32_t width, int32_t rows, int32_t step) {
    while (rows > 0 &&
           static_cast<size_t>(width) * static_cast<size_t>(rows) * 10 / 8 > in.RestSize()) {
        rows -= step;
    }
    return rows;
}

void FuzzLanes(FuzzBytes& in) {
    const int32_t width = 1 + in.Word() % 256;
    const int32_t rows = FitRows(in, width, 1 + in.Byte() % 64, 1);
    if (rows <= 0) {
        return;
    }
    const std::vector<uint8_t> packed = PackedBlock(in, width, rows);
    CompareUnpack(UnpackLanes, UnpackLanesReference, packed, width, rows);
    ForEachFastPath([&](const auto& k) {
        CompareUnpack(k.unpackLanes, UnpackLanesReference, packed, width, rows);
    });
}

// Only geometries the reader accepts for quadrant order: width a multiple
// of 4, height a multiple of 16. A trailing part block stays unwritten.
void FuzzQuadrants(FuzzBytes& in) {
    const int32_t width = 4 * (1 + in.Byte() % 64);
    const int32_t rows = FitRows(in, width, 16 * (1 + in.Byte() % 8), 16);
    if (rows <= 0) {
        return;
    }
    const std::vector<uint8_t> packed = PackedBlock(in, width, rows);
    CompareUnpack(UnpackQuadrants, UnpackQuadrantsReference, packed, width, rows);
    ForEachFastPath([&](const auto& k) {
        CompareUnpack(k.unpackQuadrants, UnpackQuadrantsReference, packed, width, rows);
    });
}

uint16_t Clamp10(int32_t s) {
    return static_cast<uint16_t>(std::clamp(s, 0, 1023));
}

struct CorrectionInput {
    std::vector<uint16_t> samples;
    std::vector<int16_t> offset, gain;
};

// Decoded samples are 10-bit; offsets and gains take any 16-bit value.
CorrectionInput ReadCorrectionInput(FuzzBytes& in) {
    const size_t count = std::min<size_t>(in.RestSize() / 6, 1024);
    CorrectionInput c;
    for (size_t i = 0; i < count; ++i) {
        c.samples.push_back(static_cast<uint16_t>(in.Word() & 0x3FF));
        c.offset.push_back(static_cast<int16_t>(in.Word()));
        c.gain.push_back(static_cast<int16_t>(in.Word()));
    }
    return c;
}

void FuzzOffset(FuzzBytes& in) {
    const CorrectionInput c = ReadCorrectionInput(in);
    std::vector<uint16_t> expected(c.samples.size());
    for (size_t i = 0; i < c.samples.size(); ++i) {
        expected[i] = Clamp10(int32_t{c.samples[i]} + c.offset[i]);
    }
    const auto count = static_cast<int32_t>(c.samples.size());
    std::vector<uint16_t> actual = c.samples;
    CorrectRowOffset(actual.data(), c.offset.data(), count);
    FUZZ_CHECK(actual == expected);
    ForEachFastPath([&](const auto& k) {
        std::vector<uint16_t> fast = c.samples;
        k.correctRowOffset(fast.data(), c.offset.data(), count);
        FUZZ_CHECK(fast == expected);
    });
}

void FuzzOffsetGain(FuzzBytes& in) {
    const CorrectionInput c = ReadCorrectionInput(in);
    std::vector<uint16_t> expected(c.samples.size());
    for (size_t i = 0; i < c.samples.size(); ++i) {
        // (sample + offset) * gain stays within int32 for 10-bit samples.
        const int32_t s = ((int32_t{c.samples[i]} + c.offset[i]) * c.gain[i] + 256) / 512;
        expected[i] = Clamp10(static_cast<int16_t>(static_cast<uint16_t>(s & 0xFFFF)));
    }
    const auto count = static_cast<int32_t>(c.samples.size());
    std::vector<uint16_t> actual = c.samples;
    CorrectRowOffsetGain(actual.data(), c.offset.data(), c.gain.data(), count);
    FUZZ_CHECK(actual == expected);
    ForEachFastPath([&](const auto& k) {
        std::vector<uint16_t> fast = c.samples;
        k.correctRowOffsetGain(fast.data(), c.offset.data(), c.gain.data(), count);
        FUZZ_CHECK(fast == expected);
    });
#ifdef QUORVANE_FUZZ_HAVE_FAST
    // The 10-bit form on the elements whose maps allow it, with offsets and
    // gains folded towards the range real maps have so that many do.
    CorrectionInput narrow;
    std::vector<uint16_t> narrowExpected;
    for (size_t i = 0; i < c.samples.size(); ++i) {
        const auto o = static_cast<int16_t>(c.offset[i] % 4096);
        const auto g = static_cast<int16_t>(c.gain[i] % 16384);
        if (GainMapsNarrow(&o, &g, 1)) {
            uint16_t s = c.samples[i];
            CorrectRowOffsetGain(&s, &o, &g, 1);
            narrow.samples.push_back(c.samples[i]);
            narrow.offset.push_back(o);
            narrow.gain.push_back(g);
            narrowExpected.push_back(s);
        }
    }
    FUZZ_CHECK(GainMapsNarrow(narrow.offset.data(), narrow.gain.data(),
                              static_cast<int64_t>(narrow.offset.size())));
    ForEachFastPath([&](const auto& k) {
        std::vector<uint16_t> fast = narrow.samples;
        k.correctRowOffsetGain10(fast.data(), narrow.offset.data(), narrow.gain.data(),
                                 static_cast<int32_t>(fast.size()));
        FUZZ_CHECK(fast == narrowExpected);
    });
#endif
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    switch (in.Byte() % 4) {
    case 0:
        FuzzLanes(in);
        break;
    case 1:
        FuzzQuadrants(in);
        break;
    case 2:
        FuzzOffset(in);
        break;
    default:
        FuzzOffsetGain(in);
        break;
    }
    return 0;
}
