// SPDX-License-Identifier: BSD-3-Clause
// The decoding pass that unpacks and corrects in pieces, against the
// reference unpackers and row corrections, on random frames of every
// geometry and correction, whole and handed on piece by piece.
#include "RecordingFiles.h"

#include "recording/Unpack.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>

namespace {

constexpr int32_t kWhole = std::numeric_limits<int32_t>::max();

enum class Maps { None, Offset, NarrowGain, WideGain };

struct Geometry {
    int32_t width;
    int32_t height;
    bool quadrants;
};

VornRecipe RandomRecording(const Geometry& g, Maps maps, uint32_t seed) {
    VornRecipe desc;
    desc.width = g.width;
    desc.height = g.height;
    desc.frameCount = 2;
    desc.frameStride = g.width * g.height * 10 / 8 + 3;
    desc.modelTag = g.quadrants ? VornTag{'t', 'r', 'q', '1'} : VornTag{'l', 'n', 'c', '1'};
    if (maps == Maps::None) {
        return desc;
    }
    std::mt19937 random(seed);
    VornCorrection& c = desc.correction;
    // Maps larger than the frame, so the frame's window has an origin.
    c.mapWidth = static_cast<int16_t>(g.width + 6);
    c.mapHeight = static_cast<int16_t>(g.height + 4);
    const size_t n = static_cast<size_t>(c.mapWidth) * static_cast<size_t>(c.mapHeight);
    if (maps == Maps::Offset) {
        c.kind = 3;
        for (size_t e = 0; e < n; ++e) {
            c.offsets.push_back(static_cast<int8_t>(random()));
        }
        return desc;
    }
    c.kind = 6;
    c.lo = 0;
    c.hiStored = 0;
    for (size_t e = 0; e < n; ++e) {
        // 11-bit offsets; gains about 1.0, or any 16-bit value.
        const auto offset = static_cast<uint16_t>(random() & 0x7FF);
        for (auto& image : c.offsetImages) {
            image.push_back(offset);
        }
        c.gain.push_back(maps == Maps::NarrowGain ? static_cast<uint16_t>(384 + random() % 256)
                                                  : static_cast<uint16_t>(random()));
    }
    return desc;
}

// What the reference decoders make of frame `index`.
std::vector<uint16_t> Reference(const VornReader& r, const std::vector<uint8_t>& bytes,
                                int32_t index) {
    const int64_t pixels = int64_t{r.width} * r.height;
    const uint8_t* packed = bytes.data() + r.framPos + int64_t{index} * r.frameBytes;
    std::vector<uint16_t> out(static_cast<size_t>(pixels), 0);
    if (r.pixelLayout == 1) {
        UnpackQuadrantsReference(out.data(), packed, r.width, r.height);
    } else {
        UnpackLanesReference(out.data(), packed, r.width, r.height);
    }
    const int64_t origin =
        int64_t{r.mapWidth} * (r.mapHeight - r.height) / 2 + (r.mapWidth - r.width) / 2;
    for (int64_t y = 0; y < r.height && r.correctionKind != 0; ++y) {
        uint16_t* row = out.data() + y * r.width;
        const int64_t m = origin + y * r.mapWidth;
        if (r.correctionKind == 3) {
            CorrectRowOffset(row, r.offsetMap.get() + m, r.width);
        } else {
            CorrectRowOffsetGain(row, r.offsetMap.get() + m, r.gainMap.get() + m, r.width);
        }
    }
    return out;
}

// Sample ranges of a frame (a first sample, a last sample, odd bounds, the
// tail after the last whole packing group) decode as in the whole frame, the
// pieces run in order over the range, and the next whole read is unaffected.
void ExpectRangesMatch(VornReader& reader, int32_t index, const std::vector<uint16_t>& expected) {
    const auto pixels = static_cast<int64_t>(expected.size());
    const std::pair<int64_t, int64_t> ranges[] = {
        {0, 1}, {pixels - 1, pixels}, {pixels / 3 + 1, pixels / 2 + 3}, {33, pixels}};
    for (const auto& [begin, end] : ranges) {
        if (begin >= end || begin < 0) {
            continue;
        }
        std::vector<uint16_t> frame(expected.size(), 0xBEEF);
        int64_t first = -1;
        int64_t next = -1;
        const int32_t result = reader.ReadFrameSamples(
            frame.data(), index, kWhole, begin, end, [&](int64_t from, int64_t to) {
                EXPECT_TRUE(next == -1 || from == next);
                first = first == -1 ? from : first;
                next = to;
                return true;
            });
        ASSERT_EQ(result, static_cast<int32_t>(pixels * 2)) << begin << ".." << end;
        EXPECT_LE(first, begin);
        EXPECT_GE(next, end);
        EXPECT_TRUE(std::equal(frame.begin() + begin, frame.begin() + end, expected.begin() + begin))
            << begin << ".." << end;
    }
    std::vector<uint16_t> whole(expected.size(), 0xBEEF);
    EXPECT_EQ(reader.ReadFrame(whole.data(), index, kWhole), static_cast<int32_t>(pixels * 2));
    EXPECT_EQ(whole, expected);
}

class PieceTest : public RecordingTest {};

TEST_F(PieceTest, WholeAndPiecewiseReadsMatchTheReferenceForEveryGeometry) {
    const Geometry geometries[] = {{7, 9, false},    {32, 1, false},   {33, 3, false},
                                   {100, 50, false}, {1024, 40, false}, {8, 64, true},
                                   {12, 128, true},  {96, 16, true},   {64, 32, true},
                                   {512, 80, true}};
    uint32_t seed = 1;
    for (const Geometry& g : geometries) {
        for (const Maps maps : {Maps::None, Maps::Offset, Maps::NarrowGain, Maps::WideGain}) {
            SCOPED_TRACE(testing::Message() << g.width << "x" << g.height << " quadrants "
                                            << g.quadrants << " maps " << static_cast<int>(maps));
            const VornRecipe desc = RandomRecording(g, maps, ++seed);
            std::mt19937 random(seed);
            const std::vector<uint8_t> bytes =
                BuildVorn(desc, [&](int32_t, uint16_t* samples) {
                    for (int32_t e = 0; e < g.width * g.height; ++e) {
                        samples[e] = static_cast<uint16_t>(random() & 0x3FF);
                    }
                });
            int opened = 0;
            auto reader = OpenBytes(bytes, opened);
            ASSERT_EQ(opened, 1);
            ASSERT_EQ(reader->correctionKind, desc.correction.kind);
            const size_t pixels = static_cast<size_t>(g.width) * static_cast<size_t>(g.height);
            for (const int32_t index : {1, 0}) {
                const std::vector<uint16_t> expected = Reference(*reader, bytes, index);
                std::vector<uint16_t> whole(pixels, 0xBEEF);
                ASSERT_EQ(reader->ReadFrame(whole.data(), index, kWhole),
                          static_cast<int32_t>(pixels * 2));
                EXPECT_EQ(whole, expected) << "frame " << index;

                // Each piece is copied when it is handed on: it must be final.
                std::vector<uint16_t> frame(pixels, 0xBEEF);
                std::vector<uint16_t> handed(pixels, 0xBEEF);
                int64_t next = 0;
                const int32_t result = reader->ReadFrameInPieces(
                    frame.data(), index, kWhole, [&](int64_t begin, int64_t end) {
                        EXPECT_EQ(begin, next);
                        EXPECT_GT(end, begin);
                        std::memcpy(handed.data() + begin, frame.data() + begin,
                                    static_cast<size_t>(end - begin) * 2);
                        next = end;
                        return true;
                    });
                EXPECT_EQ(result, static_cast<int32_t>(pixels * 2));
                EXPECT_EQ(next, static_cast<int64_t>(pixels));
                EXPECT_EQ(handed, expected) << "frame " << index;
                ExpectRangesMatch(*reader, index, expected);
            }
        }
    }
}

TEST_F(PieceTest, AStoppingSinkEndsTheRead) {
    VornRecipe desc;
    desc.width = 1024;
    desc.height = 100; // several pieces
    desc.frameCount = 2;
    auto reader = OpenRecording(desc);
    std::vector<uint16_t> frame(1024 * 100);
    int calls = 0;
    EXPECT_EQ(reader->ReadFrameInPieces(frame.data(), 1, kWhole,
                                        [&](int64_t, int64_t) { return ++calls < 2; }),
              0);
    EXPECT_EQ(calls, 2);
    // The next read is unaffected.
    EXPECT_EQ(reader->ReadFrame(frame.data(), 0, kWhole), 1024 * 100 * 2);
    // Empty, reversed and out-of-frame ranges are refused.
    for (const auto& [begin, end] : {std::pair<int64_t, int64_t>{5, 5}, {9, 4}, {-1, 4},
                                     {0, 1024 * 100 + 1}}) {
        EXPECT_EQ(reader->ReadFrameSamples(frame.data(), 0, kWhole, begin, end, {}), 0);
    }
}

} // namespace
