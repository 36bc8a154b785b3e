// SPDX-License-Identifier: BSD-3-Clause
// Helpers shared by the document and command-line tests: a fresh temporary
// folder per test, small recordings, and reading TIFF files back.
#pragma once

#include "recording/VornWriter.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("quorvane-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    // File names in the folder (or a subfolder), sorted.
    std::vector<std::string> Files(const std::string& sub = "") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_ / sub)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

// Sample of frame `index` at (x, y) in the test recordings: distinct per
// frame and pixel, with 1023 at (0, 0) and 3 at (1, 0).
inline uint16_t TestSample(int32_t index, int32_t x, int32_t y) {
    if (y == 0 && x == 0) {
        return 1023;
    }
    if (y == 0 && x == 1) {
        return 3;
    }
    return static_cast<uint16_t>((index * 37 + x * 5 + y * 11) % 1024);
}

// An uncorrected lane-order recording whose frames hold TestSample.
inline VornRecipe TestRecording(int32_t width, int32_t height, int32_t frames) {
    VornRecipe desc;
    desc.width = width;
    desc.height = height;
    desc.frameCount = frames;
    return desc;
}

inline VornFrameSource TestSource(const VornRecipe& desc) {
    const int32_t width = desc.width;
    const int32_t height = desc.height;
    return [width, height](int32_t index, uint16_t* samples) {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                *samples++ = TestSample(index, x, y);
            }
        }
    };
}

inline std::string WriteTestRecording(const TempDir& dir, const std::string& name,
                                      const VornRecipe& desc) {
    const std::string path = dir / name;
    if (!WriteVorn(path.c_str(), desc, TestSource(desc))) {
        return {};
    }
    return path;
}

// A TIFF file read back with libtiff; empty samples when it cannot be read.
struct TiffImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 0;
    std::vector<uint32_t> samples;
};

inline TiffImage ReadTiff(const std::string& path) {
    TiffImage image;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) {
        return image;
    }
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &image.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &image.height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &image.bits);
    std::vector<uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
    for (uint32_t y = 0; y < image.height; ++y) {
        if (TIFFReadScanline(tiff, row.data(), y, 0) < 0) {
            image.samples.clear();
            break;
        }
        for (uint32_t x = 0; x < image.width; ++x) {
            image.samples.push_back(image.bits == 16
                                        ? uint32_t{reinterpret_cast<const uint16_t*>(row.data())[x]}
                                        : uint32_t{row[x]});
        }
    }
    TIFFClose(tiff);
    return image;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
