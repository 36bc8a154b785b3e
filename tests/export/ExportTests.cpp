// SPDX-License-Identifier: BSD-3-Clause
// The export engine: refusals, PNG and OME-TIFF read back with their own
// libraries, the frames an interrupted or failing run leaves, the manifest.
#include "TestUtil.h"

#include "convert/Verify.h"
#include "export/Export.h"
#include "export/GreyMap.h"
#include "export/Overlay.h"
#include "recording/DemoRecording.h"

#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>

namespace {

DemoOptions Demo() {
    DemoOptions options;
    options.frames = 12;
    options.width = 64;
    options.height = 48;
    options.firstNumber = -5;
    return options;
}

struct ExportFixture : ::testing::Test {
    TempDir dir;
    std::string recording = dir / "shot.vrn";
    void SetUp() override { ASSERT_TRUE(WriteDemoRecording(recording, Demo())); }

    ExportRequest Request(const std::string& output) const {
        ExportRequest request;
        request.recordings = {recording};
        request.output = dir / output;
        request.jobs = 2;
        return request;
    }
};

struct Png {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<uint16_t> samples;
    std::map<std::string, std::string> text;
};

Png ReadPng(const std::string& path) {
    Png png;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return png;
    }
    png_structp read = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(read);
    png_init_io(read, file);
    png_read_png(read, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png.width = static_cast<int>(png_get_image_width(read, info));
    png.height = static_cast<int>(png_get_image_height(read, info));
    png.bits = png_get_bit_depth(read, info);
    png_bytepp rows = png_get_rows(read, info);
    for (int y = 0; y < png.height; ++y) {
        for (int x = 0; x < png.width; ++x) {
            const png_bytep p = rows[y] + x * (png.bits / 8);
            png.samples.push_back(png.bits == 16 ? static_cast<uint16_t>(p[0] << 8 | p[1]) : p[0]);
        }
    }
    png_textp texts = nullptr;
    const int count = png_get_text(read, info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        png.text[texts[i].key] = texts[i].text;
    }
    png_destroy_read_struct(&read, &info, nullptr);
    std::fclose(file);
    return png;
}

// The decoded sample of the demo recording's frame `index`.
uint16_t Decoded(int index, int x, int y) {
    return DemoScene(Demo(), index).Sample(x, y);
}

TEST_F(ExportFixture, RefusedRequestsNameTheirProblem) {
    ExportRequest several = Request("out.png");
    several.recordings.push_back(recording);
    const struct {
        const char* name;
        std::function<void(ExportRequest&)> change;
        std::string problem;
    } cases[] = {
        {"unknown extension", [](ExportRequest& r) { r.output += ".bin"; }, "ends in .bin"},
        {"step 0", [](ExportRequest& r) { r.step = 0; }, "--step must be"},
        {"several without a folder", [&](ExportRequest& r) { r = several; },
         "with several recordings -o must name an existing folder"},
        {"rate/N without a rate", [](ExportRequest& r) { r.fps = "rate/4"; }, "give --rate"},
        {"rate/0", [](ExportRequest& r) { r.rate = 1000; r.fps = "rate/0"; }, "at least 1"},
        {"time overlay without a rate", [](ExportRequest& r) { r.overlay.time = true; },
         "--overlay time needs"},
        {"8 bits for a stack", [&](ExportRequest& r) { r.output = dir / "s.ome.tif"; r.bits = 8; },
         "--bits 8 applies to PNG only"},
        {"output is the recording", [&](ExportRequest& r) { r.format = ExportFormat::OmeTiff; r.output = recording; },
         "would overwrite the recording"},
    };
    for (const auto& c : cases) {
        ExportRequest request = Request("out.png");
        c.change(request);
        const std::string problem = CheckExport(request);
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
    }
}

TEST(ExportOptions, TextsReadOrAreRefused) {
    CropRect crop;
    std::string error;
    EXPECT_TRUE(ParseCrop("1,2,30,40", crop, error));
    EXPECT_EQ(crop.x + crop.y + crop.width + crop.height, 73);
    for (const char* bad : {"1,2,3", "1,2,0,4", "-1,0,4,4", "a,b,c,d", "1,2,3,4,"}) {
        EXPECT_FALSE(ParseCrop(bad, crop, error)) << bad;
    }
    const struct {
        const char* text;
        bool ok;
        ExportRange::Kind kind;
        double low, high;
    } ranges[] = {
        {"standard", true, ExportRange::Kind::Standard, 0, 1023},
        {"AUTO", true, ExportRange::Kind::Auto, 0, 1023},
        {"1%,99.5%", true, ExportRange::Kind::Percentile, 1, 99.5},
        {"64,900", true, ExportRange::Kind::Values, 64, 900},
        {"900,64", false, {}, 0, 0},
        {"0,1024", false, {}, 0, 0},
        {"5%,101%", false, {}, 0, 0},
        {"5%,90", false, {}, 0, 0},
    };
    for (const auto& r : ranges) {
        ExportRange range;
        ASSERT_EQ(ParseExportRange(r.text, range, error), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(range.kind, r.kind) << r.text;
            EXPECT_EQ(range.low, r.low);
            EXPECT_EQ(range.high, r.high);
        }
    }
    ExportOverlay overlay;
    EXPECT_TRUE(ParseOverlay("number,scale", overlay, error));
    EXPECT_TRUE(overlay.number && overlay.scale && !overlay.time);
    EXPECT_FALSE(ParseOverlay("number,colour", overlay, error));
    const std::pair<const char*, std::optional<ExportFormat>> names[] = {
        {"a.MP4", ExportFormat::Mp4}, {"b.ome.TIFF", ExportFormat::OmeTiff},
        {"c.ome.tif", ExportFormat::OmeTiff}, {"d.tif", std::nullopt}, {"e.png", ExportFormat::Png}};
    for (const auto& [name, format] : names) {
        EXPECT_EQ(FormatOfName(name), format) << name;
    }
}

TEST_F(ExportFixture, CropOutsideTheFrameIsRefusedNamingItsSize) {
    ExportRequest request = Request("out.png");
    request.crop = CropRect{10, 10, 60, 10};
    const ExportSummary summary = RunExport(request, {});
    ASSERT_TRUE(summary.refused);
    EXPECT_NE(summary.recordings.at(0).message.find("not inside the frame of 64 x 48"),
              std::string::npos);
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"shot.vrn"});
}

