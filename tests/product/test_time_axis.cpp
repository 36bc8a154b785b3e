// SPDX-License-Identifier: BSD-3-Clause
// The time axis on the command line: info's trigger and time keys, frames
// named by number and time, the frame table, and times in the manifest and
// the stack, on a recording with 488 frames before the trigger.
#include "ProgramRun.h"
#include "TestUtil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tiffio.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

ProgramRun Cli(const std::vector<std::string>& args, const TempDir& work) {
    return RunProgram(QUORVANE_CLI_PATH, args, work.Path());
}

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

class TimeAxis : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli({"demo", "pre.vrn", "--frames", "600", "--size", "32x32", "--first-number",
                       "-488", "--correction", "none"},
                      work)
                      .status,
                  0);
    }
    TempDir work;
};

TEST_F(TimeAxis, InfoShowsTriggerAndTimes) {
    ProgramRun run = Cli({"info", "pre.vrn", "--rate", "50k"}, work);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("first-frame-number: -488\nlast-frame-number: 111\n"), std::string::npos);
    EXPECT_NE(run.out.find("complete-frames: 600\ntrigger-index: 488\nrate: 50000\n"
                           "first-time: -9.760 ms\nlast-time: 2.220 ms\nduration: 12.00 ms\n"),
              std::string::npos)
        << run.out;

    run = Cli({"info", "pre.vrn", "--json", "--rate", "50000"}, work);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["trigger-index"], 488);
    EXPECT_EQ(json["rate"], 50000);
    EXPECT_DOUBLE_EQ(json["first-time"].get<double>(), -0.00976);
    EXPECT_DOUBLE_EQ(json["duration"].get<double>(), 0.012);

    // Without a rate no time keys; without a trigger frame "none", and no key in JSON.
    ASSERT_EQ(Cli({"demo", "post.vrn", "--frames", "4", "--size", "32x32", "--first-number", "7"},
                  work)
                  .status,
              0);
    run = Cli({"info", "post.vrn"}, work);
    EXPECT_NE(run.out.find("trigger-index: none\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("time"), std::string::npos) << run.out;
    run = Cli({"info", "post.vrn", "--json"}, work);
    EXPECT_FALSE(nlohmann::json::parse(run.out).contains("trigger-index")) << run.out;
}

TEST_F(TimeAxis, FramesByNumberAndTimeWithTheirTable) {
    std::filesystem::create_directory(work.Path() / "out");
    const ProgramRun run = Cli({"convert", "pre.vrn", "-o", "out/f.tif", "--first", "#-2", "--last",
                                "40us", "--rate", "50k", "--timestamps", "--manifest", "-q"},
                               work);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(work.Files("out"),
              (std::vector<std::string>{"f.frames.csv", "f.manifest.json", "f_000486.tif",
                                        "f_000487.tif", "f_000488.tif", "f_000489.tif",
                                        "f_000490.tif"}));
    EXPECT_EQ(Text(work / "out/f.frames.csv"), "index,number,time_s,file\r\n"
                                               "486,-2,-4e-05,f_000486.tif\r\n"
                                               "487,-1,-2e-05,f_000487.tif\r\n"
                                               "488,0,0,f_000488.tif\r\n"
                                               "489,1,2e-05,f_000489.tif\r\n"
                                               "490,2,4e-05,f_000490.tif\r\n");
    const auto manifest = nlohmann::json::parse(Text(work / "out/f.manifest.json"));
    EXPECT_EQ(manifest["options"]["rate"], 50000);
    EXPECT_EQ(manifest["files"][0]["recorded"], -2);
    EXPECT_EQ(manifest["files"][0]["number"], -2);
    EXPECT_DOUBLE_EQ(manifest["files"][0]["time"].get<double>(), -4e-05);
}

TEST_F(TimeAxis, InABatchNumbersAreLookedUpInEachRecording) {
    ASSERT_EQ(Cli({"demo", "b.vrn", "--frames", "30", "--size", "32x32", "--first-number", "-10"},
                  work)
                  .status,
              0);
    std::filesystem::create_directory(work.Path() / "out");
    const ProgramRun run =
        Cli({"convert", "pre.vrn", "b.vrn", "-o", "out/", "--first", "#0", "--last", "#1", "-q"},
            work);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(work.Files("out"), (std::vector<std::string>{"b_000010.tif", "b_000011.tif",
                                                           "pre_000488.tif", "pre_000489.tif"}));
}

TEST_F(TimeAxis, StackPagesCarryTheirTimeAndTheTableNamesPages) {
    ASSERT_EQ(Cli({"convert", "pre.vrn", "-o", "s.tif", "--stack", "--first", "#0", "--last",
                   "#1", "--rate", "1k", "--timestamps", "-q"},
                  work)
                  .status,
              0);
    EXPECT_EQ(Text(work / "s.frames.csv"),
              "index,number,time_s,file\r\n488,0,0,s.tif#0\r\n489,1,0.001,s.tif#1\r\n");
    TIFF* tiff = TIFFOpen((work / "s.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    ASSERT_EQ(TIFFSetDirectory(tiff, 1), 1);
    const char* description = nullptr;
    ASSERT_EQ(TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description), 1);
    EXPECT_STREQ(description, "frame=489 recorded=1 time=0.001");
    TIFFClose(tiff);
}

TEST_F(TimeAxis, NamedFramesOutsideOrAfterEachOtherAreRefused) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--first", "#200"}, "pre.vrn: --first #200: frame #200 lies outside the numbers #-488..#111"},
        {{"--first", "1s", "--rate", "50k"},
         "pre.vrn: --first 1s: time 1.000 s lies outside the times -9.760 ms..2.220 ms"},
        {{"--first", "#5", "--last", "#1"}, "pre.vrn: the first frame 493 lies after the last frame 489"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"convert", "pre.vrn"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramRun run = Cli(args, work);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, std::string("quorvane-cli: ") + c.message + "\nRun 'quorvane-cli convert --help'\n");
    }
    EXPECT_EQ(work.Files(), std::vector<std::string>{"pre.vrn"});
}

} // namespace
