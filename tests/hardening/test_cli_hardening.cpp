// SPDX-License-Identifier: BSD-3-Clause
// quorvane-cli end to end: special files in and out, links at frame names,
// interruption by signals, leftover temporaries, frames independent of the
// job count, the correction warning, and names printed safely.
#include "HardeningSupport.h"
#include "ProcessRunner.h"

#include "cli/Escape.h"

#include <csignal>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr double kLimit = 60; // seconds; every run here takes well under one

ProcessResult Cli(const std::vector<std::string>& args, double limit = kLimit) {
    std::vector<std::string> argv{QUORVANE_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, limit);
}

// Indices of the "x_NNNNNN.tif" files in `dir`, sorted, and whether the
// folder holds anything else.
std::vector<int> FrameFiles(const fs::path& dir, bool* other = nullptr) {
    std::vector<int> indices;
    for (const std::string& name : ListDir(dir)) {
        if (name.size() == 12 && name.rfind("x_", 0) == 0 && name.substr(8) == ".tif") {
            indices.push_back(std::stoi(name.substr(2, 6)));
        } else if (other != nullptr) {
            *other = true;
        }
    }
    return indices;
}

class CliHardening : public ::testing::Test {
protected:
    void SetUp() override {
        // Signals ignored by whoever started the tests would stay ignored in
        // the program under test.
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(sig, SIG_DFL);
        }
        fs::create_directory(out);
    }
    std::string Recording(const std::string& name, int frames, int width = 32, int height = 32) {
        VornRecipe desc;
        desc.width = width;
        desc.height = height;
        desc.frameCount = frames;
        const std::string path = (dir / name).string();
        EXPECT_TRUE(WriteVorn(path.c_str(), desc));
        return path;
    }
    std::string Out(const std::string& base = "x") const { return (out / base).string(); }

    TempDir dir;
    fs::path out = dir / "out";
};

} // namespace

TEST_F(CliHardening, FifoAsRecordingOrFrameNameNeverBlocks) {
    ASSERT_TRUE(MakeFifo(dir / "fifo.vrn"));
    for (const char* command : {"info", "convert"}) {
        const ProcessResult run = Cli({command, (dir / "fifo.vrn").string()});
        EXPECT_FALSE(run.timedOut) << command;
        EXPECT_EQ(run.exitCode, 1) << run.Describe();
        EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
    }

    const ProcessResult demo = Cli({"demo", (dir / "fifo.vrn").string(), "--frames", "1"});
    EXPECT_FALSE(demo.timedOut);
    EXPECT_EQ(demo.exitCode, 1) << demo.Describe();
    EXPECT_NE(demo.err.find("not a regular file"), std::string::npos) << demo.err;

    const std::string clip = Recording("clip.vrn", 6);
    ASSERT_TRUE(MakeFifo(out / "x_000002.tif"));
    for (const char* jobs : {"1", "2"}) {
        const ProcessResult run = Cli({"convert", clip, "-o", Out(), "--jobs", jobs});
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1) << run.Describe();
        EXPECT_NE(run.err.find(": frame 2 ("), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
        EXPECT_EQ(ListDir(out),
                  (std::vector<std::string>{"x_000000.tif", "x_000001.tif", "x_000002.tif"}));
        EXPECT_TRUE(fs::is_fifo(out / "x_000002.tif"));
    }
}

TEST_F(CliHardening, ALinkAtAFrameNameIsReplacedNotFollowed) {
    const std::string clip = Recording("clip.vrn", 3);
    fs::create_directory(dir / "elsewhere");
    const fs::path victim = dir / "elsewhere" / "important.txt";
    std::ofstream(victim) << "keep me";
    fs::create_symlink(victim, out / "x_000001.tif");
    fs::create_symlink("/dev/null", out / "x_000002.tif");
    const ProcessResult run = Cli({"convert", clip, "-o", Out()});
    ASSERT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_EQ(FileText(victim), "keep me");
    for (const int i : {0, 1, 2}) {
        const fs::path frame = out / ("x_00000" + std::to_string(i) + ".tif");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(frame))) << i;
        EXPECT_EQ(fs::file_size(frame), 200u + 2 * 32 * 32) << i;
    }
}

