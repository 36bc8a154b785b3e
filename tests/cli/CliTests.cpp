// SPDX-License-Identifier: BSD-3-Clause
// End to end: the built quorvane-cli, run in a fresh folder.
#include "recording/VornReader.h"

#include "CliRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <thread>

extern char** environ;

namespace {

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(CliTest, InfoTextAndJson) {
    ASSERT_EQ(Cli("demo d.vrn --frames 2 --size 64x32 --layout quadrants --byte-order big "
                  "--correction offset")
                  .status,
              0);
    CliRun run = Cli("info d.vrn");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, run.out.find("name: ")),
              "width: 64\nheight: 32\nframes: 2\nframe-bytes: 2560\nlayout: quadrants\n"
              "byte-order: big\ncorrection: offset\n");
    run = Cli("info d.vrn --json");
    EXPECT_EQ(run.out.substr(0, run.out.find(", \"name\": ")),
              "{\"width\": 64, \"height\": 32, \"frames\": 2, \"frame-bytes\": 2560, "
              "\"layout\": \"quadrants\", \"byte-order\": \"big\", "
              "\"correction\": \"offset\"");

    // A correction whose maps do not cover the frame is not applied, and says why.
    VornRecipe desc = TestRecording(32, 32, 1);
    desc.correction.kind = 3;
    desc.correction.mapWidth = 16;
    desc.correction.mapHeight = 16;
    desc.correction.offsets.assign(256, 1);
    ASSERT_TRUE(WriteVorn((work / "small.vrn").c_str(), desc, TestSource(desc)));
    run = Cli("info small.vrn");
    EXPECT_NE(run.out.find("\nlayout: lanes\nbyte-order: little\ncorrection: none (maps smaller "
                           "than the frame)\n"),
              std::string::npos)
        << run.out;
}

TEST_F(CliTest, DefaultDemoAndConversion) {
    ASSERT_EQ(Cli("demo clip.vrn --frames 3").status, 0);
    EXPECT_NE(Cli("info clip.vrn").out.find("width: 512\nheight: 256\nframes: 3\n"),
              std::string::npos);
    EXPECT_NE(Cli("info clip.vrn")
                  .out.find("layout: lanes\nbyte-order: little\ncorrection: offset-gain\n"),
              std::string::npos);
    const CliRun run = Cli("convert clip.vrn");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(work.Files(), (std::vector<std::string>{"clip.vrn", "clip_000000.tif",
                                                      "clip_000001.tif", "clip_000002.tif"}));
    const auto bytes = std::filesystem::file_size(work / "clip_000000.tif");
    EXPECT_EQ(run.out.rfind("3 files, " + std::to_string(3 * bytes) + " bytes in ", 0), 0u)
        << run.out;
    EXPECT_EQ(Cli("convert clip.vrn --quiet -o q").out, "");
}

TEST_F(CliTest, RangeAndNaming) {
    Recording("clip.vrn", 20);
    std::filesystem::create_directory(work / "out");
    EXPECT_EQ(Cli("convert clip.vrn -o out/shot --first 10 --last 12 --bits 8").status, 0);
    EXPECT_EQ(Cli("convert clip.vrn -o out/other.png --first 19").status, 0);
    EXPECT_EQ(Cli("convert clip.vrn -o out/ --last 0").status, 0);
    EXPECT_EQ(work.Files("out"),
              (std::vector<std::string>{"clip_000000.tif", "other_000019.png", "shot_000010.tif",
                                        "shot_000011.tif", "shot_000012.tif"}));
    EXPECT_EQ(ReadTiff(work / "out/shot_000011.tif").bits, 8);
    EXPECT_EQ(ReadTiff(work / "out/other_000019.png").bits, 16);
}

// The default name keeps the recording's whole name but its one extension:
// two takes whose names differ only after a dot never share output files.
TEST_F(CliTest, DefaultNameKeepsDotsOfTheRecordingName) {
    Recording("my.take.vrn", 1);
    Recording("run.2.vrn", 1);
    std::filesystem::create_directory(work / "out");
    EXPECT_EQ(Cli("convert my.take.vrn").status, 0);
    EXPECT_EQ(Cli("convert run.2.vrn -o out/").status, 0);
    std::filesystem::create_symlink("my.take.vrn", work / "linked.vrn");
    EXPECT_EQ(Cli("convert linked.vrn -o out").status, 0);
    EXPECT_EQ(work.Files(), (std::vector<std::string>{"linked.vrn", "my.take.vrn",
                                                      "my.take_000000.tif", "out", "run.2.vrn"}));
    EXPECT_EQ(work.Files("out"),
              (std::vector<std::string>{"linked_000000.tif", "run.2_000000.tif"}));
}

