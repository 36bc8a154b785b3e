// SPDX-License-Identifier: BSD-3-Clause
// What sits at an output name before the run: a link is replaced (its
// target untouched), anything that is not a file is refused and left as it
// is, with a message naming that output; at the stack name before any frame
// is decoded.
#include "SafetySupport.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) {
        return false;
    }
    path.copy(address.sun_path, path.size());
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

TEST_F(SafetyTest, DemoReplacesALinkAtItsNameAndLeavesTheTarget) {
    ASSERT_TRUE(WriteBytes(At("precious").c_str(), {1, 2, 3}));
    ASSERT_EQ(::symlink(At("precious").c_str(), At("demo.vrn").c_str()), 0);
    const ProcessResult run = Cli({"demo", At("demo.vrn"), "--frames", "2", "--size", "16x8"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FileBytes(At("precious")), std::vector<uint8_t>({1, 2, 3}));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(At("demo.vrn"))));
}

TEST_F(SafetyTest, WhatIsNoFileAtTheStackOrManifestNameIsRefusedFirst) {
    struct Case {
        const char* label;
        const char* name; // in the output folder, where r.vrn's outputs go
        const char* option;
        const char* says;
        std::vector<std::string> written; // besides `name`
    };
    const std::vector<Case> cases = {
        {"folder at the stack name", "r.tif", "--stack", "a folder has that name", {}},
        {"FIFO at the stack name", "r.tif", "--stack", "not a regular file", {}},
        {"socket at the stack name", "r.tif", "--stack", "not a regular file", {}},
        {"empty folder at the manifest name", "r.manifest.json", "--manifest",
         "a folder has that name", {"r_000007.tif", "r_000008.tif"}},
        {"FIFO at the manifest name", "r.manifest.json", "--manifest", "not a regular file",
         {"r_000007.tif", "r_000008.tif"}},
    };
    const std::string recording = Recording("r.vrn", 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir out;
        const std::string name = (out / c.name).string();
        const std::string label = c.label;
        if (label.find("folder") != std::string::npos) {
            ASSERT_TRUE(fs::create_directory(name));
        } else if (label.find("FIFO") != std::string::npos) {
            ASSERT_TRUE(MakeFifo(name));
        } else {
            ASSERT_TRUE(MakeSocket(name));
        }
        const ProcessResult run =
            Cli({"convert", recording, "-o", out.Path().string() + "/", "--first", "7", c.option}, 20);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        const std::string owner = c.written.empty() ? recording + ": " : "";
        EXPECT_EQ(run.ErrLines(), std::vector<std::string>{"quorvane-cli: " + owner +
                                                           "cannot write " + name + ": " + c.says});
        std::vector<std::string> expected = c.written;
        expected.insert(expected.begin(), c.name);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ListDir(out.Path()), expected);
        EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(name)));
    }
}
