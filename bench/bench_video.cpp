// SPDX-License-Identifier: BSD-3-Clause
// The two sides of bench/video-bench.sh, on frames the reader decodes (the
// offset-gain correction included):
//
//   bench_video sink FORMAT RECORDING OUT [JOBS [QUALITY]]
//       the video sink, one pass from decoded frame to file; FORMAT is mp4,
//       mkv or avi; prints the seconds it took and its processor seconds
//   bench_video raw BITS RECORDING
//       every frame raw to stdout, 16 (gray16le, the 10-bit values) or 8
//       (gray, the standard mapping sample >> 2): the source of a pipe into
//       another encoder
#include "export/VideoSink.h"
#include "recording/VornReader.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

double CpuSeconds() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void ToGrey(const std::vector<uint16_t>& samples, std::vector<uint8_t>& grey) {
    for (size_t i = 0; i < samples.size(); ++i)
        grey[i] = uint8_t(samples[i] >> 2);
}

bool OpenRecording(VornReader& reader, const char* path) {
    if (reader.Open(path, 1) == 0) {
        std::fprintf(stderr, "cannot open %s: %s\n", path, VornErrorText(reader.error));
        return false;
    }
    return true;
}

// Decodes every frame in turn and hands it, with its standard 8-bit grey
// when `grey` is set, to `use`; false when a read or `use` failed.
template <typename Use> bool EachFrame(VornReader& reader, bool grey, Use use) {
    std::vector<uint16_t> samples(size_t(reader.width) * size_t(reader.height));
    std::vector<uint8_t> greys(grey ? samples.size() : 0);
    const int32_t capacity = int32_t(samples.size() * 2);
    for (int32_t i = 0; i < reader.GetFrameCount(); ++i) {
        if (reader.ReadFrame(samples.data(), i, capacity) != capacity)
            return false;
        if (grey)
            ToGrey(samples, greys);
        if (!use(i, samples, greys))
            return false;
    }
    return true;
}

int Sink(const char* format, const char* recording, const char* out, int jobs, int quality) {
    const auto start = std::chrono::steady_clock::now();
    VornReader reader;
    if (!OpenRecording(reader, recording))
        return 1;
    SinkSetup setup;
    setup.format = std::strcmp(format, "mp4") == 0   ? ExportFormat::Mp4
                  : std::strcmp(format, "avi") == 0 ? ExportFormat::Avi
                                                    : ExportFormat::Mkv;
    setup.path = out;
    setup.width = reader.width;
    setup.height = reader.height;
    setup.frames = reader.GetFrameCount();
    setup.jobs = jobs;
    setup.quality = quality;
    std::string error;
    auto sink = MakeVideoSink(setup, error);
    if (!sink) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const bool written = EachFrame(reader, sink->WantsGrey(), [&](int32_t i, const auto& samples,
                                                                  const auto& grey) {
        ExportFrame frame;
        frame.index = i;
        frame.samples = samples.data();
        frame.grey = grey.empty() ? nullptr : grey.data();
        return sink->Write(frame);
    });
    if (!written || !sink->Finish()) {
        std::fprintf(stderr, "%s\n", sink->Error().c_str());
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f %.6f\n", took.count(), CpuSeconds());
    return 0;
}

int Raw(int bits, const char* recording) {
    VornReader reader;
    if (!OpenRecording(reader, recording))
        return 1;
    const bool written = EachFrame(reader, bits == 8, [&](int32_t, const auto& samples,
                                                          const auto& grey) {
        return bits == 8 ? std::fwrite(grey.data(), 1, grey.size(), stdout) == grey.size()
                         : std::fwrite(samples.data(), 2, samples.size(), stdout) == samples.size();
    });
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "sink") == 0)
        return Sink(argv[2], argv[3], argv[4], argc > 5 ? std::atoi(argv[5]) : 2,
                    argc > 6 ? std::atoi(argv[6]) : 18);
    if (argc == 4 && std::strcmp(argv[1], "raw") == 0)
        return Raw(std::atoi(argv[2]), argv[3]);
    std::fprintf(stderr, "usage: bench_video sink mp4|mkv|avi RECORDING OUT [JOBS [QUALITY]]\n"
                         "       bench_video raw 16|8 RECORDING\n");
    return 2;
}
