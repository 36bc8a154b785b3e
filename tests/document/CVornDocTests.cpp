// SPDX-License-Identifier: BSD-3-Clause
#include "recording/CVornDoc.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class CountingView : public CView {
public:
    void RepaintNow() override { ++repaints; }
    int repaints = 0;
};

std::unique_ptr<CVornDoc> Open(const std::string& path) {
    auto doc = std::make_unique<CVornDoc>();
    EXPECT_EQ(doc->OnOpenDocument(path.c_str()), 1) << doc->GetOpenError();
    return doc;
}

// Display byte of pixel (x, y): rows are stored bottom-up, padded to 4 bytes.
// A document without views refreshes its display image when asked.
int DisplayByte(CVornDoc& doc, int x, int y) {
    doc.RefreshDisplay();
    const int stride = (doc.m_nWidth + 3) / 4 * 4;
    return doc.m_pDisplayImage->GetBits()[(doc.m_nHeight - 1 - y) * stride + x];
}

// A recording whose file ends `into` bytes into frame `cut` (default: half-way).
std::string WriteTruncated(const TempDir& dir, const VornRecipe& desc, int cut, int64_t into = -1) {
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    const VornLayout layout = VornLayoutOf(desc);
    bytes.resize(static_cast<std::size_t>(layout.framPos + desc.FrameStride() * cut +
                                          (into < 0 ? desc.FrameStride() / 2 : into)));
    const std::string path = dir / "cut.vrn";
    EXPECT_TRUE(WriteBytes(path.c_str(), bytes));
    return path;
}

class CVornDocTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(CVornDocTest, FreshDocumentAndTitles) {
    const auto doc = Open(WriteTestRecording(dir, "clip.vrn", TestRecording(32, 32, 1000)));
    int start = -1;
    int end = -1;
    EXPECT_EQ(doc->GetFrameRange(&start, &end), 1);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 999);
    EXPECT_EQ(doc->GetFrameRange(nullptr, nullptr), 1);
    ASSERT_NE(doc->m_pDisplayHeader, nullptr);
    EXPECT_EQ(DisplayByte(*doc, 0, 0), 255);
    EXPECT_EQ(doc->GetBaseTitle(), "");
    doc->UpdateTitle();
    EXPECT_EQ(doc->GetTitle(), "clip - 0/1000");

    EXPECT_EQ(doc->RenderFrame(5, 0, nullptr, 16, 8), 1);
    EXPECT_EQ(DisplayByte(*doc, 2, 0), TestSample(5, 2, 0) >> 2);
    doc->UpdateTitle();
    // Built from the captured name, never from an earlier title.
    EXPECT_EQ(doc->GetTitle(), "clip - 5/1000");
    EXPECT_EQ(doc->GetBaseTitle(), "clip");
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"clip.vrn"});
}

TEST_F(CVornDocTest, RefusedCallsReadAndPaintNothing) {
    const auto doc = Open(WriteTestRecording(dir, "clip.vrn", TestRecording(32, 32, 10)));
    CountingView view;
    view.SetDocument(doc.get());
    ASSERT_EQ(doc->RenderFrame(3, 0, nullptr, 16, 8), 1);
    ASSERT_EQ(view.repaints, 1);
    const std::string out = dir / "x.tif";
    const int refused[][3] = {{10, 16, 16}, {-1, 16, 16}, {4, 0, 8}, {4, 17, 8}, {4, 16, 12}};
    for (const auto& call : refused) {
        EXPECT_EQ(doc->RenderFrame(call[0], 1, out.c_str(), call[1], call[2]), 0);
        EXPECT_EQ(doc->GetRenderError(), RenderError::Refused);
    }
    EXPECT_EQ(doc->m_pReader->currentFrame, 3);
    EXPECT_EQ(view.repaints, 1);
    EXPECT_EQ(dir.Files(), std::vector<std::string>{"clip.vrn"});

    CVornDoc unopened;
    EXPECT_EQ(unopened.RenderFrame(0, 0, nullptr, 16, 8), 0);
}

