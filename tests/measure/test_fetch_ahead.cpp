// SPDX-License-Identifier: BSD-3-Clause
// Reading ahead: frames come in order, never more than two ahead of the
// caller, a failing fetch is the last, and the thread is gone whenever the
// caller stops.
#include "measure/FetchAhead.h"
#include "measure/RegionSeries.h"
#include "recording/DemoRecording.h"
#include "recording/VornReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

// Threads of this process (Linux).
int64_t ThreadCount() {
    const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

TEST(FetchAheadTest, HandsOverInOrderAtMostTwoAheadAndStopsPromptly) {
    struct Case {
        int64_t count;
        int64_t failAt; // the fetch that returns false, or -1
        int64_t takeUntil; // the caller leaves after taking this many
    };
    const Case cases[] = {{6, -1, 6}, {6, 3, 4}, {50, -1, 2}, {1, 0, 1}, {8, -1, 0}};
    const int64_t threadsBefore = ThreadCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " fail " << c.failAt << " take " << c.takeUntil);
        std::atomic<int64_t> started = -1;
        {
            FetchAhead ahead(c.count, [&](int64_t n, FetchSlot& slot) {
                started = n;
                slot.result = static_cast<int32_t>(n);
                return n != c.failAt;
            });
            for (int64_t n = 0; n < c.takeUntil; ++n) {
                FetchSlot& slot = ahead.Next();
                EXPECT_EQ(slot.result, n);
                // Holding frame n, the thread may read n + 1 but not n + 2.
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                EXPECT_LE(started.load(), n + 1);
                ahead.Release();
            }
        }
        EXPECT_EQ(ThreadCount(), threadsBefore);
        EXPECT_LE(started.load(), c.failAt == -1 ? c.count - 1 : c.failAt);
    }
}

// The scan stopped by its callback, or by a frame cut short, delivers
// exactly the frames before and leaves no thread behind.
TEST(FetchAheadTest, ScanStopsWithItsThread) {
    std::string dir = (std::filesystem::temp_directory_path() / "qv-ahead-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    DemoOptions options;
    options.frames = 40;
    options.width = 256;
    options.height = 64;
    const std::string demo = dir + "/demo.vrn";
    const std::string cut = dir + "/cut.vrn";
    ASSERT_TRUE(WriteDemoRecording(demo, options));
    std::filesystem::copy_file(demo, cut);
    VornReader header;
    ASSERT_EQ(header.Open(demo.c_str(), 0), 1);
    // Frame 24 is cut short: it and those after it cannot be read whole.
    std::filesystem::resize_file(cut, static_cast<uintmax_t>(header.framPos) +
                                          24 * static_cast<uintmax_t>(header.frameBytes) + 100);
    struct Case {
        std::string file;
        int stopAt; // the callback returns false here, or -1
        SeriesStatus status;
        int64_t frames;
    };
    const Case cases[] = {{demo, 0, SeriesStatus::Cancelled, 0},
                          {demo, 17, SeriesStatus::Cancelled, 17},
                          {demo, -1, SeriesStatus::Done, 40},
                          {cut, -1, SeriesStatus::Failed, 24},
                          {cut, 24, SeriesStatus::Failed, 24}};
    const int64_t threadsBefore = ThreadCount();
    for (const Case& c : cases) {
        SeriesRequest request;
        request.recording = c.file;
        request.region = {3, 10, 100, 20, false};
        int calls = 0;
        const SeriesResult result = ScanRegionSeries(request, [&](const RegionSample& sample) {
            EXPECT_EQ(sample.index, calls);
            return calls++ != c.stopAt;
        });
        EXPECT_EQ(result.status, c.status) << c.file << " " << c.stopAt;
        EXPECT_EQ(result.frames, c.frames);
        EXPECT_EQ(calls, c.frames + (c.status == SeriesStatus::Cancelled ? 1 : 0));
        if (c.status == SeriesStatus::Failed) {
            EXPECT_EQ(result.message, cut + ": frame 24 could not be read whole");
        }
        EXPECT_EQ(ThreadCount(), threadsBefore);
    }
    std::filesystem::remove_all(dir);
}

} // namespace
