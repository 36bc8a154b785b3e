// SPDX-License-Identifier: BSD-3-Clause
// Frame export throughput for a 1024 x 1024 recording frame: the 16-bit save of
// the resident frame image and the 8-bit export (create, pack, save, release),
// each beside a plain fopen/fwrite/fclose of the same bytes into the same
// folder. Also the per-frame display repack beside a memcpy of the frame.
//
// Output folder: $QUORVANE_BENCH_DIR, default /tmp/quorvane-bench.

#include "image/ImageBuffer.h"
#include "image/Packers.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 1024;

const std::vector<uint16_t>& Frame() {
    static const std::vector<uint16_t> frame = [] {
        std::vector<uint16_t> v(size_t{kWidth} * kHeight);
        uint32_t x = 12345;
        for (auto& s : v) {
            x = x * 1103515245u + 12345u;
            s = static_cast<uint16_t>((x >> 16) & 1023);
        }
        return v;
    }();
    return frame;
}

std::string OutputPath(const char* name) {
    const char* env = std::getenv("QUORVANE_BENCH_DIR");
    const std::filesystem::path dir = env != nullptr && *env != 0 ? env : "/tmp/quorvane-bench";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

bool RawWrite(const std::string& path, const uint8_t* data, size_t n) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const size_t written = std::fwrite(data, 1, n, f);
    return std::fclose(f) == 0 && written == n;
}

void RemoveOutput(benchmark::State& state, const std::string& path) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
}

void SetFrameCounters(benchmark::State& state, size_t bytesPerFrame) {
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytesPerFrame));
}

// The resident 16-bit frame image.
ImageBuffer& FrameImage() {
    static ImageBuffer image;
    if (!image.tiff) {
        image.CreateTiff(0, 2, 10, kWidth, kHeight, 0, nullptr);
        std::memcpy(image.GetBits(), Frame().data(), Frame().size() * 2);
    }
    return image;
}

void BM_Save16_RawBaseline(benchmark::State& state) {
    const ImageBuffer& image = FrameImage();
    const size_t n = static_cast<size_t>(image.headerSize + image.dataSize);
    const std::string path = OutputPath("raw16.tif");
    for (auto _ : state) {
        RemoveOutput(state, path);
        if (!RawWrite(path, image.tiff.get(), n))
            state.SkipWithError("write failed");
    }
    SetFrameCounters(state, n);
    std::remove(path.c_str());
}

void BM_Save16_SaveTiff(benchmark::State& state) {
    const ImageBuffer& image = FrameImage();
    const std::string path = OutputPath("save16.tif");
    for (auto _ : state) {
        RemoveOutput(state, path);
        if (image.SaveTiff(path.c_str()) != 1)
            state.SkipWithError("save failed");
    }
    SetFrameCounters(state, static_cast<size_t>(image.headerSize + image.dataSize));
    std::remove(path.c_str());
}

void BM_Export8_RawBaseline(benchmark::State& state) {
    ImageBuffer image;
    image.CreateTiff(0, 258, 10, kWidth, kHeight, 0, Frame().data());
    const size_t n = static_cast<size_t>(image.headerSize + image.dataSize);
    const std::string path = OutputPath("raw8.tif");
    for (auto _ : state) {
        RemoveOutput(state, path);
        if (!RawWrite(path, image.tiff.get(), n))
            state.SkipWithError("write failed");
    }
    SetFrameCounters(state, n);
    std::remove(path.c_str());
}

void BM_Export8_CreateSaveRelease(benchmark::State& state) {
    const std::string path = OutputPath("export8.tif");
    size_t n = 0;
    for (auto _ : state) {
        RemoveOutput(state, path);
        ImageBuffer image;
        image.CreateTiff(0, 258, 10, kWidth, kHeight, 0, Frame().data());
        if (image.SaveTiff(path.c_str()) != 1)
            state.SkipWithError("save failed");
        n = static_cast<size_t>(image.headerSize + image.dataSize);
        image.Release();
    }
    SetFrameCounters(state, n);
    std::remove(path.c_str());
}

void BM_Repack_MemcpyBaseline(benchmark::State& state) {
    std::vector<uint16_t> copy(Frame().size());
    for (auto _ : state) {
        std::memcpy(copy.data(), Frame().data(), copy.size() * 2);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    SetFrameCounters(state, copy.size() * 2);
}

void BM_Repack_PackGray8(benchmark::State& state) {
    ImageBuffer display;
    display.CreateDib(0, 2, 10, kWidth, kHeight, Frame().data());
    for (auto _ : state) {
        PackGray8(display.dibBits, 2, 10, kWidth, kHeight, Frame().data());
        benchmark::DoNotOptimize(display.dibBits);
        benchmark::ClobberMemory();
    }
    SetFrameCounters(state, Frame().size() * 2);
}

BENCHMARK(BM_Save16_RawBaseline)->UseRealTime();
BENCHMARK(BM_Save16_SaveTiff)->UseRealTime();
BENCHMARK(BM_Export8_RawBaseline)->UseRealTime();
BENCHMARK(BM_Export8_CreateSaveRelease)->UseRealTime();
BENCHMARK(BM_Repack_MemcpyBaseline);
BENCHMARK(BM_Repack_PackGray8);

// Prints each measured case's time relative to its baseline after the table:
// the median when repetitions were asked for, else the single run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration)
                times_[name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const std::pair<const char*, const char*> pairs[] = {
            {"BM_Save16_SaveTiff/real_time", "BM_Save16_RawBaseline/real_time"},
            {"BM_Export8_CreateSaveRelease/real_time", "BM_Export8_RawBaseline/real_time"},
            {"BM_Repack_PackGray8", "BM_Repack_MemcpyBaseline"},
        };
        for (const auto& [measured, baseline] : pairs) {
            const double m = Time(measured), b = Time(baseline);
            if (m <= 0 || b <= 0)
                continue;
            std::cout << measured << ": " << 1e9 / m << " frames/s, time ratio to " << baseline
                      << " (" << 1e9 / b << " frames/s) = " << m / b << "\n";
        }
    }

private:
    double Time(const std::string& name) const {
        if (const auto it = medians_.find(name); it != medians_.end())
            return it->second;
        const auto it = times_.find(name);
        return it != times_.end() ? it->second : 0;
    }

    std::map<std::string, double> times_;
    std::map<std::string, double> medians_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
