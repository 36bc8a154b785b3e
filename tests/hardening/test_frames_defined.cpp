// SPDX-License-Identifier: BSD-3-Clause
// A decoded frame depends on that frame alone: not on what was read before,
// not on the stride's padding, and its memory follows the frame size.
#include "AllocationTracker.h"
#include "HardeningSupport.h"

#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace fs = std::filesystem;

namespace {

using Frame = std::vector<uint16_t>;

Frame Read(VornReader& reader, int index) {
    Frame frame(static_cast<size_t>(reader.width * reader.height), 0xABCD);
    EXPECT_EQ(reader.ReadFrame(frame.data(), index, 0x7FFFFFFF), int32_t(frame.size() * 2));
    return frame;
}

// Random samples per frame, so a stale tail could not match by chance.
VornFrameSource RandomFrames(int32_t pixels) {
    return [pixels](int32_t index, uint16_t* samples) {
        std::mt19937 engine(static_cast<unsigned>(index) * 7919u + 1u);
        for (int32_t e = 0; e < pixels; ++e) {
            samples[e] = static_cast<uint16_t>(engine() % 1024);
        }
    };
}

} // namespace

TEST(DefinedFrames, TailSamplesAreZeroCorrectedWhateverWasReadBefore) {
    TempDir dir;
    const VornRecipe desc = SevenByNineCorrected(12);
    const std::string path = (dir / "s.vrn").string();
    ASSERT_TRUE(WriteVorn(path.c_str(), desc, RandomFrames(63)));

    VornReader sequential;
    ASSERT_EQ(sequential.Open(path.c_str(), 1), 1);
    ASSERT_EQ(sequential.correctionKind, 3);
    std::vector<Frame> expected;
    for (int i = 0; i < 12; ++i) {
        expected.push_back(Read(sequential, i));
        // The 31 samples after the only whole group hold 0, corrected.
        for (int e = 32; e < 63; ++e) {
            EXPECT_EQ(expected.back()[static_cast<size_t>(e)], e % 5 + 1) << i << " " << e;
        }
    }

    VornReader shuffled;
    ASSERT_EQ(shuffled.Open(path.c_str(), 1), 1);
    std::vector<int> order(36);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    for (const int k : order) {
        EXPECT_EQ(Read(shuffled, k % 12), expected[static_cast<size_t>(k % 12)]) << k;
    }

    // The document's frame image, stepping versus jumping.
    CVornDoc stepped;
    CVornDoc jumped;
    ASSERT_EQ(stepped.OnOpenDocument(path.c_str()), 1);
    ASSERT_EQ(jumped.OnOpenDocument(path.c_str()), 1);
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(stepped.RenderFrame(i, 0, nullptr, 16, 8), 1);
    }
    for (const int i : {11, 2, 7, 11}) {
        ASSERT_EQ(jumped.RenderFrame(i, 0, nullptr, 16, 8), 1);
    }
    EXPECT_TRUE(std::equal(stepped.m_pRawPixels, stepped.m_pRawPixels + 63, jumped.m_pRawPixels));
}

TEST(DefinedFrames, MemoryFollowsTheFrameNotTheStride) {
    // 64 x 32 frames 256 MiB apart in a sparse file of a few kilobytes.
    TempDir dir;
    VornRecipe desc;
    desc.width = 64;
    desc.height = 32;
    desc.frameCount = 2;
    const VornFrameSource source = RandomFrames(64 * 32);
    const std::vector<uint8_t> packed = BuildVorn(desc, source);
    const VornLayout layout = VornLayoutOf(desc);
    const int64_t frameBytes = desc.PackedFrameBytes();
    const int64_t stride = int64_t{256} << 20;
    std::vector<uint8_t> head(packed.begin(), packed.begin() + layout.framPos + frameBytes);
    PokeInt32(head, layout.fszpPos + 96, static_cast<int32_t>(stride), false);
    const std::string path = (dir / "sparse.vrn").string();
    ASSERT_TRUE(WriteBytes(path.c_str(), head));
    {
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const uint8_t* second = packed.data() + layout.framPos + frameBytes;
        ASSERT_EQ(::pwrite(fd, second, static_cast<size_t>(frameBytes), layout.framPos + stride),
                  frameBytes);
        ASSERT_EQ(::ftruncate(fd, layout.framPos + 2 * stride), 0);
        ::close(fd);
    }

    Frame want(64 * 32);
    alloc_tracker::Reset(size_t{64} << 20);
    CVornDoc first;
    CVornDoc second;
    ASSERT_EQ(first.OnOpenDocument(path.c_str()), 1) << first.GetOpenError();
    ASSERT_EQ(second.OnOpenDocument(path.c_str()), 1);
    for (const int i : {0, 1, 0, 1}) {
        ASSERT_EQ(first.RenderFrame(i, 0, nullptr, 16, 8), 1) << i;
        ASSERT_EQ(second.RenderFrame(1 - i, 0, nullptr, 16, 8), 1) << i;
    }
    const alloc_tracker::Stats stats = alloc_tracker::Get();
    alloc_tracker::Disarm();
    EXPECT_EQ(stats.refused, 0u);
    EXPECT_LT(stats.peak, size_t{1} << 20);
    source(1, want.data());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), first.m_pRawPixels));
    // Sequential reads still position the file once.
    VornReader reader;
    ASSERT_EQ(reader.Open(path.c_str(), 0), 1);
    const int64_t seeks = reader.file.seekCount;
    Read(reader, 0);
    Read(reader, 1);
    EXPECT_EQ(reader.file.seekCount, seeks + 1);
}
