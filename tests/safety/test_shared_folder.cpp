// SPDX-License-Identifier: BSD-3-Clause
// Runs that share an output folder: a run's clean-up of stale temporaries
// leaves the live ones of another run alone, and a write whose temporary
// vanished says so rather than blaming the disk.
#include "SafetySupport.h"

#include "convert/ConvertJob.h"
#include "convert/Manifest.h"
#include "convert/Temporaries.h"
#include "image/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The hidden temporaries in `folder`.
std::vector<std::string> Temporaries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const std::string& name : ListDir(folder)) {
        if (name[0] == '.') {
            names.push_back(name);
        }
    }
    return names;
}

} // namespace

TEST_F(SafetyTest, CleanUpRemovesOnlyTemporariesWhoseWriterIsGone) {
    const OutputPattern pattern{dir.Path().string() + "/", "x", "tif"};
    const std::string stale = At(".x_000001.tif.AbCdEf");
    ASSERT_TRUE(WriteBytes(stale.c_str(), {1, 2, 3}));

    ReplacingFile live;
    ASSERT_TRUE(live.Open(At("x_000002.tif").c_str()));
    const uint8_t bytes[] = {4, 5, 6};
    ASSERT_TRUE(live.Write(bytes, sizeof bytes));

    EXPECT_EQ(RemoveStaleTemporaries(pattern, 0, 5), 1);
    EXPECT_FALSE(fs::exists(stale));
    ASSERT_EQ(Temporaries(dir.Path()).size(), 1U);
    EXPECT_TRUE(live.Commit());
    EXPECT_EQ(FileBytes(At("x_000002.tif")), std::vector<uint8_t>({4, 5, 6}));
}

TEST_F(SafetyTest, AVanishedTemporaryIsReportedAsSuchNotAsAFullDisk) {
    ReplacingFile file;
    const std::string target = At("x_000000.tif");
    ASSERT_TRUE(file.Open(target.c_str()));
    const std::vector<std::string> temps = Temporaries(dir.Path());
    ASSERT_EQ(temps.size(), 1U);
    ASSERT_EQ(::unlink(At(temps[0]).c_str()), 0);
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.Error(), ENOENT);
    EXPECT_EQ(DescribeWriteFailure(target, file.Error()),
              "its temporary file was removed while it was written");
    EXPECT_EQ(DescribeWriteFailure(target, ENOSPC), "No space left on device");
}

TEST_F(SafetyTest, TwoRunsIntoOneFolderBothKeepEveryFile) {
    const std::string recording = Recording("conc.vrn", 300, 64, 32);
    const fs::path out = dir / "o";
    fs::create_directory(out);
    for (int round = 0; round < 3; ++round) {
        ChildProcess first({QUORVANE_CLI_PATH, "convert", recording, "-o", out.string() + "/",
                            "-j", "2", "-q"});
        ChildProcess second({QUORVANE_CLI_PATH, "convert", recording, "-o", out.string() + "/",
                             "-j", "2", "-q"});
        const ProcessResult a = first.Wait(120);
        const ProcessResult b = second.Wait(120);
        EXPECT_EQ(a.exitCode, 0) << a.err;
        EXPECT_EQ(b.exitCode, 0) << b.err;
        EXPECT_EQ(ListDir(out).size(), 300U) << "round " << round;
    }
}

TEST_F(SafetyTest, AnInterruptEndsTheHashingOfALargeFile) {
    const std::string recording = Recording("big.vrn", 64, 256, 256); // several hash buffers
    std::atomic<bool> interrupted{false};
    std::string digest;
    int64_t size = 0;
    std::string reason;
    EXPECT_TRUE(Sha256OfFile(recording, digest, size, reason, {{}, &interrupted}));
    interrupted.store(true);
    EXPECT_FALSE(Sha256OfFile(recording, digest, size, reason, {{}, &interrupted}));
    EXPECT_EQ(reason, "interrupted");
    RecordingHasher hasher(recording, &interrupted);
    EXPECT_FALSE(hasher.Result(digest, size, reason));
}
