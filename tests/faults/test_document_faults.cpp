// SPDX-License-Identifier: BSD-3-Clause
// Faults during the document's conversion loop (RenderFrame frame after
// frame, as the viewer's conversion run calls it): a full disk, a folder that
// turns read-only or disappears, the recording cut short or deleted between
// frames. The failing frame makes RenderFrame return 0, which ends the run;
// files written before stay complete and correct, and no partial or
// temporary file is left.
#include "FaultSupport.h"
#include "TempDir.h"

#include "framework/SplitPath.h"
#include "recording/CVornDoc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class DocumentFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tmp_.Path().empty());
        out_ = tmp_ / "out";
        fs::create_directories(out_);
    }

    // Opens a recording of `frames` frames.
    void Open(int frames) {
        rec_ = WriteTestRecording(tmp_ / "rec.vrn", frames);
        ASSERT_EQ(rec_.frames, frames);
        ASSERT_EQ(doc_.OnOpenDocument((tmp_ / "rec.vrn").c_str()), 1) << doc_.GetOpenError();
    }

    std::string Name(int index) const {
        return FrameFileName(out_.string() + "/", "shot", index, "tif");
    }

    // The conversion loop: frames first.. until RenderFrame fails or `stop`
    // frames were written; `between` runs after each frame. Returns the frame
    // that failed, or -1.
    template <typename Between> int Convert(int first, int last, int bits, Between between) {
        const int source = bits == 16 ? 16 : 10;
        for (int i = first; i <= last; ++i) {
            if (doc_.RenderFrame(i, 1, Name(i).c_str(), source, bits) == 0) {
                return i;
            }
            between(i);
        }
        return -1;
    }

    void ExpectFilesBefore(int failed, int bits) {
        const OutputCheck check = CheckOutputFolder(out_, "shot", rec_, bits);
        for (const auto& p : check.problems) {
            ADD_FAILURE() << p;
        }
        EXPECT_TRUE(check.temporaries.empty()) << ::testing::PrintToString(check.temporaries);
        EXPECT_EQ(check.indices.size(), size_t(failed));
        EXPECT_TRUE(IsRun(check.indices, 0));
    }

    TempDir tmp_;
    fs::path out_;
    TestRecording rec_;
    CVornDoc doc_;
};

TEST_F(DocumentFaults, FullDiskFailsTheFrameThatDoesNotFit) {
    TmpfsMount disk(out_, "128k");
    if (!disk.Ok()) {
        GTEST_SKIP() << disk.Why();
    }
    Open(300);
    for (int bits : {16, 8}) {
        SCOPED_TRACE(bits);
        const int failed = Convert(0, 299, bits, [](int) {});
        ASSERT_GT(failed, 0) << "the disk never filled";
        ExpectFilesBefore(failed, bits);
        for (const auto& entry : fs::directory_iterator(out_)) {
            fs::remove(entry.path());
        }
    }
}

TEST_F(DocumentFaults, FolderTurningReadOnlyFailsTheNextFrame) {
    TmpfsMount disk(out_, "8m");
    if (!disk.Ok()) {
        GTEST_SKIP() << disk.Why();
    }
    Open(40);
    bool remounted = false;
    const int failed = Convert(0, 39, 16, [&](int i) {
        if (i == 9) {
            remounted = disk.RemountReadOnly();
        }
    });
    ASSERT_TRUE(remounted);
    EXPECT_EQ(failed, 10);
    ExpectFilesBefore(10, 16);
}

TEST_F(DocumentFaults, FolderRemovedFailsTheNextFrameWithoutRecreatingIt) {
    Open(20);
    const int failed = Convert(0, 19, 8, [&](int i) {
        if (i == 4) {
            fs::remove_all(out_);
        }
    });
    EXPECT_EQ(failed, 5);
    EXPECT_FALSE(fs::exists(out_));
    // The display still shows the frame that could not be written.
    EXPECT_EQ(doc_.m_pReader->currentFrame, 5);
}

TEST_F(DocumentFaults, RecordingCutShortFailsTheFirstMissingFrameAndWritesNothingForIt) {
    Open(30);
    const int failed = Convert(0, 29, 16, [&](int i) {
        if (i == 6) {
            // Frames 0..11 stay whole; frame 12 is cut in the middle.
            fs::resize_file(tmp_ / "rec.vrn",
                            static_cast<uintmax_t>(rec_.framPos + 12 * rec_.stride + 100));
        }
    });
    EXPECT_EQ(failed, 12);
    ExpectFilesBefore(12, 16);
    // A later frame of the cut recording fails too; an earlier one still reads.
    EXPECT_EQ(doc_.RenderFrame(20, 0, nullptr, 16, 8), 0);
    EXPECT_EQ(doc_.RenderFrame(3, 1, Name(3).c_str(), 16, 16), 1);
    EXPECT_EQ(CheckTiff(Name(3), rec_, 3, 16), "");
}

TEST_F(DocumentFaults, RecordingDeletedMidRunIsStillReadFromTheOpenFile) {
    Open(12);
    const int failed = Convert(0, 11, 16, [&](int i) {
        if (i == 2) {
            fs::remove(tmp_ / "rec.vrn");
        }
    });
    EXPECT_EQ(failed, -1);
    ExpectFilesBefore(12, 16);
}

} // namespace
