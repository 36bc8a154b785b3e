// SPDX-License-Identifier: BSD-3-Clause
// A document without views: frames saved while they are decoded must be the
// very files a document with a view writes, the display image catches up
// when a view arrives, and failures end as they always did.
#include "recording/CVornDoc.h"

#include "image/Packers.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <random>

namespace {

class CountingView : public CView {
public:
    void RepaintNow() override { ++repaints; }
    int repaints = 0;
};

VornRecipe Corrected(int32_t width, int32_t height, bool quadrants) {
    VornRecipe desc = TestRecording(width, height, 3);
    desc.modelTag = quadrants ? VornTag{'t', 'r', 'q', '2'} : VornTag{'l', 'n', 'c', '1'};
    VornCorrection& c = desc.correction;
    c.kind = 6;
    c.mapWidth = static_cast<int16_t>(width);
    c.mapHeight = static_cast<int16_t>(height);
    std::mt19937 random(9);
    for (int32_t e = 0; e < width * height; ++e) {
        const auto offset = static_cast<uint16_t>(random() & 0x7FF);
        for (auto& image : c.offsetImages) {
            image.push_back(offset);
        }
        c.gain.push_back(static_cast<uint16_t>(400 + random() % 300));
    }
    return desc;
}

std::unique_ptr<CVornDoc> Open(const std::string& path) {
    auto doc = std::make_unique<CVornDoc>();
    EXPECT_EQ(doc->OnOpenDocument(path.c_str()), 1) << doc->GetOpenError();
    return doc;
}

class UnseenRender : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(UnseenRender, SavedFilesEqualThoseOfADocumentWithAView) {
    // Every depth pair a caller may ask for: the streamed ones (2-byte
    // sources) and the whole-frame fallback (1-byte sources).
    const int pairs[][2] = {{16, 16}, {10, 8}, {16, 8}, {10, 16}, {12, 16}, {8, 8}, {4, 8}};
    for (const bool quadrants : {false, true}) {
        // 1100 x 64: several pieces per frame; 7 x 9: a partial lane group.
        const VornRecipe desc = quadrants ? Corrected(1024, 64, true) : Corrected(1100, 64, false);
        for (const VornRecipe& recipe : {desc, Corrected(7, 9, false)}) {
            if (quadrants && recipe.width == 7) {
                continue;
            }
            const std::string path = WriteTestRecording(dir, "clip.vrn", recipe);
            const auto unseen = Open(path);
            const auto seen = Open(path);
            CountingView view;
            view.SetDocument(seen.get());
            for (const auto& [source, output] : pairs) {
                SCOPED_TRACE(testing::Message() << recipe.width << "x" << recipe.height << " "
                                                << source << "->" << output);
                const std::string a = dir / "unseen.tif";
                const std::string b = dir / "seen.tif";
                for (const int frame : {2, 0}) {
                    ASSERT_EQ(unseen->RenderFrame(frame, 1, a.c_str(), source, output), 1);
                    ASSERT_EQ(seen->RenderFrame(frame, 1, b.c_str(), source, output), 1);
                    EXPECT_EQ(ReadBytes(a), ReadBytes(b)) << "frame " << frame;
                }
                // The frame image holds the frame afterwards, as with a view.
                const size_t samples = static_cast<size_t>(recipe.width) * recipe.height;
                EXPECT_TRUE(std::equal(unseen->m_pRawPixels, unseen->m_pRawPixels + samples,
                                       seen->m_pRawPixels));
            }
            EXPECT_EQ(dir.Files(), (std::vector<std::string>{"clip.vrn", "seen.tif", "unseen.tif"}));
        }
    }
}

TEST_F(UnseenRender, DisplayImageCatchesUpWhenAViewArrives) {
    const std::string path = WriteTestRecording(dir, "clip.vrn", TestRecording(24, 8, 4));
    auto doc = Open(path);
    const int32_t stride = 24;
    const auto display = [&] {
        const uint8_t* rows = doc->m_pDisplayImage->GetBits(nullptr);
        return std::vector<uint8_t>(rows, rows + stride * 8);
    };
    const std::vector<uint8_t> frame0 = display();
    ASSERT_EQ(doc->RenderFrame(3, 0, nullptr, 16, 8), 1);
    // Nobody looks: the display image is left as it was.
    EXPECT_EQ(display(), frame0);
    std::vector<uint8_t> frame3(stride * 8);
    PackGray8(frame3.data(), 2, 10, 24, 8, doc->m_pRawPixels);
    CountingView view;
    view.SetDocument(doc.get());
    EXPECT_EQ(display(), frame3);
    // With the view attached every render refreshes it and repaints.
    ASSERT_EQ(doc->RenderFrame(1, 0, nullptr, 16, 8), 1);
    EXPECT_NE(display(), frame3);
    EXPECT_EQ(view.repaints, 1);
}

TEST_F(UnseenRender, FailuresReportAsBeforeAndLeaveNoFiles) {
    VornRecipe desc = TestRecording(64, 32, 4);
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    bytes.resize(static_cast<size_t>(VornLayoutOf(desc).framPos + 64 * 32 * 10 / 8 * 2 + 10));
    const std::string path = dir / "cut.vrn";
    ASSERT_TRUE(WriteBytes(path.c_str(), bytes));
    auto doc = Open(path);
    std::filesystem::create_directories(dir.Path() / "out");
    const std::string out = dir / "out/f.tif";

    // A cut frame is reported as such and saves nothing, not even a temporary.
    EXPECT_EQ(doc->RenderFrame(2, 1, out.c_str(), 16, 16), 0);
    EXPECT_EQ(doc->GetRenderError(), RenderError::ShortFrame);
    EXPECT_TRUE(dir.Files("out").empty());
    // Also when the file could not have been written either.
    const std::string nowhere = dir / "missing/f.tif";
    EXPECT_EQ(doc->RenderFrame(2, 1, nowhere.c_str(), 10, 8), 0);
    EXPECT_EQ(doc->GetRenderError(), RenderError::ShortFrame);
    // A whole frame into a missing folder: a failed save with its reason.
    EXPECT_EQ(doc->RenderFrame(1, 1, nowhere.c_str(), 10, 8), 0);
    EXPECT_EQ(doc->GetRenderError(), RenderError::SaveFailed);
    EXPECT_EQ(doc->GetSaveErrno(), ENOENT);
    // A folder at the name is never replaced.
    std::filesystem::create_directories(dir.Path() / "out/f.tif");
    EXPECT_EQ(doc->RenderFrame(1, 1, out.c_str(), 16, 16), 0);
    EXPECT_EQ(doc->GetRenderError(), RenderError::SaveFailed);
    EXPECT_EQ(dir.Files("out"), std::vector<std::string>{"f.tif"});
    EXPECT_TRUE(std::filesystem::is_directory(out));
}

} // namespace
