// SPDX-License-Identifier: BSD-3-Clause
// Faults during the viewer's conversion run (File > Save through the main
// frame): a full disk, the folder turning read-only, the recording cut short.
// The run stops at the failing frame and leaves the controls usable; the
// files written before are complete and correct, nothing partial remains.
#include "FaultSupport.h"
#include "TempDir.h"

#include "app/CMainFrame.h"
#include "recording/CVornDoc.h"

#include <gtest/gtest.h>

#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>

namespace fs = std::filesystem;

namespace {

// A second view on the document: RenderFrame repaints it after each frame
// is written, which is where the test changes the world.
class FrameHook : public CView {
public:
    FrameHook(CVornDoc* doc, std::function<void(int)> onFrame)
        : m_doc(doc), m_onFrame(std::move(onFrame)) {
        SetDocument(doc);
    }
    ~FrameHook() override { SetDocument(nullptr); }
    void RepaintNow() override { m_onFrame(m_doc->m_pReader->currentFrame); }

private:
    CVornDoc* m_doc;
    std::function<void(int)> m_onFrame;
};

class GuiFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tmp_.Path().empty());
        out_ = tmp_ / "out";
        fs::create_directories(out_);
        frame_ = std::make_unique<CMainFrame>();
        frame_->SetMessageSink([this](const QString& text) { messages_ << text; });
        frame_->SetSaveDialog([this](QWidget*, const QString&) {
            return QString::fromStdString((out_ / "shot.tif").string());
        });
        frame_->show();
    }

    CVornDoc* Open(int frames) {
        rec_ = WriteTestRecording(tmp_ / "rec.vrn", frames);
        EXPECT_TRUE(frame_->OpenDocumentFile(QString::fromStdString((tmp_ / "rec.vrn").string())));
        CVornDoc* doc = frame_->GetActiveDocument();
        EXPECT_TRUE(doc && QTest::qWaitFor([doc] { return !doc->GetBaseTitle().empty(); }));
        frame_->OnIdle();
        return doc;
    }

    // The run ended at `failed`: files 0..failed-1 whole, the frame on
    // screen is the failed one, and the bar is idle again.
    void ExpectStoppedAt(int failed, int bits = 16) {
        EXPECT_EQ(frame_->m_bBusy, 0);
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
    std::unique_ptr<CMainFrame> frame_;
    QStringList messages_;
};

TEST_F(GuiFaults, FullDiskStopsTheRunWithCompleteFiles) {
    TmpfsMount disk(out_, "128k");
    if (!disk.Ok()) {
        GTEST_SKIP() << disk.Why();
    }
    CVornDoc* doc = Open(300);
    ASSERT_TRUE(doc);
    frame_->OnConvert();
    const auto written = CheckOutputFolder(out_, "shot", rec_, 16).indices.size();
    ASSERT_GT(written, 0u);
    ASSERT_LT(written, 300u) << "the disk never filled";
    ExpectStoppedAt(static_cast<int>(written));
    EXPECT_EQ(doc->m_pReader->currentFrame, static_cast<int>(written));
    // The run says why it stopped.
    const std::string file = (out_ / "shot_").string() +
                             std::string(6 - std::to_string(written).size(), '0') +
                             std::to_string(written) + ".tif";
    EXPECT_EQ(frame_->StatusLine().toStdString(), "Stopped at frame " + std::to_string(written) +
                                                      ": cannot write " + file + " (disk full)");
}

TEST_F(GuiFaults, FolderTurningReadOnlyStopsTheRunAtTheNextFrame) {
    TmpfsMount disk(out_, "8m");
    if (!disk.Ok()) {
        GTEST_SKIP() << disk.Why();
    }
    CVornDoc* doc = Open(50);
    ASSERT_TRUE(doc);
    bool remounted = false;
    FrameHook hook(doc, [&](int i) {
        if (i == 7 && !remounted) {
            remounted = disk.RemountReadOnly();
        }
    });
    frame_->OnConvert();
    EXPECT_TRUE(remounted);
    ExpectStoppedAt(8);
}

TEST_F(GuiFaults, RecordingCutShortStopsTheRunAtTheFirstMissingFrame) {
    CVornDoc* doc = Open(50);
    ASSERT_TRUE(doc);
    FrameHook hook(doc, [&](int i) {
        if (i == 3) {
            fs::resize_file(tmp_ / "rec.vrn",
                            static_cast<uintmax_t>(rec_.framPos + 20 * rec_.stride + 7));
        }
    });
    frame_->OnConvert();
    ExpectStoppedAt(20);
}

} // namespace
