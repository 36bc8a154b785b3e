// SPDX-License-Identifier: BSD-3-Clause
#include "convert/ConvertJob.h"
#include "convert/FrameHandoff.h"
#include "convert/Manifest.h"
#include "framework/SplitPath.h"
#include "recording/DemoRecording.h"
#include "recording/CVornDoc.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

namespace {

namespace fs = std::filesystem;

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

// Frames reach the write stage in order, each slot handed out again only
// once emptied, and never more than two frames are held.
TEST(FrameHandoff, BoundedAndInOrder) {
    FrameHandoff handoff(2);
    std::array<int, 2> slots{-1, -1};
    int mostHeld = 0;
    std::jthread reader([&] {
        for (int i = 0; i < 200; ++i) {
            const int slot = handoff.NextEmpty();
            slots[static_cast<std::size_t>(slot)] = i;
            handoff.Filled();
            mostHeld = std::max(mostHeld, handoff.Held());
        }
        handoff.Finish();
    });
    std::vector<int> seen;
    for (int slot; (slot = handoff.NextFull(std::chrono::seconds(5))) >= 0;) {
        seen.push_back(slots[static_cast<std::size_t>(slot)]);
        if (seen.size() % 7 == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        handoff.Emptied();
    }
    reader.join();
    ASSERT_EQ(seen.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
    }
    EXPECT_LE(mostHeld, 2);
}

// A write stage that stops releases a read stage waiting for a free slot.
TEST(FrameHandoff, StopReleasesTheReadStage) {
    FrameHandoff handoff(2);
    std::jthread reader([&] {
        while (handoff.NextEmpty() >= 0) {
            handoff.Filled();
        }
    });
    EXPECT_EQ(handoff.NextFull(std::chrono::seconds(5)), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(handoff.Held(), 2);
    handoff.Stop();
    reader.join();
    EXPECT_EQ(handoff.NextFull(std::chrono::seconds(5)), -1);
}

// Hidden temporaries left in `folder`.
int Temporaries(const TempDir& folder) {
    int count = 0;
    for (const std::string& name : folder.Files()) {
        count += name.front() == '.';
    }
    return count;
}

std::vector<std::string> FrameNames(int begin, int end) {
    std::vector<std::string> names;
    for (int i = begin; i < end; ++i) {
        names.push_back(FrameFileName("", "clip", i, "tif"));
    }
    return names;
}

// A read stage that cannot read a frame stops the job there, with or without
// hashing and whatever the number of jobs: exactly the frames before it stay.
TEST_F(ConvertJobTest, ReadFailureLeavesThePrefix) {
    const VornRecipe desc = TestRecording(64, 32, 9);
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    bytes.resize(static_cast<std::size_t>(VornLayoutOf(desc).framPos + desc.FrameStride() * 5 + 7));
    const std::string path = dir / "clip.vrn";
    ASSERT_TRUE(WriteBytes(path.c_str(), bytes));
    for (const int jobs : {1, 2, 3}) {
        for (const bool hashed : {false, true}) {
            SCOPED_TRACE(std::to_string(jobs) + " jobs, hashed " + std::to_string(hashed));
            ManifestLog log;
            ConvertRequest request = Request(path, 9, jobs);
            request.log = hashed ? &log : nullptr;
            const ConvertOutcome outcome = RunConvert(request);
            EXPECT_EQ(outcome.status, ConvertStatus::Failed);
            EXPECT_EQ(outcome.failedFrame, 5);
            EXPECT_EQ(outcome.reason, "frame could not be read whole");
            EXPECT_EQ(outcome.files, 5);
            EXPECT_EQ(out.Files(), FrameNames(0, 5));
            for (const fs::path& file : fs::directory_iterator(out.Path())) {
                fs::remove(file);
            }
        }
    }
}

// Stopped in the middle of either stage, a run leaves a contiguous run of
// complete files from the first frame and no temporaries.
TEST_F(ConvertJobTest, CancelLeavesAContiguousPrefix) {
    const std::string path = WriteTestRecording(dir, "clip.vrn", TestRecording(256, 256, 400));
    for (const int jobs : {1, 2}) {
        for (const bool hashed : {false, true}) {
            SCOPED_TRACE(std::to_string(jobs) + " jobs, hashed " + std::to_string(hashed));
            std::atomic<bool> cancel{false};
            ManifestLog log;
            ConvertRequest request = Request(path, 400, jobs);
            request.cancel = &cancel;
            request.log = hashed ? &log : nullptr;
            std::jthread stopper([&] {
                while (out.Files().size() < 4) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                }
                cancel.store(true);
            });
            const ConvertOutcome outcome = RunConvert(request);
            stopper.join();
            ASSERT_EQ(outcome.status, ConvertStatus::Cancelled);
            EXPECT_EQ(out.Files(), FrameNames(0, outcome.completeEnd));
            EXPECT_EQ(outcome.files, outcome.completeEnd);
            EXPECT_EQ(Temporaries(out), 0);
            for (const fs::path& file : fs::directory_iterator(out.Path())) {
                fs::remove(file);
            }
        }
    }
}

// A failing run removes only files it created: files under later frames'
// names that were there before stay, as they do with one job.
TEST_F(ConvertJobTest, FailureKeepsFilesItDidNotCreate) {
    const std::string path = WriteTestRecording(dir, "clip.vrn", TestRecording(64, 64, 8));
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE(std::to_string(jobs) + " jobs");
        for (const fs::path& file : fs::directory_iterator(out.Path())) {
            fs::remove_all(file);
        }
        fs::create_directory(out / "clip_000003.tif");
        for (int i = 4; i <= 6; ++i) {
            ASSERT_TRUE(WriteBytes((out / FrameNames(i, i + 1)[0]).c_str(), {1, 2, 3}));
        }
        const ConvertOutcome outcome = RunConvert(Request(path, 8, jobs));
        EXPECT_EQ(outcome.status, ConvertStatus::Failed);
        EXPECT_EQ(outcome.failedFrame, 3);
        EXPECT_EQ(outcome.files, 3);
        EXPECT_EQ(out.Files(), FrameNames(0, 7));
    }
}

// Resuming keeps only files whose bytes are this run's frames; a changed or
// zeroed pixel, or another frame's file under the name, is written anew.
TEST_F(ConvertJobTest, SkipExistingProvesWhatItKeeps) {
    const std::string path = WriteTestRecording(dir, "clip.vrn", TestRecording(48, 32, 6));
    TempDir ref;
    for (const int bits : {16, 8}) {
        for (const int jobs : {1, 2}) {
            SCOPED_TRACE(std::to_string(bits) + "-bit, " + std::to_string(jobs) + " jobs");
            ConvertRequest first = Request(path, 6, 1);
            first.bits = bits;
            first.output = ResolveOutputPattern(path, ref.Path().string() + "/");
            ASSERT_EQ(RunConvert(first).status, ConvertStatus::Done);
            for (const std::string& name : ref.Files()) {
                fs::copy_file(ref / name, out / name, fs::copy_options::overwrite_existing);
            }
            std::vector<uint8_t> changed = ReadBytes(out / "clip_000001.tif");
            changed[250] ^= 1;
            ASSERT_TRUE(WriteBytes((out / "clip_000001.tif").c_str(), changed));
            std::vector<uint8_t> zeroed = ReadBytes(out / "clip_000002.tif");
            std::fill_n(zeroed.end() - 2, 2, uint8_t{0});
            ASSERT_TRUE(WriteBytes((out / "clip_000002.tif").c_str(), zeroed));
            fs::copy_file(ref / "clip_000004.tif", out / "clip_000003.tif",
                          fs::copy_options::overwrite_existing);
            fs::remove(out / "clip_000005.tif");

            ManifestLog log;
            ConvertRequest resume = Request(path, 6, jobs);
            resume.bits = bits;
            resume.skipExisting = true;
            resume.log = &log;
            const ConvertOutcome outcome = RunConvert(resume);
            EXPECT_EQ(outcome.status, ConvertStatus::Done);
            EXPECT_EQ(outcome.kept, 2);
            EXPECT_EQ(outcome.rewritten, 3);
            EXPECT_EQ(outcome.files, 4);
            ASSERT_EQ(out.Files(), ref.Files());
            const std::vector<ManifestFile> files = log.Files();
            ASSERT_EQ(files.size(), 6u);
            for (const ManifestFile& file : files) {
                const std::vector<uint8_t> bytes = ReadBytes(file.path);
                EXPECT_EQ(bytes, ReadBytes(ref / fs::path(file.path).filename().string()))
                    << file.path;
                EXPECT_EQ(file.size, static_cast<int64_t>(bytes.size()));
                EXPECT_EQ(file.sha256, Sha256Of(bytes.data(), bytes.size())) << file.path;
            }
        }
    }
}

// An 8-bit file of a frame that spans several decoded pieces holds the top
// 8 bits of every sample, and its digest is taken of exactly those bytes,
// whichever slot and job the frame went through.
TEST_F(ConvertJobTest, EightBitFramesOfManyPieces) {
    constexpr int kWidth = 320;
    constexpr int kHeight = 230; // 73600 samples: three pieces, the last one short
    const std::string path =
        WriteTestRecording(dir, "clip.vrn", TestRecording(kWidth, kHeight, 3));
    for (const int jobs : {1, 2}) {
        for (const bool hashed : {false, true}) {
            SCOPED_TRACE(std::to_string(jobs) + " jobs, hashed " + std::to_string(hashed));
            ManifestLog log;
            ConvertRequest request = Request(path, 3, jobs);
            request.bits = 8;
            request.log = hashed ? &log : nullptr;
            ASSERT_EQ(RunConvert(request).status, ConvertStatus::Done);
            for (int i = 0; i < 3; ++i) {
                const TiffImage image = ReadTiff(out / FrameNames(i, i + 1)[0]);
                ASSERT_EQ(image.samples.size(), std::size_t{kWidth} * kHeight);
                for (std::size_t k = 0; k < image.samples.size(); ++k) {
                    const auto x = static_cast<int32_t>(k % kWidth);
                    const auto y = static_cast<int32_t>(k / kWidth);
                    ASSERT_EQ(image.samples[k], TestSample(i, x, y) >> 2u) << i << " at " << k;
                }
            }
            for (const ManifestFile& file : log.Files()) {
                const std::vector<uint8_t> bytes = ReadBytes(file.path);
                EXPECT_EQ(file.sha256, Sha256Of(bytes.data(), bytes.size())) << file.path;
            }
            EXPECT_EQ(log.Files().size(), hashed ? 3u : 0u);
        }
    }
}

} // namespace
