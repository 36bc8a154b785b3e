// SPDX-License-Identifier: BSD-3-Clause
// Fast kernels on a 1024 x 1024 frame, hot in cache: every available path's
// unpackers (lane and quadrant order) and correction passes (offset, and
// offset with gain), against memcpy of the same output bytes in the same run;
// quadrant order also at 1280 x 720, which takes the tiling for other heights.
// Throughput is in bytes of output (2 bytes per sample); after the table the
// run prints each benchmark's throughput as a multiple of memcpy's.
//
//   build-release/bench/bench_fast --benchmark_repetitions=5
#include "recording/Unpack.h"
#include "recording/VornReader.h"
#include "recording/fast/UnpackFast.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kRows = 1024;
constexpr size_t kSamples = size_t{kWidth} * kRows;
constexpr int64_t kOutputBytes = int64_t{kSamples} * 2;

struct Frame {
    std::vector<uint8_t> packed;
    std::vector<uint16_t> source; // for memcpy and as the samples to correct
    std::vector<uint16_t> output;
    std::vector<int16_t> offset;
    std::vector<int16_t> gain;

    Frame()
        : packed(kSamples * 10 / 8), source(kSamples), output(kSamples), offset(kSamples),
          gain(kSamples) {
        std::mt19937 random(42);
        for (auto& b : packed) {
            b = static_cast<uint8_t>(random());
        }
        // Values a real sensor map holds: small offsets, gains near unity.
        for (size_t e = 0; e < kSamples; ++e) {
            source[e] = static_cast<uint16_t>(random() % 1024);
            offset[e] = static_cast<int16_t>(static_cast<int>(random() % 101) - 50);
            gain[e] = static_cast<int16_t>(400 + random() % 225);
        }
    }
};

Frame& TheFrame() {
    static Frame frame;
    return frame;
}

void Finish(benchmark::State& state, Frame& f) {
    state.SetBytesProcessed(state.iterations() * kOutputBytes);
    benchmark::DoNotOptimize(f.output.data());
}

void Memcpy(benchmark::State& state) {
    Frame& f = TheFrame();
    for (auto _ : state) {
        std::memcpy(f.output.data(), f.source.data(), size_t{kOutputBytes});
        benchmark::ClobberMemory();
    }
    Finish(state, f);
}

using UnpackFn = void (*)(uint16_t*, const uint8_t*, int32_t, int32_t);
using OffsetFn = void (*)(uint16_t*, const int16_t*, int32_t);
using OffsetGainFn = void (*)(uint16_t*, const int16_t*, const int16_t*, int32_t);

void Unpack(benchmark::State& state, UnpackFn unpack) {
    Frame& f = TheFrame();
    for (auto _ : state) {
        unpack(f.output.data(), f.packed.data(), kWidth, kRows);
        benchmark::ClobberMemory();
    }
    Finish(state, f);
}

// A height whose column pairs do not hold whole blocks (90 steps each).
void Unpack720(benchmark::State& state, UnpackFn unpack) {
    Frame& f = TheFrame();
    for (auto _ : state) {
        unpack(f.output.data(), f.packed.data(), 1280, 720);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 1280 * 720 * 2);
    benchmark::DoNotOptimize(f.output.data());
}

// Each pass corrects fresh samples, as a frame read does; restoring them is
// not timed.
void Offset(benchmark::State& state, OffsetFn correct) {
    Frame& f = TheFrame();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(f.output.data(), f.source.data(), size_t{kOutputBytes});
        state.ResumeTiming();
        for (size_t y = 0; y < kRows; ++y) {
            correct(f.output.data() + y * kWidth, f.offset.data() + y * kWidth, kWidth);
        }
        benchmark::ClobberMemory();
    }
    Finish(state, f);
}

void OffsetGain(benchmark::State& state, OffsetGainFn correct) {
    Frame& f = TheFrame();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(f.output.data(), f.source.data(), size_t{kOutputBytes});
        state.ResumeTiming();
        for (size_t y = 0; y < kRows; ++y) {
            const size_t at = y * kWidth;
            correct(f.output.data() + at, f.offset.data() + at, f.gain.data() + at, kWidth);
        }
        benchmark::ClobberMemory();
    }
    Finish(state, f);
}

void RegisterAll() {
    benchmark::RegisterBenchmark("memcpy", Memcpy);
    for (const SimdPath path : {SimdPath::Scalar, SimdPath::Sse41, SimdPath::Avx2}) {
        const FastKernels* k = FastKernelsFor(path);
        if (k == nullptr) {
            continue;
        }
        const std::string name = SimdPathName(path);
        benchmark::RegisterBenchmark(("lanes/" + name).c_str(), Unpack, k->unpackLanes);
        benchmark::RegisterBenchmark(("quadrants/" + name).c_str(), Unpack, k->unpackQuadrants);
        benchmark::RegisterBenchmark(("quadrants_1280x720/" + name).c_str(), Unpack720,
                                     k->unpackQuadrants);
        benchmark::RegisterBenchmark(("offset/" + name).c_str(), Offset, k->correctRowOffset);
        benchmark::RegisterBenchmark(("offset_gain/" + name).c_str(), OffsetGain,
                                     k->correctRowOffsetGain);
        // The 16-bit form the reader takes for maps that allow it.
        benchmark::RegisterBenchmark(("offset_gain_narrow/" + name).c_str(), OffsetGain,
                                     k->correctRowOffsetGain10);
    }
    // The library's own entry points and the definitions, for comparison.
    benchmark::RegisterBenchmark("lanes/UnpackLanes", Unpack, UnpackLanes);
    benchmark::RegisterBenchmark("lanes/reference", Unpack, UnpackLanesReference);
    benchmark::RegisterBenchmark("quadrants/UnpackQuadrants", Unpack, UnpackQuadrants);
    benchmark::RegisterBenchmark("quadrants/reference", Unpack, UnpackQuadrantsReference);
    benchmark::RegisterBenchmark("quadrants_1280x720/UnpackQuadrants", Unpack720, UnpackQuadrants);
    benchmark::RegisterBenchmark("offset/CorrectRowOffset", Offset, CorrectRowOffset);
    benchmark::RegisterBenchmark("offset_gain/CorrectRowOffsetGain", OffsetGain,
                                 CorrectRowOffsetGain);
}

// Console output plus, at the end, every benchmark's output rate relative to
// memcpy (the median when repetitions are asked for).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const auto rate = run.counters.find("bytes_per_second");
            if (run.error_occurred || rate == run.counters.end() ||
                (run.run_type == Run::RT_Aggregate && !median)) {
                continue;
            }
            const std::string name = run.run_name.str();
            if (rates_.count(name) == 0) {
                order_.push_back(name);
            }
            rates_[name] = rate->second.value;
        }
    }

    void PrintRatios() const {
        const auto base = rates_.find("memcpy");
        if (base == rates_.end() || base->second <= 0) {
            return;
        }
        std::printf("\n%-36s %10s %10s\n", "output rate", "GB/s", "x memcpy");
        for (const std::string& name : order_) {
            const double rate = rates_.at(name);
            std::printf("%-36s %10.2f %10.3f\n", name.c_str(), rate / 1e9, rate / base->second);
        }
        std::printf("(kernels chosen for this CPU: %s)\n", SimdPathName(ActiveSimdPath()));
    }

private:
    std::map<std::string, double> rates_;
    std::vector<std::string> order_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RegisterAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
