// SPDX-License-Identifier: BSD-3-Clause
// info's keys for the frame numbers, the calibration, the model and the
// frames wholly inside the file, on a recording cut short.
#include "ProgramRun.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(ProductInfo, CutRecordingReportsItsCompleteFramesAndHeaderFields) {
    TempDir work;
    VornRecipe desc = TestRecording(32, 32, 10); // 1280 bytes per frame
    desc.firstFrameNo = -5;
    desc.calibValue = -7;
    desc.modelTag = {'c', '\x01', '\\', '\xff'};
    const std::string path = WriteTestRecording(work, "cut.vrn", desc);
    ASSERT_FALSE(path.empty());
    // Frames 0 to 3 whole, frame 4 half there.
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size - 5 * 1280 - 640);

    ProgramRun run = RunProgram(QUORVANE_CLI_PATH, {"info", "cut.vrn"}, work.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    // The keys that were there before come first, unchanged.
    EXPECT_EQ(run.out, "width: 32\nheight: 32\nframes: 10\nframe-bytes: 1280\nlayout: lanes\n"
                       "byte-order: little\ncorrection: none\n"
                       "name: cut.vrn\nmodel: c\\x01\\x5c\\xff\n"
                       "first-frame-number: -5\nlast-frame-number: 4\ncalibration: -7\n"
                       "complete-frames: 4\ntrigger-index: 5\n");

    run = RunProgram(QUORVANE_CLI_PATH, {"info", path, "--json"}, work.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"width\": 32, \"height\": 32, \"frames\": 10, \"frame-bytes\": 1280, "
                       "\"layout\": \"lanes\", \"byte-order\": \"little\", "
                       "\"correction\": \"none\", \"name\": \"cut.vrn\", "
                       "\"model\": \"c\\\\x01\\\\x5c\\\\xff\", \"first-frame-number\": -5, "
                       "\"last-frame-number\": 4, \"calibration\": -7, "
                       "\"complete-frames\": 4, \"trigger-index\": 5}\n");

    // A whole recording: every frame is complete; a printable model as it is.
    desc = TestRecording(32, 32, 3);
    ASSERT_FALSE(WriteTestRecording(work, "whole.vrn", desc).empty());
    run = RunProgram(QUORVANE_CLI_PATH, {"info", "whole.vrn"}, work.Path());
    EXPECT_NE(run.out.find("\nname: whole.vrn\nmodel: lnc1\nfirst-frame-number: 0\n"
                           "last-frame-number: 2\ncalibration: 0\ncomplete-frames: 3\n"),
              std::string::npos)
        << run.out;
}

} // namespace
