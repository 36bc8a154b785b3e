// SPDX-License-Identifier: BSD-3-Clause
// `quorvane-cli export` as a shell sees it: exit statuses and their one
// line, the summary, and an interrupt that ends the program by its signal
// with nothing partial left.
#include "TestUtil.h"

#include "recording/DemoRecording.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

Result RunCli(const TempDir& dir, const std::string& args, const std::string& env = {}) {
    const std::string out = dir / "stdout.log";
    const std::string err = dir / "stderr.log";
    const std::string command = "cd '" + dir.Path().string() + "' && " + env + " '" +
                                QUORVANE_CLI_PATH "' " + args + " >'" + out + "' 2>'" + err + "'";
    Result result;
    const int status = std::system(command.c_str());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto text = [](const std::string& path) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        std::filesystem::remove(path);
        return std::string(bytes.begin(), bytes.end());
    };
    result.out = text(out);
    result.err = text(err);
    return result;
}

TEST(ExportCli, ExitStatusAndMessage) {
    TempDir dir;
    DemoOptions options;
    options.frames = 6;
    options.width = 40;
    options.height = 30;
    ASSERT_TRUE(WriteDemoRecording(dir / "a.vrn", options));
    const struct {
        std::string args;
        int status;
        std::string err; // the start of stderr
        std::string out;
        std::string env = {};
    } cases[] = {
        {"export a.vrn -o a.bin", 2, "quorvane-cli: -o ends in .bin: name it", ""},
        {"export a.vrn -o a.png --step 0", 2, "quorvane-cli: --step must be", ""},
        {"export a.vrn -o a.png --crop 0,0,41,30", 2,
         "quorvane-cli: a.vrn: --crop 0,0,41,30 is not inside the frame of 40 x 30", ""},
        {"export a.vrn a.vrn -o a.png", 2, "quorvane-cli: with several recordings", ""},
        {"export a.vrn -o a.png --fps rate/2", 2, "quorvane-cli: --fps rate/2 needs the recording rate", ""},
        {"export a.vrn -o a.png --scale 10", 2, "quorvane-cli: --scale: ", ""},
        {"export a.vrn -o a.png --last 2", 0, "", "exported 3 frames: 3 files, "},
        {"export a.vrn -o a.ome.tif -q", 0, "", ""},
        {"export a.vrn -o a.png -q --overlay number", 0,
         "quorvane-cli: a.png: no overlay: png with 16 bits keeps the samples unchanged", ""},
        // Without its video module the program still runs; a video export
        // fails and says what is missing, other formats are unaffected.
        {"export a.vrn -o v.mkv", 1,
         "quorvane-cli: a.vrn: video export needs quorvane-video.so, which is not installed", "",
         "QUORVANE_VIDEO_MODULE=/nonexistent/quorvane-video.so"},
        {"export a.vrn -o b.png -q", 0, "", "", "QUORVANE_VIDEO_MODULE=/nonexistent/quorvane-video.so"},
        {"export a.vrn -o v.mkv", 1, "quorvane-cli: a.vrn: cannot load the video module ", "",
         "QUORVANE_VIDEO_MODULE=/dev/null"},
    };
    for (const auto& c : cases) {
        const Result result = RunCli(dir, c.args, c.env);
        EXPECT_EQ(result.status, c.status) << c.args << ": " << result.err;
        EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << c.args << ": " << result.err;
        EXPECT_EQ(result.out.rfind(c.out, 0), 0u) << c.args << ": " << result.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "v.mkv"));
}

TEST(ExportCli, InterruptEndsByTheSignalLeavingCompleteFilesOnly) {
    TempDir dir;
    DemoOptions options;
    options.frames = 400;
    options.width = 256;
    options.height = 256;
    ASSERT_TRUE(WriteDemoRecording(dir / "clip.vrn", options));
    const std::string cli = QUORVANE_CLI_PATH;
    std::vector<std::string> args{cli, "export", dir / "clip.vrn", "-q", "-j", "2", "-o",
                                  dir / "o.png", "--manifest"};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(dir / "o_000001.png") &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    std::vector<std::string> names = dir.Files();
    names.erase(std::remove(names.begin(), names.end(), "clip.vrn"), names.end());
    ASSERT_GE(names.size(), 2u);
    ASSERT_LT(names.size(), 400u);
    for (std::size_t i = 0; i < names.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "o_%06zu.png", i);
        EXPECT_EQ(names[i], name); // no temporary, no manifest, no gap
    }
}

} // namespace
