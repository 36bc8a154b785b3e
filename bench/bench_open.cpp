// SPDX-License-Identifier: BSD-3-Clause
// Opening a 1024 x 1024 recording with its page cache warm: the whole
// document open (reader, offset-gain correction maps, frame image, frame 0,
// display image) beside the same open of a recording without correction, the
// reader's open alone, and the floor: plain reads of the bytes an open has to
// read (header and correction blocks, then one stored frame).
#include "recording/DemoRecording.h"
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kSize = 1024;
constexpr int32_t kFrames = 4;

std::string g_corrected;   // kind-6 correction
std::string g_uncorrected; // no correction
std::string g_offset;      // kind-3 correction
std::string g_quadrants;   // quadrant order, no correction

// Recording by benchmark argument: 0 none, 1 offset-gain, 3 offset, 4 quadrants.
const std::string& PathFor(int64_t kind) {
    switch (kind) {
    case 1:
        return g_corrected;
    case 3:
        return g_offset;
    case 4:
        return g_quadrants;
    default:
        return g_uncorrected;
    }
}

void Label(benchmark::State& state) {
    static const char* const kLabels[] = {"no correction", "offset-gain", "", "offset",
                                          "quadrant order"};
    state.SetLabel(kLabels[state.range(0)]);
}

// Only the open is timed; the document is built and destroyed outside.
void BM_OpenDocument(benchmark::State& state) {
    const std::string& path = PathFor(state.range(0));
    for (auto _ : state) {
        auto document = std::make_unique<CVornDoc>();
        const auto start = std::chrono::steady_clock::now();
        const int opened = document->OnOpenDocument(path.c_str());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (opened == 0) {
            state.SkipWithError("cannot open the recording");
            break;
        }
        state.SetIterationTime(took.count());
    }
    Label(state);
}
BENCHMARK(BM_OpenDocument)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OpenReader(benchmark::State& state) {
    const std::string& path = PathFor(state.range(0));
    for (auto _ : state) {
        auto reader = std::make_unique<VornReader>();
        const auto start = std::chrono::steady_clock::now();
        const int opened = reader->Open(path.c_str(), 1);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (opened == 0) {
            state.SkipWithError("cannot open the recording");
            break;
        }
        state.SetIterationTime(took.count());
    }
    Label(state);
}
BENCHMARK(BM_OpenReader)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);

// The floor: everything ahead of the frames plus frame 0, read with plain
// read() calls into a buffer allocated once.
void BM_ReadBytesOfOpen(benchmark::State& state) {
    const std::string& path = PathFor(state.range(0));
    VornReader probe;
    if (probe.Open(path.c_str(), 0) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    const auto bytes = static_cast<size_t>(probe.framPos) + static_cast<size_t>(probe.frameBytes);
    std::vector<uint8_t> buffer(bytes);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        size_t done = 0;
        while (fd >= 0 && done < bytes) {
            const ssize_t n = ::read(fd, buffer.data() + done, bytes - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        if (fd >= 0)
            ::close(fd);
        if (done != bytes) {
            state.SkipWithError("short read");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
    Label(state);
}
BENCHMARK(BM_ReadBytesOfOpen)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// A whole ReadFrame (read from the page cache, unpack, correction) cycling
// through the frames, beside a memcpy of the same output bytes.
void BM_ReadFrame(benchmark::State& state) {
    const std::string& path = PathFor(state.range(0));
    VornReader reader;
    if (reader.Open(path.c_str(), 1) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    std::vector<uint16_t> frame(static_cast<size_t>(kSize) * kSize);
    int32_t index = 0;
    for (auto _ : state) {
        if (reader.ReadFrame(frame.data(), index, 0x7FFFFFFF) <= 0) {
            state.SkipWithError("frame not read");
            break;
        }
        index = (index + 1) % kFrames;
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.size() * 2));
    Label(state);
}
BENCHMARK(BM_ReadFrame)->Arg(1)->Arg(3)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<uint16_t> from(static_cast<size_t>(kSize) * kSize, 1);
    std::vector<uint16_t> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * 2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(from.size() * 2));
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

bool WriteRecording(const std::string& path, int correctionKind, bool quadrants = false) {
    DemoOptions options;
    options.frames = kFrames;
    options.width = kSize;
    options.height = kSize;
    options.correctionKind = correctionKind;
    options.quadrants = quadrants;
    return WriteDemoRecording(path, options);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::error_code ec;
    const auto dir =
        std::filesystem::temp_directory_path(ec) / ("quorvane-open-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir, ec);
    g_corrected = (dir / "corrected.vrn").string();
    g_uncorrected = (dir / "plain.vrn").string();
    g_offset = (dir / "offset.vrn").string();
    g_quadrants = (dir / "quadrants.vrn").string();
    const bool written = !ec && WriteRecording(g_corrected, 6) && WriteRecording(g_uncorrected, 0) &&
                         WriteRecording(g_offset, 3) && WriteRecording(g_quadrants, 0, true);
    if (written) {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    } else {
        std::fprintf(stderr, "cannot write the recordings in %s\n", dir.string().c_str());
    }
    std::filesystem::remove_all(dir, ec);
    return written ? 0 : 1;
}
