// SPDX-License-Identifier: BSD-3-Clause
// The region scan over a demo recording against statistics of frames read
// whole, and its refusals, failures and cancelling.
#include "measure/RegionSeries.h"
#include "recording/DemoRecording.h"
#include "recording/VornReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class SeriesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qv-series-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        s_dir = pattern;
        DemoOptions options;
        options.frames = 12;
        options.width = 128;
        options.height = 64;
        options.firstNumber = -5;
        ASSERT_TRUE(WriteDemoRecording(Demo(), options));
        options.quadrants = true;
        options.width = 64;
        options.height = 32;
        ASSERT_TRUE(WriteDemoRecording(s_dir + "/quadrants.vrn", options));
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(s_dir, ignored);
    }
    static std::string Demo() { return s_dir + "/demo.vrn"; }

    static std::vector<RegionSample> Scan(const SeriesRequest& request, SeriesResult& result) {
        std::vector<RegionSample> samples;
        result = ScanRegionSeries(request, [&](const RegionSample& sample) {
            samples.push_back(sample);
            return true;
        });
        return samples;
    }

    static std::string s_dir;
};

std::string SeriesTest::s_dir;

// Statistics of frames read whole, the reference for the scan.
RegionStats WholeFrameStats(const std::string& path, int index, const Region& region,
                            bool correction) {
    VornReader reader;
    EXPECT_EQ(reader.Open(path.c_str(), correction ? 1 : 0), 1);
    const auto [width, height] = reader.GetFrameSize();
    std::vector<uint16_t> frame(static_cast<size_t>(width) * height);
    EXPECT_EQ(reader.ReadFrame(frame.data(), index, static_cast<int32_t>(frame.size() * 2)),
              width * height * 2);
    return ComputeRegionStats(frame.data(), width, region);
}

TEST_F(SeriesTest, AgreesWithWholeFrames) {
    struct Case {
        std::string file;
        Region region;
        int first, last, step;
        bool correction;
        std::vector<int> indices;
    };
    const std::vector<Case> cases = {
        {"demo.vrn", {10, 5, 50, 30, false}, 0, -1, 1, true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {"demo.vrn", {0, 0, 128, 64, true}, 2, 10, 3, true, {2, 5, 8}},
        {"demo.vrn", {127, 63, 1, 1, false}, 11, 11, 1, false, {11}},
        {"demo.vrn", {3, 0, 7, 64, true}, 0, 11, 5, false, {0, 5, 10}},
        {"quadrants.vrn", {1, 2, 61, 29, true}, 1, 4, 2, true, {1, 3}},
    };
    for (const Case& c : cases) {
        SeriesRequest request;
        request.recording = s_dir + "/" + c.file;
        request.region = c.region;
        request.first = c.first;
        request.last = c.last;
        request.step = c.step;
        request.correction = c.correction;
        SeriesResult result;
        const std::vector<RegionSample> samples = Scan(request, result);
        ASSERT_EQ(result.status, SeriesStatus::Done) << result.message;
        EXPECT_EQ(result.frames, static_cast<int64_t>(c.indices.size()));
        ASSERT_EQ(samples.size(), c.indices.size()) << c.file;
        for (size_t i = 0; i < samples.size(); ++i) {
            const RegionSample& s = samples[i];
            const RegionStats want =
                WholeFrameStats(request.recording, c.indices[i], c.region, c.correction);
            EXPECT_EQ(s.index, c.indices[i]);
            EXPECT_EQ(s.number, c.indices[i] - 5);
            EXPECT_FALSE(s.seconds.has_value());
            EXPECT_EQ(s.stats.pixels, want.pixels);
            EXPECT_DOUBLE_EQ(s.stats.mean, want.mean);
            EXPECT_DOUBLE_EQ(s.stats.stddev, want.stddev);
            EXPECT_EQ(s.stats.min, want.min);
            EXPECT_EQ(s.stats.max, want.max);
        }
    }
}

TEST_F(SeriesTest, TimesFollowTheRate) {
    SeriesRequest request;
    request.recording = Demo();
    request.region = {0, 0, 4, 4};
    request.rate = 1000.0;
    SeriesResult result;
    const std::vector<RegionSample> samples = Scan(request, result);
    ASSERT_EQ(samples.size(), 12u);
    ASSERT_TRUE(samples[0].seconds.has_value());
    EXPECT_DOUBLE_EQ(*samples[0].seconds, -0.005);
    EXPECT_DOUBLE_EQ(*samples[7].seconds, 0.002);
}

TEST_F(SeriesTest, CallbackCancels) {
    SeriesRequest request;
    request.recording = Demo();
    request.region = {0, 0, 8, 8};
    int calls = 0;
    const SeriesResult result = ScanRegionSeries(request, [&](const RegionSample&) {
        return ++calls < 3;
    });
    EXPECT_EQ(result.status, SeriesStatus::Cancelled);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(result.frames, 2);
}

TEST_F(SeriesTest, RefusesRegionsAndRanges) {
    struct Case {
        Region region;
        int first, last, step;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{0, 0, 129, 64}, 0, -1, 1, "region 0,0,129,64 does not lie inside the frame of 128 x 64"},
        {{-1, 0, 4, 4}, 0, -1, 1, "region -1,0,4,4 does not lie inside the frame of 128 x 64"},
        {{5, 5, 0, 4}, 0, -1, 1, "region 5,5,0,4 is empty (the frame is 128 x 64)"},
        {{0, 0, 4, 4}, 12, -1, 1, "first frame 12 is outside the recording (the recording has frames 0..11)"},
        {{0, 0, 4, 4}, -1, -1, 1, "first frame -1 is outside the recording (the recording has frames 0..11)"},
        {{0, 0, 4, 4}, 0, 12, 1, "last frame 12 is outside the recording (the recording has frames 0..11)"},
        {{0, 0, 4, 4}, 0, -2, 1, "last frame -2 is outside the recording (the recording has frames 0..11)"},
        {{0, 0, 4, 4}, 5, 4, 1, "last frame 4 comes before first frame 5"},
        {{0, 0, 4, 4}, 0, -1, 0, "step 0 must be at least 1"},
    };
    for (const Case& c : cases) {
        SeriesRequest request;
        request.recording = Demo();
        request.region = c.region;
        request.first = c.first;
        request.last = c.last;
        request.step = c.step;
        SeriesResult result;
        EXPECT_TRUE(Scan(request, result).empty());
        EXPECT_EQ(result.status, SeriesStatus::Refused);
        EXPECT_EQ(result.message, c.message);
    }
}

TEST_F(SeriesTest, FailsOnMissingFilesAndShortFrames) {
    SeriesRequest request;
    request.region = {0, 0, 4, 4};
    request.recording = s_dir + "/missing.vrn";
    SeriesResult result;
    Scan(request, result);
    EXPECT_EQ(result.status, SeriesStatus::Failed);
    EXPECT_NE(result.message.find("cannot open"), std::string::npos) << result.message;

    // The same recording cut short inside its last frame: the frames before
    // it are delivered, then the scan fails naming the frame.
    const std::string cut = s_dir + "/cut.vrn";
    std::filesystem::copy_file(Demo(), cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 100);
    request.recording = cut;
    const std::vector<RegionSample> samples = Scan(request, result);
    EXPECT_EQ(result.status, SeriesStatus::Failed);
    EXPECT_EQ(samples.size(), 11u);
    EXPECT_EQ(result.frames, 11);
    EXPECT_NE(result.message.find("frame 11"), std::string::npos) << result.message;
}

} // namespace
