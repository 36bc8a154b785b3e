// SPDX-License-Identifier: BSD-3-Clause
// Faults during a `quorvane-cli convert` run: a full disk, a folder that
// disappears or turns read-only, the recording cut short or deleted while it
// is read, and Ctrl-C. In every case the program ends without a crash,
// reports the failure (exit status and one line), and leaves only complete,
// correct files under their frame names and no temporary files.
//
// The faults are injected at a moment the run is known to be under way: the
// test waits for the first files to appear, stops the process (SIGSTOP),
// changes the world, and lets it go on (SIGCONT).
#include "FaultSupport.h"
#include "ProcessRunner.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr double kTimeout = 120.0;
// Enough frames that the run is still going when the test reacts to its
// first files, even on a slow sanitizer build.
constexpr int kLongRun = 4000;

std::vector<std::string> ConvertArgs(const fs::path& rec, const fs::path& out, int jobs,
                                     int bits = 16) {
    return {
        QUORVANE_CLI_PATH, "convert", rec.string(),         "-o",     (out / "shot.tif").string(),
        "--quiet",         "--jobs",  std::to_string(jobs), "--bits", std::to_string(bits)};
}

#if !defined(__SANITIZE_ADDRESS__)
// The address space the program maps before it does anything (its shared
// libraries, FFmpeg's with their codec libraries among them), in MiB, found
// by running it under caps; memory caps are set on top of it.
long StartupAddressSpaceMb() {
    auto starts = [](long mb) {
        return RunProcess({QUORVANE_CLI_PATH, "--version"}, kTimeout, {}, mb).exitCode == 0;
    };
    long low = 8, high = 16; // low fails, high is being tried
    while (high < 8192 && !starts(high)) {
        low = high;
        high *= 2;
    }
    while (high - low > 4) {
        const long middle = (low + high) / 2;
        (starts(middle) ? high : low) = middle;
    }
    return high;
}
#endif

void ExpectOneLineFailure(const ProcessResult& r, int exitCode) {
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0) << r.Describe();
    EXPECT_EQ(r.exitCode, exitCode) << r.Describe();
    EXPECT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
}

// `strandedTemporaries`: hidden temporaries the program could not remove
// because the folder no longer accepts any change.
void ExpectCleanFolder(const OutputCheck& check, size_t strandedTemporaries = 0) {
    for (const auto& p : check.problems) {
        ADD_FAILURE() << p;
    }
    EXPECT_LE(check.temporaries.size(), strandedTemporaries)
        << "temporary files left: " << ::testing::PrintToString(check.temporaries);
}

// Starts a long conversion and stops it once `files` frames were published.
// Null when the run could not be caught under way.
struct StoppedRun {
    std::unique_ptr<ChildProcess> child;
    int published = 0;
};

StoppedRun StartAndStop(const std::vector<std::string>& args, const fs::path& out, int files) {
    StoppedRun run;
    FolderWatch watch(out);
    if (!watch.Ok()) {
        return run;
    }
    run.child = std::make_unique<ChildProcess>(args);
    run.published = watch.WaitFor(files, 30000);
    run.child->Signal(SIGSTOP);
    if (!run.child->Running() || run.published < files) {
        run.child.reset();
    }
    return run;
}

class CliFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tmp_.Path().empty());
        out_ = tmp_ / "out";
        fs::create_directories(out_);
    }

    TempDir tmp_;
    fs::path out_;
};

TEST_F(CliFaults, FullDiskStopsAtTheFrameThatDoesNotFit) {
    TmpfsMount disk(out_, "256k");
    if (!disk.Ok()) {
        GTEST_SKIP() << disk.Why();
    }
    const TestRecording rec = WriteTestRecording(tmp_ / "rec.vrn", 400);
    for (int jobs : {1, 2}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        const ProcessResult r = RunProcess(ConvertArgs(tmp_ / "rec.vrn", out_, jobs), kTimeout);
        ExpectOneLineFailure(r, 1);
        const OutputCheck check = CheckOutputFolder(out_, "shot", rec, 16);
        ExpectCleanFolder(check);
        // With two jobs the other worker's files may fill the disk before
        // frame 0 is written; they are removed again, so none may be left.
        if (jobs == 1) {
            ASSERT_FALSE(check.indices.empty());
        }
        EXPECT_LT(check.indices.size(), 400u);
        EXPECT_TRUE(IsRun(check.indices, 0)) << "files are not frames 0.." << check.indices.size();
        // The message names the frame that did not fit and its file.
        const std::string next = std::to_string(check.indices.size());
        EXPECT_NE(r.err.find("frame " + next), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("shot_" + std::string(6 - next.size(), '0') + next + ".tif"),
                  std::string::npos)
            << r.err;
        for (const auto& entry : fs::directory_iterator(out_)) {
            fs::remove(entry.path());
        }
    }
}

TEST_F(CliFaults, FolderTurningReadOnlyEndsTheRunWithFilesIntact) {
    TmpfsMount disk(out_, "64m");
    if (!disk.Ok()) {
        GTEST_SKIP() << disk.Why();
    }
    const TestRecording rec = WriteTestRecording(tmp_ / "rec.vrn", kLongRun);
    StoppedRun run = StartAndStop(ConvertArgs(tmp_ / "rec.vrn", out_, 1), out_, 5);
    ASSERT_TRUE(run.child) << "the run ended before it could be stopped";
    // A file open for writing blocks the remount: let the run move on a
    // little until it sits between two files.
    bool readOnly = disk.RemountReadOnly();
    for (int attempt = 0; !readOnly && attempt < 2000; ++attempt) {
        run.child->Signal(SIGCONT);
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        run.child->Signal(SIGSTOP);
        readOnly = disk.RemountReadOnly();
    }
    run.child->Signal(SIGCONT);
    ASSERT_TRUE(readOnly) << "could not remount read-only";
    const ProcessResult r = run.child->Wait(kTimeout);
    ExpectOneLineFailure(r, 1);
    const OutputCheck check = CheckOutputFolder(out_, "shot", rec, 16);
    // Stopped between writing a temporary and renaming it, the run can
    // neither rename nor remove it on a read-only file system.
    ExpectCleanFolder(check, 1);
    EXPECT_GE(check.indices.size(), 5u);
    EXPECT_LT(check.indices.size(), size_t{kLongRun});
    EXPECT_TRUE(IsRun(check.indices, 0));
}

