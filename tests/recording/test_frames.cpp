// SPDX-License-Identifier: BSD-3-Clause
// Frame reading: decoding by layout, seeks, refusals and short reads.
#include "RecordingFiles.h"

#include <fstream>
#include <iterator>
#include <limits>

namespace {

constexpr int32_t kWhole = std::numeric_limits<int32_t>::max();

class FrameTest : public RecordingTest {
protected:
    // Seeks made by one ReadFrame.
    int64_t SeeksFor(VornReader& reader, int32_t index) {
        std::vector<uint16_t> frame(static_cast<size_t>(reader.width * reader.height));
        const int64_t before = reader.file.seekCount;
        EXPECT_GT(reader.ReadFrame(frame.data(), index, kWhole), 0) << index;
        return reader.file.seekCount - before;
    }

    static std::vector<uint16_t> Pattern(int32_t index, int32_t w, int32_t h) {
        std::vector<uint16_t> out;
        for (int32_t e = 0; e < w * h; ++e) {
            out.push_back(VornPatternSample(index, e % w, e / w));
        }
        return out;
    }
};

TEST_F(FrameTest, DecodesByModelTagWithPaddedStride) {
    for (const char* tag : {"lnc1", "trq1", "trq2", "TRQ2", "trq3", "\0\0\0\0"}) {
        VornRecipe desc;
        desc.width = 64;
        desc.height = 32;
        desc.frameCount = 4;
        desc.frameStride = 64 * 32 * 10 / 8 + 7;
        desc.modelTag = {tag[0], tag[1], tag[2], tag[3]};
        auto reader = OpenRecording(desc);
        EXPECT_EQ(reader->pixelLayout, tag[0] == 't' && tag[3] < '3' ? 1 : 0) << tag;
        std::vector<uint16_t> frame(64 * 32);
        for (int32_t i : {0, 1, 3, 1}) {
            ASSERT_EQ(reader->ReadFrame(frame.data(), i, kWhole), 64 * 32 * 2);
            EXPECT_EQ(frame, Pattern(i, 64, 32)) << tag << " frame " << i;
            EXPECT_EQ(reader->currentFrame, i);
        }
    }
}

TEST_F(FrameTest, RefusedIndexOrCapacityChangesNothing) {
    VornRecipe desc;
    desc.frameCount = 3;
    auto reader = OpenRecording(desc);
    std::vector<uint16_t> frame(1024, 77);
    ASSERT_EQ(reader->ReadFrame(frame.data(), 1, kWhole), 2048);
    std::vector<uint16_t> untouched(1024, 77);
    EXPECT_EQ(reader->ReadFrame(untouched.data(), -1, kWhole), 0);
    EXPECT_EQ(reader->ReadFrame(untouched.data(), 3, kWhole), 0);
    EXPECT_EQ(reader->ReadFrame(untouched.data(), 0, 2047), 0);
    EXPECT_EQ(untouched, std::vector<uint16_t>(1024, 77));
    EXPECT_EQ(reader->currentFrame, 1);
}

TEST_F(FrameTest, SequentialReadsDoNotSeek) {
    VornRecipe desc;
    desc.frameCount = 10;
    desc.frameStride = 1400;
    auto reader = OpenRecording(desc);
    const int64_t fram = reader->framPos;
    EXPECT_EQ(SeeksFor(*reader, 0), 1);
    EXPECT_EQ(reader->file.lastSeekTarget, fram);

    auto fresh = OpenRecording(desc);
    EXPECT_EQ(SeeksFor(*fresh, 7), 2);
    EXPECT_EQ(fresh->file.lastSeekTarget, fram + 7 * 1400);

    SeeksFor(*reader, 9);
    EXPECT_EQ(SeeksFor(*reader, 3), 1);
    EXPECT_EQ(reader->file.lastSeekTarget, fram + 3 * 1400);
    EXPECT_EQ(SeeksFor(*reader, 4), 0);
    EXPECT_EQ(SeeksFor(*reader, 5), 0);
    EXPECT_EQ(SeeksFor(*reader, 5), 1);
    EXPECT_EQ(SeeksFor(*reader, 3), 1);
    EXPECT_EQ(SeeksFor(*reader, 5), 1);
}

TEST_F(FrameTest, ShortReadKeepsDestinationAndForcesSeek) {
    VornRecipe desc;
    desc.frameCount = 4;
    desc.correction.kind = 3; // +1 everywhere, so a second pass would show
    desc.correction.mapWidth = 32;
    desc.correction.mapHeight = 32;
    desc.correction.offsets.assign(1024, 1);
    desc.directory = {Chunk("GENP"), Chunk("PLAY"), Chunk("FSZP"), Chunk("FPNP"), Chunk("FRAM")};
    auto bytes = BuildVorn(desc);
    const int64_t fram = VornLayoutOf(desc).framPos;
    bytes.resize(static_cast<size_t>(fram + 2 * 1280 + 100)); // ends inside frame 2
    int opened = 0;
    auto reader = OpenBytes(bytes, opened);
    ASSERT_EQ(opened, 1);
    ASSERT_EQ(reader->correctionKind, 3);

    std::vector<uint16_t> frame(1024);
    ASSERT_EQ(reader->ReadFrame(frame.data(), 1, kWhole), 2048);
    const auto frame1 = frame;
    EXPECT_EQ(frame1[40], std::min(VornPatternSample(1, 8, 1) + 1, 1023));
    EXPECT_EQ(reader->ReadFrame(frame.data(), 2, kWhole), 100);
    EXPECT_EQ(frame, frame1);
    EXPECT_EQ(reader->currentFrame, -2);
    EXPECT_EQ(reader->ReadFrame(frame.data(), 3, kWhole), 0);
    EXPECT_EQ(frame, frame1);
    EXPECT_EQ(SeeksFor(*reader, 0), 1); // position unknown: seek to the frame data
}

TEST_F(FrameTest, FramesBeyondTheFileAreNotRead) {
    VornRecipe desc;
    desc.frameCount = 2;
    desc.lastFrameNo = 9000;
    auto bytes = BuildVorn(desc);
    // A stride of 2 GB must not make this small file allocate it.
    PokeInt32(bytes, VornLayoutOf(desc).fszpPos + 96, 2'000'000'000, false);
    int opened = 0;
    auto reader = OpenBytes(bytes, opened);
    ASSERT_EQ(opened, 1);
    std::vector<uint16_t> frame(1024, 9);
    EXPECT_EQ(reader->ReadFrame(frame.data(), 0, kWhole), 2560);
    reader->frameBytes = 600'000;
    EXPECT_EQ(reader->ReadFrame(frame.data(), 8000, kWhole), 0);
    EXPECT_EQ(reader->file.lastSeekTarget, reader->framPos + int64_t{4'800'000'000});
    EXPECT_EQ(reader->currentFrame, -2);
    EXPECT_EQ(frame, std::vector<uint16_t>(1024, 9));
}

TEST_F(FrameTest, StreamedFileEqualsBuiltBytes) {
    VornRecipe desc;
    desc.width = 64;
    desc.height = 32;
    desc.frameCount = 5;
    desc.frameStride = 2600;
    desc.correction.kind = 3;
    desc.correction.mapWidth = 64;
    desc.correction.mapHeight = 32;
    desc.correction.offsets.assign(2048, -3);
    desc.directory = {Chunk("GENP"), Chunk("FRAM", 5), Chunk("PLAY"), Chunk("FPNP"), Chunk("FSZP")};
    const std::string path = Path("streamed.vrn");
    ASSERT_TRUE(WriteVorn(path.c_str(), desc));
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> written{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(written, BuildVorn(desc));
    EXPECT_FALSE(WriteVorn(Path("absent/x.vrn").c_str(), desc));
}

} // namespace
