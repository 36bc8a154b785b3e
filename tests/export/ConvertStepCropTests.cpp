// SPDX-License-Identifier: BSD-3-Clause
// `convert --step/--crop`: the files keep each frame's own index and hold the
// crop's samples, as frame files and as a stack, with one or several jobs.
#include "TestUtil.h"

#include "convert/Conversion.h"
#include "convert/Verify.h"
#include "recording/DemoRecording.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

DemoOptions Demo() {
    DemoOptions options;
    options.frames = 10;
    options.width = 64;
    options.height = 32;
    return options;
}

std::string Name(const char* base, int index) {
    char name[40];
    std::snprintf(name, sizeof name, "%s_%06d.tif", base, index);
    return name;
}

TEST(ConvertStepCrop, FilesKeepTheirIndexAndHoldTheCrop) {
    const struct {
        int bits;
        int step;
        int jobs;
        bool stack;
        std::optional<CropRect> crop;
        std::vector<int> frames;
    } cases[] = {
        {16, 3, 2, false, CropRect{5, 6, 20, 9}, {1, 4, 7}},
        {8, 2, 3, false, CropRect{0, 0, 64, 4}, {1, 3, 5, 7}},
        {16, 4, 1, false, std::nullopt, {1, 5}},
        {16, 2, 2, true, CropRect{10, 1, 7, 30}, {1, 3, 5, 7}},
        {8, 5, 2, true, CropRect{3, 3, 3, 3}, {1, 6}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ASSERT_TRUE(WriteDemoRecording(dir / "shot.vrn", Demo()));
        ConversionRequest request;
        request.recordings = {dir / "shot.vrn"};
        request.output = dir / "f.tif";
        request.bits = c.bits;
        request.first = 1;
        request.last = 7;
        request.step = c.step;
        request.crop = c.crop;
        request.jobs = c.jobs;
        request.stack = c.stack;
        request.manifest = true;
        const ConversionSummary summary = RunConversion(request, {});
        ASSERT_TRUE(summary.usageError.empty()) << summary.usageError;
        ASSERT_TRUE(summary.failed.empty()) << summary.recordings.at(0).message;
        EXPECT_TRUE(VerifyManifest(dir / "f.manifest.json").problems.empty());
        const CropRect crop = c.crop.value_or(CropRect{0, 0, 64, 32});
        std::vector<TiffImage> pages;
        if (c.stack) {
            TIFF* tiff = TIFFOpen((dir / "f.tif").c_str(), "r");
            ASSERT_NE(tiff, nullptr);
            EXPECT_EQ(TIFFNumberOfDirectories(tiff), c.frames.size());
            TIFFClose(tiff);
            for (std::size_t page = 0; page < c.frames.size(); ++page) {
                // Each page read through a copy that starts at it.
                TIFF* at = TIFFOpen((dir / "f.tif").c_str(), "r");
                ASSERT_EQ(TIFFSetDirectory(at, static_cast<tdir_t>(page)), 1);
                TiffImage image;
                TIFFGetField(at, TIFFTAG_IMAGEWIDTH, &image.width);
                TIFFGetField(at, TIFFTAG_IMAGELENGTH, &image.height);
                std::vector<uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(at)));
                for (uint32_t y = 0; y < image.height; ++y) {
                    TIFFReadScanline(at, row.data(), y, 0);
                    for (uint32_t x = 0; x < image.width; ++x) {
                        image.samples.push_back(
                            c.bits == 16 ? uint32_t{reinterpret_cast<const uint16_t*>(row.data())[x]}
                                         : uint32_t{row[x]});
                    }
                }
                TIFFClose(at);
                pages.push_back(image);
            }
        } else {
            std::vector<std::string> want{"f.manifest.json", "shot.vrn"};
            for (const int index : c.frames) {
                want.push_back(Name("f", index));
                pages.push_back(ReadTiff(dir / Name("f", index)));
            }
            std::sort(want.begin(), want.end());
            EXPECT_EQ(dir.Files(), want);
        }
        for (std::size_t k = 0; k < c.frames.size(); ++k) {
            const TiffImage& image = pages[k];
            ASSERT_EQ(image.width, static_cast<uint32_t>(crop.width));
            ASSERT_EQ(image.height, static_cast<uint32_t>(crop.height));
            const DemoScene scene(Demo(), c.frames[k]);
            for (int y = 0; y < crop.height; ++y) {
                for (int x = 0; x < crop.width; ++x) {
                    const uint32_t want = scene.Sample(crop.x + x, crop.y + y);
                    ASSERT_EQ(image.samples[static_cast<std::size_t>(y * crop.width + x)],
                              c.bits == 16 ? want : want >> 2)
                        << "frame " << c.frames[k] << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(ConvertStepCrop, RefusalsNameTheProblem) {
    TempDir dir;
    ASSERT_TRUE(WriteDemoRecording(dir / "shot.vrn", Demo()));
    ConversionRequest request;
    request.recordings = {dir / "shot.vrn"};
    request.output = dir / "f.tif";
    request.step = 0;
    EXPECT_EQ(CheckConversion(request), "--step must be a whole number of at least 1");
    request.step = 2;
    request.stack = true;
    request.skipExisting = true;
    EXPECT_NE(CheckConversion(request).find("does not combine"), std::string::npos);
    request.stack = false;
    request.crop = CropRect{60, 0, 5, 5};
    const ConversionSummary summary = RunConversion(request, {});
    ASSERT_TRUE(summary.refused);
    EXPECT_NE(summary.recordings.at(0).message.find("is not inside the frame of 64 x 32"),
              std::string::npos);
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"shot.vrn"});
}

} // namespace