// Interrupts a conversion of 400 frames while it runs: the program is stopped
// as soon as its first frame file exists, signalled, and let go on.
ProcessResult Interrupt(const std::string& clip, const std::string& output, const char* jobs,
                        int sig, bool twice) {
    ChildProcess child(
        {QUORVANE_CLI_PATH, "convert", clip, "-o", output, "--bits", "8", "--jobs", jobs});
    const fs::path first = fs::path(output).parent_path() / "x_000000.tif";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(first) && child.Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    child.Signal(SIGSTOP);
    child.Signal(sig);
    child.Signal(SIGCONT);
    if (twice) {
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        child.Signal(sig);
    }
    return child.Wait(kLimit);
}

TEST_F(CliHardening, SignalsLeaveAContiguousRunOfCompleteFilesAndEndByTheSignal) {
    const std::string clip = Recording("clip.vrn", 400, 256, 128);
    struct Case {
        int sig;
        bool twice;
        const char* jobs;
    };
    for (const Case c :
         {Case{SIGTERM, false, "1"}, Case{SIGTERM, false, "2"}, Case{SIGINT, true, "1"},
          Case{SIGINT, true, "2"}, Case{SIGHUP, false, "2"}}) {
        SCOPED_TRACE(std::string(strsignal(c.sig)) + (c.twice ? " twice" : "") + ", jobs " +
                     c.jobs);
        fs::remove_all(out);
        fs::create_directory(out);
        const ProcessResult run = Interrupt(clip, Out(), c.jobs, c.sig, c.twice);
        ASSERT_FALSE(run.timedOut);
        if (run.exitCode == 0) {
            GTEST_SKIP() << "the run ended before the signal arrived";
        }
        EXPECT_EQ(run.signal, c.sig) << run.Describe();
        bool other = false;
        const std::vector<int> frames = FrameFiles(out, &other);
        EXPECT_FALSE(other) << "temporaries left: " << ::testing::PrintToString(ListDir(out));
        ASSERT_FALSE(frames.empty());
        EXPECT_LT(frames.size(), 400u);
        for (size_t k = 0; k < frames.size(); ++k) {
            ASSERT_EQ(frames[k], static_cast<int>(k)) << "gap before frame " << frames[k];
            char name[32];
            std::snprintf(name, sizeof name, "x_%06d.tif", frames[k]);
            EXPECT_EQ(fs::file_size(out / name), 200u + 256 * 128) << name;
        }
        const std::string said =
            "interrupted; frames 0.." + std::to_string(frames.size() - 1) + " written\n";
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
    }
}

TEST_F(CliHardening, LeftoverTemporariesOfTheFramesToWriteAreRemoved) {
    const std::string clip = Recording("clip.vrn", 5);
    for (const char* name : {".x_000003.tif.abcDEF", ".x_000003.tif.abc", ".y_000003.tif.abcdef",
                             ".x_000009.tif.abcdef", ".x_03.tif.abcdef"}) {
        std::ofstream(out / name) << "partial";
    }
    const ProcessResult run = Cli({"convert", clip, "-o", Out(), "--last", "4"});
    ASSERT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_EQ(ListDir(out), (std::vector<std::string>{
                                ".x_000003.tif.abc", ".x_000009.tif.abcdef", ".x_03.tif.abcdef",
                                ".y_000003.tif.abcdef", "x_000000.tif", "x_000001.tif",
                                "x_000002.tif", "x_000003.tif", "x_000004.tif"}));
}

TEST_F(CliHardening, CorrectedSevenByNineFramesAreTheSameForEveryJobCountAndRange) {
    const std::string clip = (dir / "s.vrn").string();
    ASSERT_TRUE(WriteVorn(clip.c_str(), SevenByNineCorrected(10)));
    for (const char* jobs : {"1", "2", "3"}) {
        fs::create_directory(dir / jobs);
        const ProcessResult run =
            Cli({"convert", clip, "-o", (dir / jobs / "x").string(), "--jobs", jobs});
        ASSERT_EQ(run.exitCode, 0) << run.Describe();
    }
    fs::create_directory(dir / "single");
    ASSERT_EQ(
        Cli({"convert", clip, "-o", (dir / "single/x").string(), "--first", "5", "--last", "5"})
            .exitCode,
        0);
    for (int i = 0; i < 10; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "x_%06d.tif", i);
        const std::vector<uint8_t> one = FileBytes(dir / "1" / name);
        ASSERT_EQ(one.size(), 200u + 2 * 63) << name;
        EXPECT_EQ(FileBytes(dir / "2" / name), one) << name;
        EXPECT_EQ(FileBytes(dir / "3" / name), one) << name;
        if (i == 5) {
            EXPECT_EQ(FileBytes(dir / "single" / name), one);
        }
    }
}

