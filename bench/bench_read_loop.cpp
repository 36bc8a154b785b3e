// SPDX-License-Identifier: BSD-3-Clause
// The C++ baseline of bench/python-read-bench.py: every frame of one
// recording read with VornReader::ReadFrame into one buffer, in order, as
// the Python package's read(i, out=buf) loop does.
//
//   QUORVANE_BENCH_RECORDING=shot.vrn bench_read_loop --benchmark_format=json
//
// One iteration is one pass over the whole recording, opened with the
// correction as the package opens it.
#include "recording/VornReader.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void BM_ReadEveryFrame(benchmark::State& state) {
    const char* path = std::getenv("QUORVANE_BENCH_RECORDING");
    VornReader reader;
    if (path == nullptr || reader.Open(path, 1) == 0) {
        state.SkipWithError("set QUORVANE_BENCH_RECORDING to a recording");
        return;
    }
    std::vector<uint16_t> frame(static_cast<size_t>(reader.width) * reader.height);
    const int32_t frames = reader.GetFrameCount();
    for (auto _ : state) {
        for (int32_t i = 0; i < frames; ++i) {
            if (reader.ReadFrame(frame.data(), i, 0x7FFFFFFF) <= 0) {
                state.SkipWithError("frame not read");
                return;
            }
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(state.iterations() * frames * static_cast<int64_t>(frame.size() * 2));
}
BENCHMARK(BM_ReadEveryFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
