// SPDX-License-Identifier: BSD-3-Clause
// `verify` reads only what a manifest may name, never blocks or aborts on
// the manifest itself, and finds files by their exact bytes; names printed
// anywhere cannot drive the terminal.
#include "SafetySupport.h"

#include "convert/Manifest.h"

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The size and hash of `path` as a manifest's JSON members.
std::string SizeAndHash(const std::string& path) {
    std::string digest;
    int64_t size = 0;
    std::string reason;
    EXPECT_TRUE(Sha256OfFile(path, digest, size, reason)) << path << ": " << reason;
    return "\"size\": " + std::to_string(size) + ", \"sha256\": " + Quoted(digest);
}

struct EntryCase {
    const char* label;
    std::string files; // the "files" value
    int status;
    const char* says; // a part of stderr ("" for none)
};

} // namespace

class VerifyTest : public SafetyTest {
protected:
    void SetUp() override {
        recording = Recording("r.vrn");
        fs::create_directory(dir / "m");
        ASSERT_TRUE(WriteBytes(At("m/good.tif").c_str(), {1, 2, 3}));
        ASSERT_TRUE(WriteBytes(At("outside.txt").c_str(), {4, 5}));
        ASSERT_EQ(::symlink("good.tif", At("m/link.tif").c_str()), 0);
        ASSERT_TRUE(MakeFifo(dir / "m" / "fifo.tif"));
    }
    // A manifest in m/ for the recording with the given "files" value.
    std::string Manifest(const std::string& files) {
        const std::string path = At("m/x.manifest.json");
        const std::string text = "{\"program\": \"quorvane-cli\", \"recording\": {\"path\": " +
                                 Quoted(recording) + ", " + SizeAndHash(recording) +
                                 "}, \"files\": " + files + "}";
        EXPECT_TRUE(WriteBytes(path.c_str(), {text.begin(), text.end()}));
        return path;
    }
    std::string Entry(const std::string& name, const std::string& hashed) {
        return "{\"name\": " + Quoted(name) + ", " + SizeAndHash(hashed) + "}";
    }
    std::string recording;
};

TEST_F(VerifyTest, ListedFilesAreBareRegularFilesInTheManifestsFolder) {
    const std::string good = At("m/good.tif");
    const std::vector<EntryCase> cases = {
        {"a plain file", "[" + Entry("good.tif", good) + "]", 0, ""},
        {"an absolute path", "[" + Entry("/etc/hostname", "/etc/hostname") + "]", 1,
         "entry 1 of \"files\" (/etc/hostname) is not a file name"},
        {"a way out", "[" + Entry("good.tif", good) + ", " + Entry("../outside.txt", At("outside.txt")) + "]",
         1, "entry 2 of \"files\" (../outside.txt)"},
        {"an empty name", "[" + Entry("", good) + "]", 1, "entry 1"},
        {"a NUL in the name", "[" + Entry("good.tif\\u0000x", good) + "]", 1, "entry 1"},
        {"dot dot", "[" + Entry("..", good) + "]", 1, "entry 1"},
        {"a symbolic link", "[" + Entry("link.tif", good) + "]", 1, "link.tif: a symbolic link"},
        {"a FIFO", "[" + Entry("fifo.tif", good) + "]", 1, "fifo.tif: not a regular file"},
        {"files not a list", "{\"a\": " + Entry("good.tif", good) + "}", 1, "\"files\" is not a list"},
        {"a size as text", "[{\"name\": \"good.tif\", \"size\": \"3\", \"sha256\": \"00\"}]", 1,
         "lacks a name, size or sha256"},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.label);
        const ProcessResult run = Cli({"verify", Manifest(c.files)}, 20);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, c.status) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
}

TEST_F(VerifyTest, AManifestThatIsNoFileFailsInOneLine) {
    fs::create_directory(dir / "folder.json");
    ASSERT_TRUE(MakeFifo(dir / "fifo.json"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {At("folder.json"), "Is a directory"},
        {At("fifo.json"), "not a regular file"},
        {At("none.json"), "missing"},
    };
    for (const auto& [path, says] : cases) {
        const ProcessResult run = Cli({"verify", path}, 20);
        EXPECT_FALSE(run.timedOut) << path;
        EXPECT_EQ(run.exitCode, 1) << path << ": " << run.Describe();
        EXPECT_EQ(run.ErrLines(), std::vector<std::string>{"quorvane-cli: " + path + ": " + says});
    }
}

TEST_F(SafetyTest, NamesThatAreNotTextSurviveTheManifest) {
    const std::string bad = Recording("bad\xff\xfeutf.vrn");
    fs::create_directory(dir / "o");
    ASSERT_EQ(Cli({"convert", bad, "-o", At("o/"), "--manifest", "-q"}).exitCode, 0);
    const std::string manifest = At("o/bad\xff\xfeutf.manifest.json");
    EXPECT_NE(FileText(manifest).find("\"name_bytes\": \"626164fffe7574665f3030303030302e746966\""),
              std::string::npos);
    const ProcessResult run = Cli({"verify", manifest});
    EXPECT_EQ(run.exitCode, 0) << run.err;

    const ProcessResult info = Cli({"info", bad, "--json"});
    EXPECT_NE(info.out.find("\"name_bytes\": \"626164fffe7574662e76726e\""), std::string::npos)
        << info.out;
}

TEST_F(SafetyTest, NamesPrintedAnywhereAreEscaped) {
    const std::string csi = Recording("csi\xc2\x9b" "2J.vrn");
    const ProcessResult info = Cli({"info", csi});
    EXPECT_NE(info.out.find("name: csi\\xc2\\x9b2J.vrn"), std::string::npos) << info.out;
    const ProcessResult json = Cli({"info", csi, "--json"});
    EXPECT_NE(json.out.find("\"name\": \"csi\\u009b2J.vrn\""), std::string::npos) << json.out;

    // A failing recording whose name forges a line of its own in the summary.
    const std::string forged = At("nl\nquorvane-cli: all good.vrn");
    ASSERT_TRUE(WriteBytes(forged.c_str(), {1, 2, 3}));
    const std::string good = Recording("good.vrn");
    fs::create_directory(dir / "o");
    const ProcessResult run = Cli({"convert", good, forged, "-o", At("o/")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_NE(run.out.find("failed: " + dir.Path().string() + "/nl\\x0aquorvane-cli"),
              std::string::npos)
        << run.out;
}
