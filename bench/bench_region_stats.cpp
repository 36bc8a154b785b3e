// SPDX-License-Identifier: BSD-3-Clause
// A region's statistics over every frame of a recording (the scan behind
// `quorvane-cli stats`, the plot worker and Python's region_stats) against
// the plain ReadFrame loop over the same frames, one pass per iteration.
//
//   QUORVANE_BENCH_RECORDING=shot.vrn bench_region_stats
//
// Both open their reader inside the pass, with the correction, as the scan
// does. The region is the centred quarter of the frame (512 x 512 of
// 1024 x 1024), or with whole:1 the whole frame, which reads every row;
// bench/stats-bench.py drives it round by round.
#include "measure/RegionSeries.h"
#include "recording/VornReader.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

const char* Recording(benchmark::State& state, VornReader& probe) {
    const char* path = std::getenv("QUORVANE_BENCH_RECORDING");
    if (path == nullptr || probe.Open(path, 0) == 0) {
        state.SkipWithError("set QUORVANE_BENCH_RECORDING to a recording");
        return nullptr;
    }
    return path;
}

void BM_ReadFrameLoop(benchmark::State& state) {
    VornReader probe;
    const char* path = Recording(state, probe);
    if (path == nullptr) {
        return;
    }
    std::vector<uint16_t> frame(static_cast<size_t>(probe.width) * probe.height);
    for (auto _ : state) {
        VornReader reader;
        reader.Open(path, 1);
        for (int32_t i = 0; i < reader.GetFrameCount(); ++i) {
            if (reader.ReadFrame(frame.data(), i, 0x7FFFFFFF) <= 0) {
                state.SkipWithError("frame not read");
                return;
            }
            benchmark::ClobberMemory();
        }
    }
    state.counters["frames"] = probe.GetFrameCount();
}
BENCHMARK(BM_ReadFrameLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RegionStats(benchmark::State& state) {
    VornReader probe;
    const char* path = Recording(state, probe);
    if (path == nullptr) {
        return;
    }
    SeriesRequest request;
    request.recording = path;
    request.region = {probe.width / 4, probe.height / 4, probe.width / 2, probe.height / 2,
                      state.range(0) != 0};
    if (state.range(1) != 0) {
        request.region = {0, 0, probe.width, probe.height, false};
    }
    double sum = 0;
    for (auto _ : state) {
        const SeriesResult result = ScanRegionSeries(request, [&](const RegionSample& sample) {
            sum += sample.stats.mean;
            return true;
        });
        if (result.status != SeriesStatus::Done) {
            state.SkipWithError(result.message.c_str());
            return;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.counters["frames"] = probe.GetFrameCount();
}
BENCHMARK(BM_RegionStats)
    ->ArgNames({"ellipse", "whole"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
