// SPDX-License-Identifier: BSD-3-Clause
// --version, --help and usage errors of both programs, as users see them.
#include "ProgramRun.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

namespace {

ProgramRun Cli(const std::vector<std::string>& args, const std::string& folder = ".") {
    return RunProgram(QUORVANE_CLI_PATH, args, folder);
}

TEST(ProductVersion, BothProgramsReportTheProjectVersionWithoutADisplay) {
    ProgramRun run = RunProgram(QUORVANE_CLI_PATH, {"--version"}, ".", true);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "quorvane-cli " QUORVANE_EXPECTED_VERSION "\n");
#ifdef QUORVANE_VIEWER_PATH
    for (const char* flag : {"--version", "-v"}) {
        run = RunProgram(QUORVANE_VIEWER_PATH, {flag}, ".", true);
        EXPECT_EQ(run.status, 0) << flag << run.err;
        EXPECT_EQ(run.out, "quorvane " QUORVANE_EXPECTED_VERSION "\n") << flag;
        EXPECT_EQ(run.err, "") << flag;
    }
#endif
}

#ifdef QUORVANE_VIEWER_PATH
TEST(ProductViewer, HelpAndUsageErrorsNeedNoDisplay) {
    ProgramRun run = RunProgram(QUORVANE_VIEWER_PATH, {"--help"}, ".", true);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Usage: quorvane ", 0), 0u) << run.out;
    for (const char* text : {"/p FILE", "/pt FILE PRINTER", "--lang ja|en", "--version"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }

    // An unknown switch is an error with the usage line, not a silent start.
    const std::string usage = "Usage: quorvane [--lang ja|en] [FILE...] | /p FILE | /pt FILE PRINTER\n"
                              "Run 'quorvane --help'\n";
    run = RunProgram(QUORVANE_VIEWER_PATH, {"--frobnicate", "x.vrn"}, ".", true);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "quorvane: unknown option '--frobnicate'\n" + usage);
    EXPECT_EQ(run.out, "");
    run = RunProgram(QUORVANE_VIEWER_PATH, {"--lang", "fr"}, ".", true);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "quorvane: --lang takes ja or en\n" + usage);
    run = RunProgram(QUORVANE_VIEWER_PATH, {"/pt", "a.vrn"}, ".", true);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "quorvane: /pt needs a file and a printer\n" + usage);
}
#endif

TEST(ProductCli, UsageErrorsAreOnePlainLineAndAPointerToHelp) {
    TempDir work;
    ASSERT_EQ(Cli({"demo", "clip.vrn", "--frames", "2", "--size", "32x32"}, work.Path()).status, 0);
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"convert", "clip.vrn", "--jobs", "0"}, "--jobs must be a whole number of at least 1"},
        {{"convert", "clip.vrn", "-j", "two"}, "--jobs must be a whole number of at least 1"},
        {{"convert", "clip.vrn", "--jobs", "99999999999"},
         "--jobs must be a whole number of at least 1"},
        {{"convert", "clip.vrn", "--bits", "abc"}, "--bits must be 16 or 8"},
        {{"convert", "clip.vrn", "-b", "12"}, "--bits must be 16 or 8"},
        {{"convert", "clip.vrn", "--first", "x"},
         "--first takes a frame index (12), a number (#-476) or a time (-240us)"},
        {{"convert", "clip.vrn", "--first", "-240us"},
         "--first -240us is a time: give the rate with --rate"},
        {{"convert", "clip.vrn", "--rate", "fast"},
         "--rate: 'fast' is not a rate: give frames per second, e.g. 50000, 50k or 1.2M"},
        {{"info", "clip.vrn", "--rate", "0"},
         "--rate: the rate must be a number of frames per second greater than 0"},
        {{"convert", "clip.vrn", "--first", "#5"},
         "clip.vrn: --first #5: frame #5 lies outside the numbers #0..#1"},
        {{"demo", "x.vrn", "--first-number", "2147483647", "--frames", "2"},
         "--first-number: the last frame's number would pass 2147483647"},
        {{"convert", "clip.vrn", "--jobs"}, "--jobs needs a value"},
        {{"convert", "clip.vrn", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"convert", "clip.vrn", "extra.vrn"}, "with several recordings -o must name an existing folder"},
        {{"info", "clip.vrn", "extra.vrn"}, "unexpected argument 'extra.vrn'"},
        {{"convert"}, "convert needs FILE"},
        {{"info"}, "info needs FILE"},
        {{"foo"}, "unknown command 'foo'"},
        {{"--frames", "3"}, "unknown option '--frames'"},
        {{}, "a command is required: info, convert, verify or demo"},
        {{"demo", "x.vrn", "--frames", "0"}, "--frames must be a whole number of at least 1"},
        {{"demo", "x.vrn", "--layout", "diagonal"}, "--layout must be lanes or quadrants"},
        {{"demo", "x.vrn", "--correction", "gain"},
         "--correction must be none, offset or offset-gain"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Cli(c.args, work.Path());
        std::string shown;
        for (const std::string& arg : c.args) {
            shown += arg + " ";
        }
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_EQ(run.err, std::string("quorvane-cli: ") + c.message +
                               "\nRun 'quorvane-cli --help'\n")
            << shown;
        EXPECT_EQ(run.out, "") << shown;
    }
    EXPECT_EQ(work.Files(), std::vector<std::string>{"clip.vrn"});
}

TEST(ProductCli, HelpShowsShortFormsAndDefaults) {
    const ProgramRun run = Cli({"convert", "--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* text : {"-b,--bits", "-j,--jobs", "16", "one per core", "the last"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    }
    const ProgramRun demo = Cli({"demo", "--help"});
    for (const char* text : {"300", "512x256", "lanes", "little", "offset-gain"}) {
        EXPECT_NE(demo.out.find(text), std::string::npos) << text << "\n" << demo.out;
    }
    EXPECT_NE(Cli({"--help"}).out.find("--version"), std::string::npos);
}

} // namespace