TEST_F(CVornDocTest, ExportDepthsAndEveryViewRepainted) {
    const auto doc = Open(WriteTestRecording(dir, "clip.vrn", TestRecording(32, 16, 4)));
    CountingView a;
    CountingView b;
    a.SetDocument(doc.get());
    b.SetDocument(doc.get());
    struct Case {
        int source, output;
        uint32_t (*expect)(uint16_t);
    };
    const Case cases[] = {
        {16, 16, [](uint16_t v) { return uint32_t{v}; }},     // unscaled 0..1023
        {10, 8, [](uint16_t v) { return uint32_t{v} >> 2; }}, // 1023 -> 255, 3 -> 0
        {10, 16, [](uint16_t v) { return uint32_t{v} << 6; }},
    };
    for (const Case& c : cases) {
        const std::string path = dir / (c.source == 16  ? "f16.tif"
                                        : c.output == 8 ? "f8.tif"
                                                        : "f10_16.tif");
        EXPECT_EQ(doc->RenderFrame(2, 1, path.c_str(), c.source, c.output), 1);
        const TiffImage image = ReadTiff(path);
        ASSERT_EQ(image.samples.size(), 32u * 16u) << path;
        EXPECT_EQ(image.bits, c.output);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 32; ++x) {
                ASSERT_EQ(image.samples[static_cast<std::size_t>(y * 32 + x)],
                          c.expect(TestSample(2, x, y)))
                    << "depth " << c.source << "/" << c.output << " at " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(ReadTiff(dir / "f16.tif").samples[0], 1023u);
    EXPECT_EQ(ReadTiff(dir / "f8.tif").samples[0], 255u);
    EXPECT_EQ(ReadTiff(dir / "f8.tif").samples[1], 0u);
    EXPECT_EQ(a.repaints, 3);
    EXPECT_EQ(b.repaints, 3);
}

TEST_F(CVornDocTest, FailedSaveStillShowsTheFrame) {
    const auto doc = Open(WriteTestRecording(dir, "clip.vrn", TestRecording(32, 32, 4)));
    CountingView view;
    view.SetDocument(doc.get());
    const std::string path = dir / "missing/x.tif";
    for (const int output : {16, 8}) {
        EXPECT_EQ(doc->RenderFrame(3, 1, path.c_str(), output == 16 ? 16 : 10, output), 0);
        EXPECT_EQ(doc->GetRenderError(), RenderError::SaveFailed);
    }
    EXPECT_EQ(DisplayByte(*doc, 5, 7), TestSample(3, 5, 7) >> 2);
    EXPECT_EQ(view.repaints, 2);
}

TEST_F(CVornDocTest, ShortFrameSavesNothing) {
    const VornRecipe desc = TestRecording(32, 32, 5);
    const auto doc = Open(WriteTruncated(dir, desc, 3));
    CountingView view;
    view.SetDocument(doc.get());
    ASSERT_EQ(doc->RenderFrame(2, 0, nullptr, 16, 8), 1);
    const std::string path = dir / "x.tif";
    EXPECT_EQ(doc->RenderFrame(3, 1, path.c_str(), 16, 16), 0);
    EXPECT_EQ(doc->GetRenderError(), RenderError::ShortFrame);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(view.repaints, 2);
    EXPECT_EQ(doc->RenderFrame(3, 0, nullptr, 16, 8), 0);
    // Earlier frames still read after the failure.
    EXPECT_EQ(doc->RenderFrame(1, 1, path.c_str(), 16, 16), 1);
    EXPECT_EQ(ReadTiff(path).samples.at(40), TestSample(1, 8, 1));
}

TEST_F(CVornDocTest, ShortFrameWithAWholeFramesByteCount) {
    // Padded stride: a frame cut after exactly 2 * width * height bytes.
    VornRecipe desc = TestRecording(32, 32, 4);
    desc.frameStride = 32 * 32 * 2 + 64;
    const auto doc = Open(WriteTruncated(dir, desc, 2, 32 * 32 * 2));
    const std::string path = dir / "x.tif";
    EXPECT_EQ(doc->RenderFrame(2, 1, path.c_str(), 16, 16), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(CVornDocTest, UnreadableFirstFrameOpensBlackUnlessHuge) {
    const auto doc = Open(WriteTruncated(dir, TestRecording(32, 32, 3), 0));
    EXPECT_EQ(DisplayByte(*doc, 0, 0), 0);
    EXPECT_EQ(doc->RenderFrame(0, 0, nullptr, 16, 8), 0);
    // A short file must not make the document build gigabyte images.
    const VornRecipe desc = TestRecording(32, 32, 1);
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    const VornLayout layout = VornLayoutOf(desc);
    PokeInt16(bytes, layout.fszpPos + 52, 32000, false);
    PokeInt16(bytes, layout.fszpPos + 54, 32000, false);
    PokeInt32(bytes, layout.fszpPos + 96, 32000 * 32000 / 8 * 10, false);
    const std::string path = dir / "huge.vrn";
    ASSERT_TRUE(WriteBytes(path.c_str(), bytes));
    CVornDoc huge;
    EXPECT_EQ(huge.OnOpenDocument(path.c_str()), 0);
    EXPECT_EQ(huge.GetOpenError(), "file too short for its frame size");
}

TEST_F(CVornDocTest, RefusedOpenKeepsTheReason) {
    const VornRecipe desc = TestRecording(32, 32, 2);
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    PokeInt32(bytes, VornLayoutOf(desc).fszpPos + 96, 100, false);
    const std::string path = dir / "shot.vrn";
    ASSERT_TRUE(WriteBytes(path.c_str(), bytes));
    CVornDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(path.c_str()), 0);
    EXPECT_EQ(doc.GetOpenError(), VornErrorText(VornError::StrideTooSmall));
    EXPECT_EQ(doc.m_pDisplayHeader, nullptr);

    CVornDoc missing;
    EXPECT_EQ(missing.OnOpenDocument((dir / "none.vrn").c_str()), 0);
    EXPECT_EQ(missing.GetOpenError(), "No such file or directory");
    EXPECT_EQ(missing.m_pReader, nullptr);
}

TEST_F(CVornDocTest, FrameRange) {
    const auto doc = Open(WriteTestRecording(dir, "clip.vrn", TestRecording(32, 32, 1000)));
    int start = 0;
    int end = 0;
    EXPECT_EQ(doc->SetFrameRange(0, 10, 20), 1);
    EXPECT_EQ(doc->GetFrameRange(&start, &end), 0);
    EXPECT_EQ(start, 10);
    EXPECT_EQ(end, 20);
    // Refused ranges keep the stored one.
    for (const auto& [s, e] : {std::pair{8, 3}, {-1, 3}, {5, 1000}, {1000, 1000}}) {
        EXPECT_EQ(doc->SetFrameRange(0, s, e), 0) << s << ".." << e;
    }
    EXPECT_EQ(doc->GetFrameRange(&start, &end), 0);
    EXPECT_EQ(start, 10);
    EXPECT_EQ(end, 20);
    // A typed range may grow again, up to the last frame.
    EXPECT_EQ(doc->SetFrameRange(0, 5, 999), 1);
    EXPECT_EQ(doc->GetFrameRange(nullptr, &end), 0);
    EXPECT_EQ(end, 999);
    EXPECT_EQ(doc->SetFrameRange(1, 40, 7), 1);
    EXPECT_EQ(doc->GetFrameRange(&start, &end), 1);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 999);
}

TEST_F(CVornDocTest, TitleShowsUnknownPositionAfterFailedSeek) {
    // Frame 2,000,000 of a 16 MiB stride lies beyond what the file system
    // can seek to, so the seek fails and the position becomes unknown.
    VornRecipe desc = TestRecording(32, 32, 1);
    desc.frameStride = 16 << 20;
    desc.lastFrameNo = 2000000;
    const auto doc = Open(WriteTestRecording(dir, "far.vrn", desc));
    EXPECT_EQ(doc->RenderFrame(2000000, 0, nullptr, 16, 8), 0);
    if (doc->m_pReader->currentFrame != -2) {
        GTEST_SKIP() << "this file system seeks that far";
    }
    doc->UpdateTitle();
    EXPECT_EQ(doc->GetTitle(), "far - -2/2000001");
}

} // namespace
