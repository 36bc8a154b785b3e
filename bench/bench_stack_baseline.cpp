// SPDX-License-Identifier: BSD-3-Clause
// libtiff's own loop writing a multi-page stack, the baseline of
// `quorvane-cli convert --stack`. Decodes the first few frames of the
// recording before the clock starts, then writes COUNT pages cycling through
// them (the same tags as the stack: uncompressed grey, one strip per page,
// a description and the software name) with TIFFWriteEncodedStrip and
// TIFFWriteDirectory, and prints the seconds the loop took, close included,
// then the processor seconds (user + system) it used:
//
//   bench_stack_baseline OUT.tif COUNT RECORDING BITS [decode]
//
// With "decode" the loop itself reads and decodes every frame of the
// recording (correction included) before writing its page, on one thread:
// the plain program that writes the same decoded pages.
#include "image/Packers.h"
#include "recording/VornReader.h"

#include <tiffio.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int32_t kDistinctFrames = 8;

bool LoadPages(const char* recording, int bits, int& width, int& height,
               std::vector<std::vector<uint8_t>>& pages) {
    VornReader reader;
    if (reader.Open(recording, 1) == 0) {
        return false;
    }
    width = reader.width;
    height = reader.height;
    const size_t samples = size_t(width) * size_t(height);
    std::vector<uint16_t> decoded(samples);
    for (int32_t i = 0; i < std::min(kDistinctFrames, reader.GetFrameCount()); ++i) {
        if (reader.ReadFrame(decoded.data(), i, 0x7FFFFFFF) <= 0) {
            return false;
        }
        std::vector<uint8_t> page(samples * (bits == 16 ? 2 : 1));
        PackGrayTiff(page.data(), bits == 16 ? 2 : 258, bits == 16 ? 16 : 10, width, height,
                     decoded.data());
        pages.push_back(std::move(page));
    }
    return !pages.empty();
}

double CpuSeconds() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 && !(argc == 6 && std::string(argv[5]) == "decode")) {
        std::fprintf(stderr, "usage: bench_stack_baseline OUT.tif COUNT RECORDING BITS [decode]\n");
        return 2;
    }
    const bool decode = argc == 6;
    const int count = std::atoi(argv[2]);
    const int bits = std::atoi(argv[4]);
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint8_t>> pages;
    if (!LoadPages(argv[3], bits, width, height, pages)) {
        std::fprintf(stderr, "cannot read %s\n", argv[3]);
        return 1;
    }
    const double total = double(count) * double(pages[0].size() + 512);
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    VornReader reader;
    std::vector<uint16_t> decoded(size_t(width) * size_t(height));
    if (decode && reader.Open(argv[3], 1) == 0) {
        return 1;
    }
    TIFF* t = TIFFOpen(argv[1], total > 4294967295.0 ? "w8l" : "wl");
    if (t == nullptr) {
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t>& page = pages[size_t(i) % pages.size()];
        if (decode) {
            if (reader.ReadFrame(decoded.data(), i, 0x7FFFFFFF) <= 0) {
                return 1;
            }
            PackGrayTiff(page.data(), bits == 16 ? 2 : 258, bits == 16 ? 16 : 10, width, height,
                         decoded.data());
        }
        const std::string description = "frame=" + std::to_string(i) + " recorded=" + std::to_string(i);
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, uint32_t{0});
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
        TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t{COMPRESSION_NONE});
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_MINISBLACK});
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t{1});
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
        TIFFSetField(t, TIFFTAG_XRESOLUTION, 1.0);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, 1.0);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t{PLANARCONFIG_CONTIG});
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, uint16_t{RESUNIT_NONE});
        TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
        TIFFSetField(t, TIFFTAG_SOFTWARE, "bench_stack_baseline");
        if (TIFFWriteEncodedStrip(t, 0, page.data(), tmsize_t(page.size())) < 0 ||
            TIFFWriteDirectory(t) != 1) {
            TIFFClose(t);
            return 1;
        }
    }
    TIFFClose(t);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %.6f\n", seconds, CpuSeconds() - cpuStart);
    return 0;
}
