// SPDX-License-Identifier: BSD-3-Clause
// No output of a run may be one of its recordings: not by name, not by a
// hard or symbolic link, not for another recording of the same run.
#include "SafetySupport.h"

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct OverwriteCase {
    const char* label;
    const char* link;     // "" or a name in the folder made a link to the recording
    bool hard;            // hard link, else symbolic
    std::vector<std::string> args; // after "convert REC"; "@" is the folder
};

std::vector<std::string> Expand(const std::vector<std::string>& args, const std::string& folder) {
    std::vector<std::string> out;
    for (const std::string& a : args) {
        out.push_back(a.rfind('@', 0) == 0 ? folder + a.substr(1) : a);
    }
    return out;
}

} // namespace

TEST_F(SafetyTest, AnOutputThatIsTheRecordingIsRefusedBeforeWriting) {
    const std::vector<OverwriteCase> cases = {
        {"stack at the recording's name", "", true, {"-o", "@/shot.vrn", "--stack"}},
        {"hard link at the stack name", "x.tif", true, {"-o", "@/x.tif", "--stack"}},
        {"symbolic link at the stack name", "x.tif", false, {"-o", "@/x.tif", "--stack"}},
        {"hard link at a frame name", "x_000002.tif", true, {"-o", "@/x.tif"}},
        {"hard link at the manifest name", "x.manifest.json", true, {"-o", "@/x.tif", "--manifest"}},
    };
    for (const OverwriteCase& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir folder;
        const std::string recording = (folder / "shot.vrn").string();
        ASSERT_TRUE(fs::copy_file(Recording("shot.vrn"), recording));
        if (*c.link != '\0') {
            const fs::path link = folder / c.link;
            ASSERT_EQ(c.hard ? ::link(recording.c_str(), link.c_str())
                             : ::symlink(recording.c_str(), link.c_str()),
                      0);
        }
        const std::vector<uint8_t> before = FileBytes(recording);
        std::vector<std::string> args{"convert", recording};
        for (const std::string& a : Expand(c.args, folder.Path().string())) {
            args.push_back(a);
        }
        const ProcessResult run = Cli(args);
        EXPECT_EQ(run.exitCode, 2) << run.Describe() << run.err;
        EXPECT_NE(run.err.find("would overwrite the recording"), std::string::npos) << run.err;
        EXPECT_EQ(FileBytes(recording), before);
    }
}

TEST_F(SafetyTest, ARecordingNamedLikeItsDefaultStackIsKept) {
    // "take.tif" converted into its own folder would become its own stack.
    const std::string take = Recording("take.tif");
    const std::vector<uint8_t> before = FileBytes(take);
    const ProcessResult run = Cli({"convert", take, "-o", dir.Path().string() + "/", "--stack"});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(FileBytes(take), before);
}

TEST_F(SafetyTest, AnotherRecordingOfTheRunIsNoOutputEither) {
    const std::string a = Recording("a.vrn");
    const std::string b = Recording("b.vrn");
    const fs::path out = dir / "out";
    fs::create_directory(out);
    ASSERT_EQ(::link(b.c_str(), (out / "a.tif").c_str()), 0);
    const std::vector<uint8_t> before = FileBytes(b);
    const ProcessResult run = Cli({"convert", a, b, "-o", out.string(), "--stack"});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(FileBytes(b), before);
    EXPECT_FALSE(fs::exists(out / "b.tif"));
}
