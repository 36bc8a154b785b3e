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

TEST(ProductViewer, WithoutADisplayOrAUserItReportsOnStandardError) {
    TempDir work;
    // No display at all: one line instead of the toolkit's abort.
    ProgramRun run = RunProgram(QUORVANE_VIEWER_PATH, {"x.vrn"}, work.Path(), true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "quorvane: no display: set DISPLAY or WAYLAND_DISPLAY, or use quorvane-cli\n");

    // Printing from the command line has nobody to click a message box away:
    // under `timeout`, a box left open would show as status 124.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_CONFIG_HOME", work.Path().c_str(), 1);
    run = RunProgram("/usr/bin/timeout", {"60", QUORVANE_VIEWER_PATH, "/p", "missing.vrn"},
                     work.Path());
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("quorvane: Cannot open missing.vrn"), std::string::npos) << run.err;
    unsetenv("XDG_CONFIG_HOME");
}
#endif

TEST(ProductCli, UsageErrorsAreOnePlainLineAndAPointerToHelp) {
    TempDir work;
    ASSERT_EQ(Cli({"demo", "clip.vrn", "--frames", "2", "--size", "32x32"}, work.Path()).status, 0);
    // `command`: whose help the pointer names (empty: the program's).
    const struct {
        std::vector<std::string> args;
        const char* message;
        const char* command;
    } cases[] = {
        {{"convert", "clip.vrn", "--jobs", "0"},
         "--jobs must be a whole number of at least 1",
         "convert"},
        {{"convert", "clip.vrn", "-j", "two"},
         "--jobs must be a whole number of at least 1",
         "convert"},
        {{"convert", "clip.vrn", "--jobs", "99999999999"},
         "--jobs must be a whole number of at least 1",
         "convert"},
        {{"convert", "clip.vrn", "--bits", "abc"}, "--bits must be 16 or 8", "convert"},
        {{"convert", "clip.vrn", "-b", "12"}, "--bits must be 16 or 8", "convert"},
        {{"convert", "clip.vrn", "--first", "x"},
         "--first takes a frame index (12), a number (#-476) or a time (-240us)",
         "convert"},
        {{"convert", "clip.vrn", "--first", "-240us"},
         "--first -240us is a time: give the rate with --rate",
         "convert"},
        {{"convert", "clip.vrn", "--rate", "fast"},
         "--rate: 'fast' is not a rate: give frames per second, e.g. 50000, 50k or 1.2M",
         "convert"},
        {{"info", "clip.vrn", "--rate", "0"},
         "--rate: the rate must be a number of frames per second greater than 0",
         "info"},
        {{"convert", "clip.vrn", "--first", "#5"},
         "clip.vrn: --first #5: frame #5 lies outside the numbers #0..#1",
         "convert"},
        {{"demo", "x.vrn", "--first-number", "2147483647", "--frames", "2"},
         "--first-number: the last frame's number would pass 2147483647",
         "demo"},
        {{"convert", "clip.vrn", "--jobs"}, "--jobs needs a value", "convert"},
        {{"convert", "clip.vrn", "--frobnicate"}, "unknown option '--frobnicate'", "convert"},
        {{"convert", "clip.vrn", "-x"}, "unknown option '-x'", "convert"},
        {{"convert", "clip.vrn", "--frist", "3"},
         "unknown option '--frist'; did you mean --first?",
         "convert"},
        {{"convert", "clip.vrn", "--maniefst"},
         "unknown option '--maniefst'; did you mean --manifest?",
         "convert"},
        {{"convert", "clip.vrn", "extra.vrn"},
         "with several recordings -o must name an existing folder",
         "convert"},
        {{"convert", "clip.vrn", "-o", "-"},
         "-o - is not possible: the frames go to files; name a file or a folder",
         "convert"},
        {{"convert", "clip.vrn", "-o", "nowhere/x.tif"},
         "the output folder nowhere does not exist",
         "convert"},
        {{"convert", "clip.vrn", "clip.vrn", "-o", "nowhere/"},
         "the output folder nowhere/ does not exist",
         "convert"},
        {{"convert", "clip.vrn", "-o", "clip.vrn/x.tif"},
         "the output folder clip.vrn is not a folder",
         "convert"},
        {{"convert", "clip.vrn", "--first", "400"},
         "clip.vrn: --first 400 is after the last frame, 1",
         "convert"},
        {{"convert", "clip.vrn", "--last", "2"},
         "clip.vrn: --last 2 is after the last frame, 1",
         "convert"},
        {{"info", "clip.vrn", "extra.vrn"}, "unexpected argument 'extra.vrn'", "info"},
        {{"convert"}, "convert needs FILE", "convert"},
        {{"info"}, "info needs FILE", "info"},
        {{"foo"}, "unknown command 'foo'", ""},
        {{"conver", "clip.vrn"}, "unknown command 'conver'; did you mean convert?", ""},
        {{"--versoin"}, "unknown option '--versoin'; did you mean --version?", ""},
        {{"--frames", "3"},
         "--frames goes after the command: quorvane-cli demo ... --frames",
         "demo"},
        {{"-q", "convert", "clip.vrn"},
         "-q goes after the command: quorvane-cli convert ... -q",
         "convert"},
        {{}, "a command is required: info, convert, export, verify or demo", ""},
        {{"demo", "x.vrn", "--frames", "0"},
         "--frames must be a whole number of at least 1",
         "demo"},
        {{"demo", "x.vrn", "--layout", "diagonal"}, "--layout must be lanes or quadrants", "demo"},
        {{"demo", "x.vrn", "--correction", "gain"},
         "--correction must be none, offset or offset-gain",
         "demo"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Cli(c.args, work.Path());
        std::string shown;
        for (const std::string& arg : c.args) {
            shown += arg + " ";
        }
        const std::string help = *c.command ? std::string(c.command) + " --help" : "--help";
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_EQ(run.err,
                  std::string("quorvane-cli: ") + c.message + "\nRun 'quorvane-cli " + help + "'\n")
            << shown;
        EXPECT_EQ(run.out, "") << shown;
    }
    EXPECT_EQ(work.Files(), std::vector<std::string>{"clip.vrn"});
}

TEST(ProductCli, OutputNamedOtherThanTiffWarnsAndWritesTiff) {
    TempDir work;
    ASSERT_EQ(Cli({"demo", "clip.vrn", "--frames", "1", "--size", "32x32"}, work.Path()).status, 0);
    const ProgramRun run = Cli({"convert", "clip.vrn", "-o", "z.png", "-q"}, work.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "quorvane-cli: z.png: the files are TIFF, but named .png\n");
    EXPECT_EQ(work.Files(), (std::vector<std::string>{"clip.vrn", "z_000000.png"}));
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
