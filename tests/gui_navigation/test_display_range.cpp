// SPDX-License-Identifier: BSD-3-Clause
// Display range tables and the document's display repack: the standard range
// is the plain sample >> 2 repack, byte for byte; the stretched ranges map
// their window onto 0..255; saved files never depend on the range.
#include "image/DisplayLut.h"
#include "image/Packers.h"
#include "recording/CVornDoc.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

namespace {

std::vector<uint16_t> Ramp(int width, int height, int low, int high) {
    std::vector<uint16_t> samples(static_cast<size_t>(width * height));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint16_t>(low + static_cast<int>(i) % (high - low + 1));
    return samples;
}

std::vector<uint8_t> Packed(int width, int height, const std::vector<uint16_t>& samples,
                            const DisplayLut* lut) {
    std::vector<uint8_t> rows(static_cast<size_t>((width + 3) / 4 * 4 * height), 0xCC);
    if (lut)
        PackGray8Lut(rows.data(), width, height, samples.data(), *lut);
    else
        PackGray8(rows.data(), 2, 10, width, height, samples.data());
    return rows;
}

TEST(DisplayLut, StandardTableRepacksExactlyAsSampleShiftedByTwo) {
    const DisplayLut standard = StandardLut();
    for (int v = 0; v < kSampleLevels; ++v)
        ASSERT_EQ(standard[v], v >> 2) << v;
    // Odd widths exercise the row padding, which must be 0 in both.
    for (const int width : {1, 7, 33}) {
        const std::vector<uint16_t> samples = Ramp(width, 5, 0, 1023);
        EXPECT_EQ(Packed(width, 5, samples, &standard), Packed(width, 5, samples, nullptr))
            << width;
    }
    EXPECT_EQ(BuildDisplayLut({}, nullptr, 0), standard);
}

TEST(DisplayLut, LinearWindowMapsEndsToBlackAndWhiteAndClampsOutside) {
    const DisplayLut lut = LinearLut(100, 355);
    EXPECT_EQ(lut[0], 0);
    EXPECT_EQ(lut[100], 0);
    EXPECT_EQ(lut[101], 1);
    EXPECT_EQ(lut[354], 254);
    EXPECT_EQ(lut[355], 255);
    EXPECT_EQ(lut[1023], 255);
    for (int v = 1; v < kSampleLevels; ++v)
        ASSERT_GE(lut[v], lut[v - 1]) << v; // never darker for a brighter sample
    // A window without width falls back to the standard table.
    EXPECT_EQ(LinearLut(500, 500), StandardLut());
    EXPECT_EQ(LinearLut(600, 20), StandardLut());
}

TEST(DisplayLut, ComputedWindowRepackGivesTheTablesBytes) {
    const std::vector<uint16_t> samples = Ramp(37, 30, 0, 1023); // every value, odd width
    for (const auto& [low, high] : {std::pair{0, 1023}, std::pair{100, 355}, std::pair{0, 1},
                                    std::pair{511, 512}, std::pair{1000, 1023}, std::pair{3, 900},
                                    std::pair{700, 20}}) {
        std::vector<uint8_t> computed(static_cast<size_t>(40 * 30), 0xCC);
        PackGray8Window(computed.data(), 37, 30, samples.data(), low, high);
        const DisplayLut lut = LinearLut(low, high);
        EXPECT_EQ(computed, Packed(37, 30, samples, &lut)) << low << ".." << high;
    }
}

TEST(DisplayLut, AutoWindowIsTheFramesMinimumToMaximum) {
    const std::vector<uint16_t> samples = Ramp(16, 16, 300, 555);
    const SampleBounds bounds =
        RangeWindow({DisplayRangeMode::Auto}, samples.data(), samples.size());
    EXPECT_EQ(bounds.low, 300);
    EXPECT_EQ(bounds.high, 555);
    const DisplayLut lut =
        BuildDisplayLut({DisplayRangeMode::Auto}, samples.data(), samples.size());
    EXPECT_EQ(lut[300], 0);
    EXPECT_EQ(lut[555], 255);
    // Bits above the tenth are not samples and are ignored.
    const uint16_t marked[] = {0xFC00 | 10, 20};
    EXPECT_EQ(SampleMinMax(marked, 2).low, 10);
}

TEST(DisplayLut, PercentilesLeaveOutTheOutermostHalfPercentOnEachSide) {
    // 1000 samples: 4 dark outliers at 0, 4 bright ones at 1023, the rest
    // spread over 200..791.
    std::vector<uint16_t> samples(1000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint16_t>(200 + i % 592);
    std::fill_n(samples.begin(), 4, uint16_t{0});
    std::fill_n(samples.end() - 4, 4, uint16_t{1023});
    const SampleHistogram histogram = CountSamples(samples.data(), samples.size());
    EXPECT_EQ(std::accumulate(histogram.begin(), histogram.end(), uint64_t{0}), 1000u);
    EXPECT_EQ(histogram[0], 4u);
    const SampleBounds bounds = SamplePercentiles(histogram);
    EXPECT_GT(bounds.low, 0);
    EXPECT_LT(bounds.high, 1023);
    EXPECT_GE(bounds.low, 200);
    EXPECT_LE(bounds.high, 791);
    EXPECT_EQ(SamplePercentiles(SampleHistogram{}).high, 0); // no samples
}

class DocumentRange : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            std::filesystem::temp_directory_path() /
            ("quorvane-range-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        VornRecipe recipe;
        recipe.width = 24;
        recipe.height = 8;
        recipe.frameCount = 3;
        m_path = (m_dir / "clip.vrn").string();
        ASSERT_TRUE(WriteVorn(m_path.c_str(), recipe, [](int32_t frame, uint16_t* s) {
            for (int i = 0; i < 24 * 8; ++i)
                s[i] = static_cast<uint16_t>(400 + frame * 50 + (i * 7) % 101);
        }));
        ASSERT_EQ(m_doc.OnOpenDocument(m_path.c_str()), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::vector<uint8_t> DisplayRows() {
        m_doc.RefreshDisplay();
        const uint8_t* rows = m_doc.m_pDisplayImage->GetBits(nullptr);
        return {rows, rows + 24 * 8};
    }
    std::string Bytes(const std::string& name) const {
        std::ifstream in(m_dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::filesystem::path m_dir;
    std::string m_path;
    CVornDoc m_doc;
};

TEST_F(DocumentRange, StandardRangeShowsWhatTheDocumentAlwaysShowed) {
    ASSERT_EQ(m_doc.RenderFrame(1, 0, nullptr, 16, 8), 1);
    std::vector<uint8_t> expected(24 * 8);
    PackGray8(expected.data(), 2, 10, 24, 8, m_doc.m_pRawPixels);
    EXPECT_EQ(DisplayRows(), expected);
    // Going through another range and back gives the same bytes again.
    m_doc.SetDisplayRange({DisplayRangeMode::Auto});
    EXPECT_NE(DisplayRows(), expected);
    m_doc.SetDisplayRange({});
    EXPECT_EQ(DisplayRows(), expected);
}

TEST_F(DocumentRange, AutoStretchesEachFrameAsItIsShown) {
    m_doc.SetDisplayRange({DisplayRangeMode::Auto});
    for (int frame : {0, 2}) {
        ASSERT_EQ(m_doc.RenderFrame(frame, 0, nullptr, 16, 8), 1);
        const std::vector<uint8_t> rows = DisplayRows();
        EXPECT_EQ(*std::min_element(rows.begin(), rows.end()), 0) << frame;
        EXPECT_EQ(*std::max_element(rows.begin(), rows.end()), 255) << frame;
    }
}

TEST_F(DocumentRange, SavedFilesAreTheSameWhateverTheRange) {
    const DisplayRange ranges[] = {{},
                                   {DisplayRangeMode::Auto},
                                   {DisplayRangeMode::AutoPercentile},
                                   {DisplayRangeMode::Custom, 420, 460}};
    std::string first16;
    std::string first8;
    for (const DisplayRange& range : ranges) {
        m_doc.SetDisplayRange(range);
        ASSERT_EQ(m_doc.RenderFrame(2, 1, (m_dir / "a16.tif").string().c_str(), 16, 16), 1);
        ASSERT_EQ(m_doc.RenderFrame(2, 1, (m_dir / "a8.tif").string().c_str(), 10, 8), 1);
        if (first16.empty()) {
            first16 = Bytes("a16.tif");
            first8 = Bytes("a8.tif");
            ASSERT_FALSE(first16.empty());
            continue;
        }
        EXPECT_EQ(Bytes("a16.tif"), first16) << static_cast<int>(range.mode);
        EXPECT_EQ(Bytes("a8.tif"), first8) << static_cast<int>(range.mode);
    }
}

} // namespace