TEST_F(CliFaults, FolderRemovedMidRunIsReportedNotCrashed) {
    WriteTestRecording(tmp_ / "rec.vrn", kLongRun);
    StoppedRun run = StartAndStop(ConvertArgs(tmp_ / "rec.vrn", out_, 2), out_, 5);
    ASSERT_TRUE(run.child) << "the run ended before it could be stopped";
    fs::remove_all(out_);
    run.child->Signal(SIGCONT);
    const ProcessResult r = run.child->Wait(kTimeout);
    ExpectOneLineFailure(r, 1);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out_)) << "the run recreated the folder";
}

TEST_F(CliFaults, RecordingCutShortMidRunStopsAtTheFirstMissingFrame) {
    const TestRecording rec = WriteTestRecording(tmp_ / "rec.vrn", kLongRun);
    StoppedRun run = StartAndStop(ConvertArgs(tmp_ / "rec.vrn", out_, 1, 8), out_, 5);
    ASSERT_TRUE(run.child) << "the run ended before it could be stopped";
    // Keep frames up to well past the current one, and half of the next.
    // The process is stopped, so the files present are all it has written.
    const int keep = static_cast<int>(CheckOutputFolder(out_, "shot", rec, 8).indices.size()) + 200;
    fs::resize_file(tmp_ / "rec.vrn",
                    static_cast<uintmax_t>(rec.framPos + keep * rec.stride + rec.stride / 2));
    run.child->Signal(SIGCONT);
    const ProcessResult r = run.child->Wait(kTimeout);
    ExpectOneLineFailure(r, 1);
    EXPECT_NE(r.err.find("frame " + std::to_string(keep)), std::string::npos) << r.err;
    const OutputCheck check = CheckOutputFolder(out_, "shot", rec, 8);
    ExpectCleanFolder(check);
    EXPECT_EQ(check.indices.size(), size_t(keep));
    EXPECT_TRUE(IsRun(check.indices, 0));
}

TEST_F(CliFaults, RecordingDeletedMidRunIsStillReadToTheEnd) {
    // The open file stays readable after its name is gone. (One job: each
    // worker of a multi-job run opens the recording by name when it starts.)
    const TestRecording rec = WriteTestRecording(tmp_ / "rec.vrn", 600);
    StoppedRun run = StartAndStop(ConvertArgs(tmp_ / "rec.vrn", out_, 1), out_, 5);
    ASSERT_TRUE(run.child) << "the run ended before it could be stopped";
    fs::remove(tmp_ / "rec.vrn");
    run.child->Signal(SIGCONT);
    const ProcessResult r = run.child->Wait(kTimeout);
    EXPECT_EQ(r.exitCode, 0) << r.Describe();
    const OutputCheck check = CheckOutputFolder(out_, "shot", rec, 16);
    ExpectCleanFolder(check);
    EXPECT_EQ(check.indices.size(), 600u);
}

// Running out of memory is a failure like any other: one line, exit 1.
TEST_F(CliFaults, OutOfMemoryIsReportedNotCrashed) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's operator new aborts instead of throwing std::bad_alloc";
#else
    // A 2048 x 2048 frame needs blocks of 8 MiB and more; the process gets
    // 16 MiB of address space beyond what it maps at start, less than one
    // document needs.
    WriteTestRecording(tmp_ / "rec.vrn", 2, 2048, 2048);
    const long cap = StartupAddressSpaceMb() + 16;
    for (int jobs : {1, 2}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        const ProcessResult r =
            RunProcess(ConvertArgs(tmp_ / "rec.vrn", out_, jobs), kTimeout, {}, cap);
        ExpectOneLineFailure(r, 1);
        EXPECT_TRUE(ListDir(out_).empty());
    }
#endif
}

TEST_F(CliFaults, InterruptEndsBySignalWithAContiguousRunOfCompleteFiles) {
    const TestRecording rec = WriteTestRecording(tmp_ / "rec.vrn", kLongRun);
    for (int jobs : {1, 2}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        StoppedRun run = StartAndStop(ConvertArgs(tmp_ / "rec.vrn", out_, jobs), out_, 5);
        ASSERT_TRUE(run.child) << "the run ended before it could be stopped";
        run.child->Signal(SIGINT);
        run.child->Signal(SIGCONT);
        const ProcessResult r = run.child->Wait(kTimeout);
        EXPECT_EQ(r.signal, SIGINT) << r.Describe();
        const OutputCheck check = CheckOutputFolder(out_, "shot", rec, 16);
        ExpectCleanFolder(check);
        // Stopped once five files existed; with two jobs all of them may lie
        // past frame 0 while it is still being written, and are then removed.
        if (jobs == 1) {
            EXPECT_GE(check.indices.size(), 5u);
        }
        EXPECT_LT(check.indices.size(), size_t{kLongRun});
        EXPECT_TRUE(IsRun(check.indices, 0)); // for every job count
        const std::string said = check.indices.empty()
                                     ? "no frames written"
                                     : "frames 0.." + std::to_string(check.indices.size() - 1) +
                                           " written";
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
        fs::remove_all(out_);
        fs::create_directories(out_);
    }
}

} // namespace