TEST_F(CliTest, UsageErrorsWriteNothing) {
    Recording("clip.vrn", 10);
    for (const char* args :
         {"convert clip.vrn --bits 12", "convert clip.vrn --first 5 --last 3",
          "convert clip.vrn --last 10", "convert clip.vrn --first -1",
          "convert clip.vrn --first 10", "convert clip.vrn --jobs 0", "convert",
          "convert clip.vrn --frobnicate", "info", "demo x.vrn --size 100x3 --layout quadrants",
          "demo x.vrn --size big", "demo x.vrn --correction gain", ""}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_NE(run.err, "") << args;
        EXPECT_EQ(work.Files(), std::vector<std::string>{"clip.vrn"}) << args;
    }
    EXPECT_EQ(Cli("--help").status, 0);
}

TEST_F(CliTest, FailuresNameRecordingFrameAndFile) {
    const VornRecipe desc = TestRecording(32, 32, 8);
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    std::vector<uint8_t> refused = bytes;
    PokeInt32(refused, VornLayoutOf(desc).fszpPos + 96, 100, false);
    ASSERT_TRUE(WriteBytes((work / "shot.vrn").c_str(), refused));
    for (const char* command : {"convert", "info"}) {
        const CliRun run = Cli(std::string(command) + " shot.vrn");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("quorvane-cli: cannot open shot.vrn: ") +
                               VornErrorText(VornError::StrideTooSmall) + "\n");
    }
    CliRun run = Cli("convert missing.vrn");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quorvane-cli: cannot open missing.vrn: No such file or directory\n");

    ASSERT_TRUE(WriteBytes((work / "clip.vrn").c_str(), bytes));
    // A missing folder is found before anything is tried.
    run = Cli("convert clip.vrn -o nowhere/x.tif");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(Lines(run.err), 2); // the reason and the pointer to the help
    EXPECT_EQ(run.err.rfind("quorvane-cli: the output folder nowhere does not exist\n", 0), 0u)
        << run.err;

    // Cut inside frame 5: frames 0..4 are written, whatever the number of jobs.
    bytes.resize(static_cast<std::size_t>(VornLayoutOf(desc).framPos + desc.FrameStride() * 5 + 7));
    ASSERT_TRUE(WriteBytes((work / "cut.vrn").c_str(), bytes));
    for (const char* jobs : {"1", "3"}) {
        std::filesystem::create_directory(work / "cut");
        run = Cli(std::string("convert cut.vrn -o cut/ --jobs ") + jobs);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "quorvane-cli: cut.vrn: frame 5 (cut/cut_000005.tif): frame could not "
                           "be read whole\n");
        EXPECT_EQ(work.Files("cut").size(), 5u);
        EXPECT_EQ(work.Files("cut").back(), "cut_000004.tif");
        std::filesystem::remove_all(work / "cut");
    }
}

TEST_F(CliTest, JobCountDoesNotChangeTheFiles) {
    Recording("clip.vrn", 9, 64, 32);
    for (const std::string bits : {"16", "8"}) {
        for (const std::string jobs : {"1", "2"}) {
            std::filesystem::create_directory(work / ("j" + jobs));
            ASSERT_EQ(
                Cli("convert clip.vrn -q --bits " + bits + " --jobs " + jobs + " -o j" + jobs + "/")
                    .status,
                0);
        }
        ASSERT_EQ(work.Files("j1").size(), 9u);
        ASSERT_EQ(work.Files("j1"), work.Files("j2"));
        for (const std::string& name : work.Files("j1")) {
            EXPECT_EQ(ReadBytes(work / ("j1/" + name)), ReadBytes(work / ("j2/" + name)))
                << bits << " bits " << name;
        }
        std::filesystem::remove_all(work / "j1");
        std::filesystem::remove_all(work / "j2");
    }
}

TEST_F(CliTest, InterruptKeepsFilesAndEndsByTheSignal) {
    Recording("clip.vrn", 400, 256, 256);
    const std::string cli = QUORVANE_CLI_PATH;
    const std::string input = work / "clip.vrn";
    const std::string output = work / "o.tif";
    std::vector<char*> argv;
    std::vector<std::string> args{cli, "convert", input, "-q", "--jobs", "2", "-o", output};
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    // The first job writes frames 0, 1, ... in order: once frame 1 is there
    // under its own name, the run has a complete prefix of two files.
    // (Temporaries of frames in progress do not count.)
    while (!std::filesystem::exists(work / "o_000001.tif") &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    // A shell sees an interrupted program (status 130) and stops its loop.
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    const auto files = work.Files().size() - 1;
    EXPECT_GE(files, 2u);
    EXPECT_LT(files, 400u);
    for (const std::string& name : work.Files()) {
        EXPECT_TRUE(name == "clip.vrn" || name.rfind("o_", 0) == 0) << name;
    }
}

} // namespace
