// Kept fuzz findings, each with the clean handling it must get.
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kDir = QUORVANE_CRASHERS_DIR;

std::vector<fs::path> Inputs(const std::string& target) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kDir / target)) {
        files.push_back(entry.path());
    }
    return files;
}

class OutDir {
public:
    OutDir() {
        char pattern[] = "/tmp/quorvane-crashers-XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            path_ = pattern;
        }
    }
    ~OutDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// Every kept recording: refused with a reason, or every frame read either
// whole (and then positioned at that frame) or reported as not whole.
TEST(Crashers, ReaderRefusesOrNeverPassesAShortReadForAWholeFrame) {
    for (const fs::path& file : Inputs("reader")) {
        SCOPED_TRACE(file.filename().string());
        VornReader reader;
        if (reader.Open(file.c_str(), 1) == 0) {
            EXPECT_NE(reader.error, VornError::None);
            continue;
        }
        const int64_t whole = int64_t{reader.width} * reader.height * 2;
        ASSERT_LE(whole, int64_t{1} << 24);
        std::vector<uint16_t> frame(static_cast<size_t>(whole / 2));
        for (int32_t i = 0; i < std::min(reader.frameCount, 16); ++i) {
            const int32_t r = reader.ReadFrame(frame.data(), i, 0x7FFFFFFF);
            if (r == whole) {
                EXPECT_EQ(reader.currentFrame, i) << "frame " << i << " was not read whole";
            }
        }
    }
}

// Frames 0 and 1 are whole, frame 2 is cut to exactly as many bytes as a
// decoded frame has: it must not be saved as if it had been read.
TEST(Crashers, DocumentWritesNoFileForACutFrameWhoseByteCountMatchesAWholeOne) {
    OutDir out;
    CVornDoc doc;
    ASSERT_EQ(doc.OnOpenDocument((kDir / "reader/short-frame-2-count-equals-whole-frame").c_str()),
              1);
    const fs::path good = out.Path() / "f1.tif";
    const fs::path cut = out.Path() / "f2.tif";
    EXPECT_EQ(doc.RenderFrame(1, 1, good.c_str(), 16, 16), 1);
    EXPECT_TRUE(fs::exists(good));
    EXPECT_EQ(doc.RenderFrame(2, 1, cut.c_str(), 16, 16), 0);
    EXPECT_FALSE(fs::exists(cut));
}

TEST(Crashers, DocumentWritesNoFileForAFirstFrameThatIsNotThere) {
    OutDir out;
    CVornDoc doc;
    ASSERT_EQ(doc.OnOpenDocument((kDir / "reader/short-frame-0-count-equals-whole-frame").c_str()),
              1);
    const fs::path cut = out.Path() / "f0.tif";
    EXPECT_EQ(doc.RenderFrame(0, 1, cut.c_str(), 10, 8), 0);
    EXPECT_FALSE(fs::exists(cut));
}

} // namespace
