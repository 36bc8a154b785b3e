// SPDX-License-Identifier: BSD-3-Clause
// libpng's own loop writing a PNG sequence, the baseline of `quorvane-cli
// export -o NAME.png`: on one thread, reads and decodes every frame of the
// recording (correction included), then writes it as a 16-bit grey PNG at
// the export's compression level with png_write_png's plain path, and prints
// the seconds the loop took and the processor seconds it used:
//
//   bench_png_baseline OUT_FOLDER COUNT RECORDING
#include "export/PngSink.h"
#include "recording/VornReader.h"

#include <png.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

bool WritePng(const std::string& path, int width, int height, std::vector<png_bytep>& rows) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 16, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kPngCompressionLevel);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_SWAP_ENDIAN, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_png_baseline OUT_FOLDER COUNT RECORDING\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    VornReader reader;
    if (reader.Open(argv[3], 1) == 0) {
        return 1;
    }
    const int width = reader.width;
    const int height = reader.height;
    std::vector<uint16_t> decoded(size_t(width) * size_t(height));
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[size_t(y)] = reinterpret_cast<png_bytep>(decoded.data() + size_t(y) * size_t(width));
    }
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/base_%06d.png", i);
        if (reader.ReadFrame(decoded.data(), i, 0x7FFFFFFF) <= 0 ||
            !WritePng(argv[1] + std::string(name), width, height, rows)) {
            return 1;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %.6f\n", seconds, CpuSeconds() - cpuStart);
    return 0;
}