TEST_F(CliHardening, CorrectionNotAppliedIsOneWarningLine) {
    VornRecipe desc;
    desc.correction.kind = 3;
    desc.correction.mapWidth = 16;
    desc.correction.mapHeight = 16;
    desc.correction.offsets.assign(256, 1);
    const std::string shot = (dir / "shot.vrn").string();
    ASSERT_TRUE(WriteVorn(shot.c_str(), desc));
    const ProcessResult run = Cli({"convert", shot, "-o", Out(), "--quiet"});
    EXPECT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_EQ(run.err, "quorvane-cli: " + shot +
                           ": fixed-pattern correction not applied: maps smaller than the frame\n");
    EXPECT_EQ(FrameFiles(out), std::vector<int>{0});
    // A recording without a correction, or with one applied, says nothing.
    EXPECT_EQ(Cli({"convert", Recording("plain.vrn", 1), "-o", Out("p"), "--quiet"}).err, "");
}

TEST_F(CliHardening, InfoRefusesWhatConvertRefusesWithTheSameReason) {
    // 2048 x 2048 frames in a file that ends inside frame 0.
    VornRecipe desc;
    desc.width = 2048;
    desc.height = 2048;
    std::vector<uint8_t> bytes = BuildVorn(desc);
    bytes.resize(static_cast<size_t>(VornLayoutOf(desc).framPos) + 100);
    const std::string cut = (dir / "cut.vrn").string();
    ASSERT_TRUE(WriteBytes(cut.c_str(), bytes));
    const ProcessResult info = Cli({"info", cut});
    const ProcessResult convert = Cli({"convert", cut, "-o", Out()});
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_EQ(info.err,
              "quorvane-cli: cannot open " + cut + ": file too short for its frame size\n");
    EXPECT_EQ(convert.err, info.err);
}

TEST_F(CliHardening, ControlCharactersInNamesAreEscaped) {
    const std::string evil = (dir / "bad\x1b]0;owned\x07name.vrn").string();
    const std::string shown = (dir / "bad\\x1b]0;owned\\x07name.vrn").string();
    for (const ProcessResult& run :
         {Cli({"info", evil}), Cli({"convert", evil}), Cli({"info", evil, "--bogus\x1b[2J"})}) {
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\x07'), std::string::npos) << run.err;
    }
    EXPECT_EQ(Cli({"info", evil}).err,
              "quorvane-cli: cannot open " + shown + ": No such file or directory\n");
    // The same name as a real recording converts; its frame names in a
    // failure are escaped too.
    ASSERT_TRUE(WriteVorn(evil.c_str(), VornRecipe{}));
    fs::create_directory(out / "x\x1b[1m_000000.tif");
    const ProcessResult run = Cli({"convert", evil, "-o", Out("x\x1b[1m")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("x\\x1b[1m_000000.tif): cannot write the file: a folder has that name"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
}

TEST(CliEscaping, PrintableNamesAndJsonStrings) {
    EXPECT_EQ(PrintableName("plain name.vrn"), "plain name.vrn");
    EXPECT_EQ(PrintableName("a\x1b[31mb\tc\nd\x7f"), "a\\x1b[31mb\\x09c\\x0ad\\x7f");
    EXPECT_EQ(PrintableName("line\n", true), "line\n");
    EXPECT_EQ(PrintableName("\xc2\x9b"
                            "2J"),
              "\\xc2\\x9b2J"); // C1 CSI in UTF-8
    EXPECT_EQ(PrintableName("caf\xc3\xa9 \xe5\xbd\xb1"), "caf\xc3\xa9 \xe5\xbd\xb1");

    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("\x01\x1b\x1f\x7f"), "\"\\u0001\\u001b\\u001f\\u007f\"");
    EXPECT_EQ(JsonString("\xc2\x9b"), "\"\\u009b\"");
    EXPECT_EQ(JsonString("caf\xc3\xa9 \xf0\x9f\x8e\xa5"), "\"caf\xc3\xa9 \xf0\x9f\x8e\xa5\"");
    // Bytes that are not UTF-8 cannot appear in JSON text.
    EXPECT_EQ(JsonString("\xff"), "\"\\ufffd\"");
    EXPECT_EQ(JsonString("\xc3"), "\"\\ufffd\"");                       // cut sequence
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\\ufffd\\ufffd\"");            // overlong
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\""); // surrogate
}
