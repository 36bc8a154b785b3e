// SPDX-License-Identifier: BSD-3-Clause
// A reader whose descriptor is shared with a forked child keeps its own
// position: the child's reads do not move the parent's next sequential read.
#include "RecordingFiles.h"

#include <limits>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int32_t kWhole = std::numeric_limits<int32_t>::max();

bool FrameIs(VornReader& reader, int32_t index) {
    std::vector<uint16_t> frame(static_cast<size_t>(reader.width * reader.height));
    if (reader.ReadFrame(frame.data(), index, kWhole) != reader.width * reader.height * 2) {
        return false;
    }
    for (int32_t e = 0; e < reader.width * reader.height; ++e) {
        if (frame[static_cast<size_t>(e)] !=
            VornPatternSample(index, e % reader.width, e / reader.width)) {
            return false;
        }
    }
    return true;
}

class SharedDescriptorTest : public RecordingTest {};

TEST_F(SharedDescriptorTest, ChildReadsDoNotMoveTheParentsPosition) {
    VornRecipe desc;
    desc.frameCount = 8;
    desc.frameStride = 1400; // padded: the skip after a frame moves the position too
    auto reader = OpenRecording(desc);
    ASSERT_TRUE(FrameIs(*reader, 0));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool ok = FrameIs(*reader, 5) && FrameIs(*reader, 6) && FrameIs(*reader, 2);
        ::_exit(ok ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const int64_t seeks = reader->file.seekCount;
    for (int32_t i = 1; i < 8; ++i) {
        EXPECT_TRUE(FrameIs(*reader, i)) << "frame " << i;
    }
    EXPECT_EQ(reader->file.seekCount, seeks); // still sequential, without a seek
}

} // namespace
