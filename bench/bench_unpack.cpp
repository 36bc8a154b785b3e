// SPDX-License-Identifier: BSD-3-Clause
// Frame unpacking throughput on a 1024 x 1024 frame, in bytes of decoded
// output per second, beside a plain copy of the same output size as the
// memory-bandwidth baseline.
#include "recording/Unpack.h"
#include "recording/VornReader.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int32_t kSide = 1024;
constexpr size_t kPixels = size_t{kSide} * kSide;
constexpr int64_t kOutputBytes = int64_t{kSide} * kSide * 2;

const std::vector<uint8_t>& Packed() {
    static const std::vector<uint8_t> packed = [] {
        std::vector<uint8_t> bytes(kPixels * 10 / 8);
        std::mt19937 random(7);
        for (auto& b : bytes) {
            b = static_cast<uint8_t>(random());
        }
        return bytes;
    }();
    return packed;
}

template <void (*Fn)(uint16_t*, const uint8_t*, int32_t, int32_t)>
void Unpack(benchmark::State& state) {
    std::vector<uint16_t> frame(kPixels);
    const auto& packed = Packed();
    for (auto _ : state) {
        Fn(frame.data(), packed.data(), kSide, kSide);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kOutputBytes);
}

void CopyBaseline(benchmark::State& state) {
    std::vector<uint16_t> source(kPixels, 0x155);
    std::vector<uint16_t> frame(kPixels);
    for (auto _ : state) {
        std::memcpy(frame.data(), source.data(), kPixels * 2);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kOutputBytes);
}

} // namespace

BENCHMARK(CopyBaseline);
BENCHMARK(Unpack<UnpackLanes>)->Name("UnpackLanes");
BENCHMARK(Unpack<UnpackLanesReference>)->Name("UnpackLanesReference");
BENCHMARK(Unpack<UnpackQuadrants>)->Name("UnpackQuadrants");
BENCHMARK(Unpack<UnpackQuadrantsReference>)->Name("UnpackQuadrantsReference");

BENCHMARK_MAIN();