TEST_F(ExportFixture, PngSequenceHoldsTheDecodedFrames) {
    const struct {
        int bits;
        int step;
        std::optional<CropRect> crop;
        std::vector<int> frames;
    } cases[] = {
        {16, 1, std::nullopt, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {16, 5, CropRect{3, 4, 20, 10}, {0, 5, 10}},
        {8, 4, CropRect{0, 8, 64, 8}, {0, 4, 8}},
    };
    for (const auto& c : cases) {
        TempDir out;
        ExportRequest request = Request("");
        request.output = out / "seq.png";
        request.bits = c.bits;
        request.step = c.step;
        request.crop = c.crop;
        request.rate = 1000;
        const ExportSummary summary = RunExport(request, {});
        ASSERT_TRUE(summary.usageError.empty()) << summary.usageError;
        ASSERT_TRUE(summary.failed.empty()) << summary.recordings.at(0).message;
        ASSERT_EQ(summary.files, static_cast<int64_t>(c.frames.size()));
        const CropRect crop = c.crop.value_or(CropRect{0, 0, 64, 48});
        for (const int index : c.frames) {
            char name[32];
            std::snprintf(name, sizeof name, "seq_%06d.png", index);
            const Png png = ReadPng(out / name);
            ASSERT_EQ(png.width, crop.width) << name;
            ASSERT_EQ(png.height, crop.height);
            ASSERT_EQ(png.bits, c.bits);
            EXPECT_EQ(png.text.at("frame"), std::to_string(index));
            EXPECT_EQ(png.text.at("number"), std::to_string(index - 5));
            EXPECT_EQ(std::stod(png.text.at("time")), (index - 5) / 1000.0);
            for (int y = 0; y < crop.height; ++y) {
                for (int x = 0; x < crop.width; ++x) {
                    const uint16_t want = Decoded(index, crop.x + x, crop.y + y);
                    ASSERT_EQ(png.samples[static_cast<std::size_t>(y * crop.width + x)],
                              c.bits == 16 ? want : want >> 2)
                        << name << " at " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(out.Files().size(), c.frames.size());
    }
}

TEST_F(ExportFixture, OmeTiffStackReadsBackWithLibtiff) {
    ExportRequest request = Request("stack.ome.tif");
    request.step = 2;
    request.first = 1;
    request.rate = 2000;
    request.manifest = true;
    const ExportSummary summary = RunExport(request, {});
    ASSERT_TRUE(summary.failed.empty()) << summary.recordings.at(0).message;
    TIFF* tiff = TIFFOpen((dir / "stack.ome.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    int pages = 0;
    do {
        const int index = 1 + 2 * pages;
        uint32_t width = 0;
        uint32_t height = 0;
        uint16_t bits = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        ASSERT_EQ(width, 64u);
        ASSERT_EQ(height, 48u);
        ASSERT_EQ(bits, 16);
        char* description = nullptr;
        const bool described = TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description) == 1;
        EXPECT_EQ(described, pages == 0);
        if (pages == 0) {
            const std::string xml = description;
            for (const char* part : {"DimensionOrder=\"XYZCT\"", "Type=\"uint16\"", "SizeT=\"6\"",
                                     "TheT=\"5\" DeltaT=\"0.003\" DeltaTUnit=\"s\""}) {
                EXPECT_NE(xml.find(part), std::string::npos) << part;
            }
        }
        std::vector<uint16_t> row(64);
        for (uint32_t y = 0; y < height; y += 7) {
            ASSERT_EQ(TIFFReadScanline(tiff, row.data(), y, 0), 1);
            for (int x = 0; x < 64; ++x) {
                ASSERT_EQ(row[static_cast<std::size_t>(x)], Decoded(index, x, static_cast<int>(y)));
            }
        }
        ++pages;
    } while (TIFFReadDirectory(tiff) == 1);
    TIFFClose(tiff);
    EXPECT_EQ(pages, 6);
    const ManifestVerdict verdict = VerifyManifest(dir / "stack.manifest.json");
    EXPECT_TRUE(verdict.problems.empty());
    EXPECT_EQ(verdict.files, 1u);
}

TEST(ExportCancel, InterruptedRunsLeaveNothingPartial) {
    TempDir dir;
    DemoOptions options;
    options.frames = 200;
    options.width = 256;
    options.height = 256;
    ASSERT_TRUE(WriteDemoRecording(dir / "long.vrn", options));
    // The stack is cancelled as it starts (it is written too fast to catch
    // in the middle); the sequence some way in.
    for (const char* output : {"seq.png", "stack.ome.tif"}) {
        const bool atStart = std::string(output) == "stack.ome.tif";
        TempDir out;
        ExportRequest request;
        request.recordings = {dir / "long.vrn"};
        request.output = out / output;
        request.manifest = true;
        request.jobs = 2;
        std::atomic<bool> cancel{false};
        ExportHooks hooks;
        hooks.cancel = &cancel;
        hooks.started = [&](const std::string&) {
            if (atStart) {
                cancel = true;
                return;
            }
            std::thread([&cancel] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                cancel = true;
            }).detach();
        };
        const ExportSummary summary = RunExport(request, hooks);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ASSERT_TRUE(summary.cancelled) << output;
        const std::vector<std::string> left = out.Files();
        if (std::string(output) == "stack.ome.tif") {
            EXPECT_TRUE(left.empty()) << left.front();
            continue;
        }
        EXPECT_LT(left.size(), 200u);
        for (std::size_t i = 0; i < left.size(); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "seq_%06zu.png", i);
            ASSERT_EQ(left[i], name); // the first frames in order; no temporary, no manifest
        }
    }
}

TEST_F(ExportFixture, AFailingFrameKeepsExactlyTheFramesBeforeIt) {
    for (const int jobs : {1, 3}) {
        TempDir out;
        std::filesystem::create_directory(out / "seq_000006.png");
        ExportRequest request = Request("");
        request.output = out / "seq.png";
        request.jobs = jobs;
        const ExportSummary summary = RunExport(request, {});
        ASSERT_EQ(summary.failed.size(), 1u);
        EXPECT_NE(summary.recordings.at(0).message.find("frame 6"), std::string::npos)
            << summary.recordings.at(0).message;
        std::vector<std::string> want;
        for (int i = 0; i <= 6; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "seq_%06d.png", i);
            want.push_back(name);
        }
        EXPECT_EQ(out.Files(), want) << "jobs " << jobs;
    }
}

TEST_F(ExportFixture, PngManifestVerifies) {
    ExportRequest request = Request("seq.png");
    request.manifest = true;
    request.step = 3;
    ASSERT_TRUE(RunExport(request, {}).failed.empty());
    const ManifestVerdict verdict = VerifyManifest(dir / "seq.manifest.json");
    EXPECT_TRUE(verdict.problems.empty());
    EXPECT_EQ(verdict.files, 4u);
}

TEST(ExportGrey, RangesMapTheirWindow) {
    const std::vector<uint16_t> first{100, 200, 300, 400};
    const std::vector<uint16_t> second{50, 600};
    const struct {
        ExportRange range;
        uint16_t black, white; // samples that map to 0 and 255
    } cases[] = {
        {{ExportRange::Kind::Standard, 0, 1023}, 0, 1023},
        {{ExportRange::Kind::Auto, 0, 0}, 50, 600},
        {{ExportRange::Kind::Values, 64, 900}, 64, 900},
        {{ExportRange::Kind::Percentile, 0, 100}, 100, 400},
    };
    for (const auto& c : cases) {
        RangeProbe probe;
        probe.Add(first.data(), first.size());
        probe.Add(second.data(), second.size());
        const DisplayLut lut = probe.Lut(c.range);
        EXPECT_EQ(lut[c.black], 0);
        EXPECT_EQ(lut[c.white], 255);
    }
}

TEST(ExportOverlayDrawing, TextAndScaleBarLandInTheirCorners) {
    constexpr int kWidth = 200;
    constexpr int kHeight = 100;
    const auto bright = [](const std::vector<uint8_t>& image, int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                count += image[static_cast<std::size_t>(y * kWidth + x)] == 255;
            }
        }
        return count;
    };
    const Scale scale{412, 10, "mm"};
    const struct {
        ExportOverlay overlay;
        bool topLeft, bottomRight;
    } cases[] = {
        {{false, false, false}, false, false},
        {{true, false, false}, true, false},
        {{false, true, true}, true, true},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> image(kWidth * kHeight, 128);
        BurnOverlay(image.data(), kWidth, kHeight, kWidth, c.overlay, {12, -476, -0.00024}, scale);
        EXPECT_EQ(bright(image, 0, 0, kWidth / 2, kHeight / 2) > 0, c.topLeft);
        EXPECT_EQ(bright(image, kWidth / 2, kHeight / 2, kWidth, kHeight) > 0, c.bottomRight);
    }
    const std::optional<ScaleBar> bar = ChooseScaleBar(scale, 50);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->label, "1 mm");
    EXPECT_NEAR(bar->pixels, 41.2, 1e-9);
    EXPECT_EQ(OverlayLines({true, true, false}, {12, -476, -0.00024}),
              (std::vector<std::string>{"frame 12  #-476", "-240.0 \u00b5s"}));
}

} // namespace
