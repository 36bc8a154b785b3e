// SPDX-License-Identifier: BSD-3-Clause
// A full disk under `convert --stack` and `--manifest`: the run fails with
// one line, and neither a partial stack, a manifest nor a temporary file is
// left behind.
#include "FaultSupport.h"
#include "ProcessRunner.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(StackFaults, FullDiskLeavesNoPartialStack) {
    TempDir tmp;
    const fs::path out = tmp / "out";
    fs::create_directories(out);
    TmpfsMount disk(out, "256k");
    if (!disk.Ok()) {
        GTEST_SKIP() << disk.Why();
    }
    // 400 pages of 1 KiB samples and their tags: about twice the disk.
    WriteTestRecording(tmp / "rec.vrn", 400);
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(std::string("jobs ") + jobs);
        const ProcessResult r = RunProcess({QUORVANE_CLI_PATH, "convert", (tmp / "rec.vrn").string(),
                                            "--stack", "--manifest", "-q", "--jobs", jobs, "-o",
                                            (out / "all.tif").string()},
                                           120.0);
        EXPECT_EQ(r.exitCode, 1) << r.Describe();
        EXPECT_EQ(r.ErrLines().size(), 1u) << r.err;
        const std::string named = (out / "all.tif").string() + "): cannot write the file";
        EXPECT_NE(r.err.find(named), std::string::npos)
            << r.err;
        EXPECT_TRUE(fs::is_empty(out)) << "left: " << fs::directory_iterator(out)->path();
    }
    // The same disk takes a shorter stack, and its manifest.
    const ProcessResult r = RunProcess({QUORVANE_CLI_PATH, "convert", (tmp / "rec.vrn").string(),
                                        "--stack", "--manifest", "-q", "--last", "99", "-o",
                                        (out / "all.tif").string()},
                                       120.0);
    EXPECT_EQ(r.exitCode, 0) << r.Describe();
    EXPECT_TRUE(fs::exists(out / "all.manifest.json"));
    EXPECT_EQ(RunProcess({QUORVANE_CLI_PATH, "verify", (out / "all.manifest.json").string()}, 60.0)
                  .exitCode,
              0);
}

} // namespace
