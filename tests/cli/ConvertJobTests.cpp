// SPDX-License-Identifier: BSD-3-Clause
#include "convert/ConvertJob.h"
#include "recording/DemoRecording.h"
#include "recording/CVornDoc.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

// Each demo variant must store a visible fixed pattern and read back, once
// corrected, as the clean scene.
TEST(Demo, CorrectionRestoresTheScene) {
    TempDir dir;
    struct Variant {
        bool quadrants, bigEndian;
        int kind;
    };
    for (const Variant v : {Variant{false, false, 6}, Variant{true, true, 6},
                            Variant{false, true, 3}, Variant{true, false, 0}}) {
        DemoOptions options;
        options.frames = 4;
        options.width = 64;
        options.height = 32;
        options.quadrants = v.quadrants;
        options.bigEndian = v.bigEndian;
        options.correctionKind = v.kind;
        ASSERT_EQ(CheckDemoOptions(options), "");
        const std::string path = dir / "demo.vrn";
        ASSERT_TRUE(WriteDemoRecording(path, options));

        CVornDoc doc;
        ASSERT_EQ(doc.OnOpenDocument(path.c_str()), 1) << doc.GetOpenError();
        EXPECT_EQ(doc.m_pReader->correctionKind, v.kind);
        VornReader raw;
        ASSERT_EQ(raw.Open(path.c_str(), 0), 1);
        std::vector<uint16_t> stored(64 * 32);
        ASSERT_EQ(doc.RenderFrame(3, 0, nullptr, 16, 8), 1);
        ASSERT_EQ(raw.ReadFrame(stored.data(), 3, 0x7FFFFFFF), 64 * 32 * 2);
        const DemoScene scene(options, 3);
        int patterned = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 64; ++x) {
                const auto i = static_cast<std::size_t>(y * 64 + x);
                ASSERT_EQ(doc.m_pRawPixels[i], scene.Sample(x, y))
                    << "kind " << v.kind << " at " << x << "," << y;
                patterned += stored[i] != scene.Sample(x, y);
            }
        }
        if (v.kind != 0) {
            EXPECT_GT(patterned, 64 * 32 / 2) << "kind " << v.kind;
        }
    }
}

class ConvertJobTest : public ::testing::Test {
protected:
    ConvertRequest Request(const std::string& recording, int frames, int jobs) {
        ConvertRequest request;
        request.recording = recording;
        request.output = ResolveOutputPattern(recording, out.Path().string());
        request.first = 0;
        request.last = frames - 1;
        request.jobs = jobs;
        return request;
    }

    TempDir dir;
    TempDir out;
};

// A frame that cannot be written stops the run there whatever the number of
// jobs: later frames written by other workers are removed again.
TEST_F(ConvertJobTest, FailureLeavesWhatOneJobWouldLeave) {
    const std::string path = WriteTestRecording(dir, "clip.vrn", TestRecording(64, 64, 12));
    std::filesystem::create_directory(out / "clip_000002.tif");
    for (const int jobs : {1, 4}) {
        const ConvertOutcome outcome = RunConvert(Request(path, 12, jobs));
        EXPECT_EQ(outcome.status, ConvertStatus::Failed);
        EXPECT_EQ(outcome.failedFrame, 2);
        EXPECT_EQ(outcome.failedFile, out / "clip_000002.tif");
        EXPECT_EQ(outcome.files, 2);
        EXPECT_EQ(out.Files(), (std::vector<std::string>{"clip_000000.tif", "clip_000001.tif",
                                                         "clip_000002.tif"}))
            << jobs << " jobs";
    }
}

} // namespace
