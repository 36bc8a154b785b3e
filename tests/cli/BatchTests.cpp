// SPDX-License-Identifier: BSD-3-Clause
// End to end: several recordings, resuming, stacks, manifests and verify,
// driven through the built quorvane-cli.
#include "convert/BatchFrames.h"
#include "convert/Stack.h"
#include "convert/StackFile.h"
#include "recording/VornReader.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::string Sha256Sum(const std::string& path) {
    std::FILE* pipe = ::popen(("sha256sum '" + path + "'").c_str(), "r");
    char digest[65] = {};
    const bool read = pipe != nullptr && std::fscanf(pipe, "%64s", digest) == 1;
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return read ? digest : "";
}

// One page of a stack as libtiff reads it.
struct Page {
    TiffImage image;
    std::string description;
    std::string software;
};

std::vector<Page> ReadStack(const std::string& path) {
    std::vector<Page> pages;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) {
        return pages;
    }
    do {
        Page page;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.image.width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.image.height);
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &page.image.bits);
        char* text = nullptr;
        if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &text) == 1) {
            page.description = text;
        }
        if (TIFFGetField(tiff, TIFFTAG_SOFTWARE, &text) == 1) {
            page.software = text;
        }
        std::vector<uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
        for (uint32_t y = 0; y < page.image.height; ++y) {
            if (TIFFReadScanline(tiff, row.data(), y, 0) < 0) {
                return {};
            }
            for (uint32_t x = 0; x < page.image.width; ++x) {
                page.image.samples.push_back(
                    page.image.bits == 16
                        ? uint32_t{reinterpret_cast<const uint16_t*>(row.data())[x]}
                        : uint32_t{row[x]});
            }
        }
        pages.push_back(std::move(page));
    } while (TIFFReadDirectory(tiff) == 1);
    TIFFClose(tiff);
    return pages;
}

class BatchTest : public ::testing::Test {
protected:
    CliResult Cli(const std::string& args) {
        const std::string command = "cd '" + work.Path().string() + "' && '" QUORVANE_CLI_PATH
                                    "' " + args + " >'" + logs / "out" + "' 2>'" + logs / "err" +
                                    "'";
        CliResult run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = Text(logs / "out");
        run.err = Text(logs / "err");
        return run;
    }

    // Starts quorvane-cli, waits until `folder` holds `files` entries, then
    // interrupts it; returns the exit status.
    int Interrupt(const std::vector<std::string>& args, const std::string& folder,
                  std::size_t files) {
        std::vector<std::string> all{QUORVANE_CLI_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            return -1;
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (work.Files(folder).size() < files && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        kill(pid, SIGINT);
        int status = 0;
        waitpid(pid, &status, 0);
        // An interrupted run ends by its signal: report it as a shell would (130).
        return WIFEXITED(status)     ? WEXITSTATUS(status)
               : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                     : -1;
    }

    std::string Recording(const std::string& name, int frames, int width = 32, int height = 32,
                          int firstFrameNo = 0) {
        VornRecipe desc = TestRecording(width, height, frames);
        desc.firstFrameNo = firstFrameNo;
        return WriteTestRecording(work, name, desc);
    }

    void Folder(const std::string& name) { fs::create_directories(work / name); }

    TempDir work;
    TempDir logs;
};

// A recording the reader refuses: its stride is smaller than a frame.
void WriteRefused(const std::string& path) {
    const VornRecipe desc = TestRecording(32, 32, 3);
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    PokeInt32(bytes, VornLayoutOf(desc).fszpPos + 96, 100, false);
    ASSERT_TRUE(WriteBytes(path.c_str(), bytes));
}

TEST_F(BatchTest, SeveralRecordingsGoOnPastOneThatFails) {
    Recording("a.vrn", 3);
    Recording("b.take.vrn", 2);
    WriteRefused(work / "bad.vrn");
    Folder("out");
    CliResult run = Cli("convert a.vrn bad.vrn b.take.vrn -o out");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::string("quorvane-cli: cannot open bad.vrn: ") +
                           VornErrorText(VornError::StrideTooSmall) + "\n");
    EXPECT_EQ(work.Files("out"),
              (std::vector<std::string>{"a_000000.tif", "a_000001.tif", "a_000002.tif",
                                        "b.take_000000.tif", "b.take_000001.tif"}));
    EXPECT_NE(run.out.find("5 files, "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("; failed: bad.vrn\n"), std::string::npos) << run.out;
    EXPECT_EQ(ReadTiff(work / "out/b.take_000001.tif").samples[2], TestSample(1, 2, 0));

    fs::remove_all(work / "out");
    Folder("out");
    run = Cli("convert a.vrn b.take.vrn -o out/ -q");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(work.Files("out").size(), 5u);
}

TEST_F(BatchTest, UsageErrorsComeBeforeAnythingIsWritten) {
    Recording("a.vrn", 2);
    Recording("b.vrn", 2);
    Folder("x");
    Folder("out");
    fs::copy_file(work / "a.vrn", work / "x/a.vrn");
    for (const char* args :
         {"convert a.vrn x/a.vrn -o out/", "convert a.vrn b.vrn", "convert a.vrn b.vrn -o file",
          "convert a.vrn b.vrn -o missing/", "convert a.vrn b.vrn -o out --first 1",
          "convert a.vrn b.vrn -o out --last 0", "convert a.vrn --bigtiff"}) {
        const CliResult run = Cli(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.err.rfind("quorvane-cli: ", 0), 0u) << args << ": " << run.err;
        EXPECT_EQ(work.Files("out"), std::vector<std::string>{}) << args;
        EXPECT_EQ(work.Files(), (std::vector<std::string>{"a.vrn", "b.vrn", "out", "x"})) << args;
    }
    EXPECT_NE(Cli("convert a.vrn x/a.vrn -o out/").err.find("a.vrn and x/a.vrn"),
              std::string::npos);
}

TEST_F(BatchTest, SkipExistingFinishesAnInterruptedRun) {
    Recording("clip.vrn", 300, 256, 256, -20);
    Folder("ref");
    Folder("run");
    ASSERT_EQ(Cli("convert clip.vrn -q -o ref/").status, 0);
    const int status =
        Interrupt({"convert", work / "clip.vrn", "-q", "--jobs", "2", "--manifest", "-o",
                   work / "run/"},
                  "run", 6);
    ASSERT_EQ(status, 130);
    std::size_t left = work.Files("run").size();
    ASSERT_LT(left, 301u);
    // The interrupted run's manifest lists exactly the complete files; an
    // interrupt before the recording was hashed leaves none.
    if (fs::exists(work / "run/clip.manifest.json")) {
        EXPECT_EQ(Cli("verify run/clip.manifest.json").status, 0);
        EXPECT_EQ(Text(work / "run/clip.manifest.json").find("\"frame\": 299,"),
                  std::string::npos);
    } else {
        ++left; // the manifest the count below allows for
    }

    const CliResult run = Cli("convert clip.vrn --skip-existing --manifest -o run/");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(", " + std::to_string(left - 1) + " skipped\n"), std::string::npos)
        << run.out;
    std::vector<std::string> names = work.Files("run");
    std::erase(names, "clip.manifest.json");
    ASSERT_EQ(names, work.Files("ref"));
    for (const std::string& name : names) {
        ASSERT_EQ(ReadBytes(work / ("run/" + name)), ReadBytes(work / ("ref/" + name))) << name;
    }
    const std::string manifest = Text(work / "run/clip.manifest.json");
    EXPECT_NE(manifest.find("\"sha256\": \"" + Sha256Sum(work / "ref/clip_000299.tif")),
              std::string::npos);
    EXPECT_NE(manifest.find("\"recorded\": 279,"), std::string::npos);
}

TEST_F(BatchTest, SkipExistingReportsAForeignFileOfTheSameSize) {
    Recording("clip.vrn", 6);
    Folder("out");
    ASSERT_EQ(Cli("convert clip.vrn -q -o out/").status, 0);
    // Same size, a different geometry in its header.
    std::vector<uint8_t> foreign = ReadBytes(work / "out/clip_000003.tif");
    foreign[30] = 16;
    ASSERT_TRUE(WriteBytes((work / "out/clip_000003.tif").c_str(), foreign));
    fs::remove(work / "out/clip_000004.tif");
    CliResult run = Cli("convert clip.vrn --skip-existing --jobs 1 -o out/");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quorvane-cli: clip.vrn: frame 3 (out/clip_000003.tif): a different file "
                       "already has this name\n");
    EXPECT_EQ(ReadBytes(work / "out/clip_000003.tif"), foreign);
    EXPECT_FALSE(fs::exists(work / "out/clip_000004.tif"));

    // 16-bit files are not the 8-bit files a resumed 8-bit run expects.
    fs::remove(work / "out/clip_000003.tif");
    run = Cli("convert clip.vrn --skip-existing --bits 8 -o out/");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("frame 0 (out/clip_000000.tif)"), std::string::npos) << run.err;
}

TEST_F(BatchTest, StackPagesEqualTheFrameFiles) {
    Recording("clip.vrn", 7, 64, 16, -500);
    for (const std::string bits : {"16", "8"}) {
        for (const std::string extra : {"--jobs 1", "--jobs 3", "--bigtiff --jobs 2"}) {
            SCOPED_TRACE(bits + " " + extra);
            Folder("single");
            ASSERT_EQ(Cli("convert clip.vrn -q --first 2 --bits " + bits + " -o single/").status, 0);
            ASSERT_EQ(Cli("convert clip.vrn -q --stack --first 2 -o s.tif --bits " + bits + " " +
                          extra)
                          .status,
                      0);
            const std::vector<uint8_t> bytes = ReadBytes(work / "s.tif");
            ASSERT_GT(bytes.size(), 4u);
            EXPECT_EQ(bytes[2], extra.find("bigtiff") != std::string::npos ? 43 : 42);
            const std::vector<Page> pages = ReadStack(work / "s.tif");
            ASSERT_EQ(pages.size(), 5u);
            for (int i = 0; i < 5; ++i) {
                const TiffImage single = ReadTiff(work / ("single/clip_00000" +
                                                          std::to_string(i + 2) + ".tif"));
                const Page& page = pages[static_cast<std::size_t>(i)];
                EXPECT_EQ(page.image.bits, single.bits);
                EXPECT_EQ(page.image.samples, single.samples) << "page " << i;
                EXPECT_EQ(page.description, "frame=" + std::to_string(i + 2) +
                                                " recorded=" + std::to_string(i + 2 - 500));
                EXPECT_EQ(page.software.rfind("quorvane-cli ", 0), 0u) << page.software;
            }
            fs::remove_all(work / "single");
            fs::remove(work / "s.tif");
        }
    }
}

TEST_F(BatchTest, NoPartialStackAfterAFailure) {
    const VornRecipe desc = TestRecording(32, 32, 8);
    std::vector<uint8_t> bytes = BuildVorn(desc, TestSource(desc));
    bytes.resize(static_cast<std::size_t>(VornLayoutOf(desc).framPos + desc.FrameStride() * 5 + 7));
    ASSERT_TRUE(WriteBytes((work / "cut.vrn").c_str(), bytes));
    Folder("out");
    for (const char* jobs : {"1", "2"}) {
        const CliResult run = Cli(std::string("convert cut.vrn --stack --manifest -o out/ --jobs ") + jobs);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "quorvane-cli: cut.vrn: frame 5 (out/cut.tif): frame could not be read "
                           "whole\n");
        EXPECT_EQ(work.Files("out"), std::vector<std::string>{}) << jobs;
    }
    EXPECT_EQ(Cli("convert cut.vrn --stack -o nowhere/x.tif").status, 2);

    Recording("clip.vrn", 400, 256, 256);
    const int status =
        Interrupt({"convert", work / "clip.vrn", "--stack", "-o", work / "out/"}, "out", 1);
    EXPECT_EQ(status, 130);
    EXPECT_EQ(work.Files("out"), std::vector<std::string>{});
}

TEST_F(BatchTest, SkipExistingKeepsACompleteStackOnly) {
    Recording("clip.vrn", 4);
    ASSERT_EQ(Cli("convert clip.vrn -q --stack -o s.tif").status, 0);
    const auto written = fs::last_write_time(work / "s.tif");
    CliResult run = Cli("convert clip.vrn --stack --skip-existing -o s.tif");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("0 files, 0 bytes in "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(", 4 skipped"), std::string::npos) << run.out;
    EXPECT_EQ(fs::last_write_time(work / "s.tif"), written);
    // A stack of another range is not this run's stack.
    run = Cli("convert clip.vrn --stack --skip-existing --first 1 -o s.tif");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("a different file already has this name"), std::string::npos);
}

// A stack that looks complete is kept only when every page holds its frame:
// one whose page 3 points past its end, or with a changed sample, is written
// again, and the manifest then vouches for the new file.
TEST_F(BatchTest, SkipExistingRewritesAStackItCannotProve) {
    Recording("clip.vrn", 5);
    ASSERT_EQ(Cli("convert clip.vrn -q --stack -o ref.tif").status, 0);
    const std::vector<uint8_t> good = ReadBytes(work / "ref.tif");
    const std::vector<StripPlace> strips = StackStrips(work / "ref.tif");
    ASSERT_EQ(strips.size(), 5u);
    // Page 3's StripOffsets entry: tag 273, LONG, one value.
    std::vector<uint8_t> past = good;
    const auto at = static_cast<uint32_t>(strips[3].offset);
    const uint8_t entry[] = {0x11, 0x01, 4, 0, 1, 0, 0, 0, static_cast<uint8_t>(at),
                             static_cast<uint8_t>(at >> 8), static_cast<uint8_t>(at >> 16),
                             static_cast<uint8_t>(at >> 24)};
    const auto found = std::search(past.begin(), past.end(), std::begin(entry), std::end(entry));
    ASSERT_NE(found, past.end());
    PokeInt32(past, (found - past.begin()) + 8, static_cast<int32_t>(past.size() + 64), false);
    std::vector<uint8_t> changed = good;
    changed[strips[1].offset + 5] ^= 4;
    for (const auto& damaged : {past, changed}) {
        ASSERT_TRUE(WriteBytes((work / "s.tif").c_str(), damaged));
        const CliResult run = Cli("convert clip.vrn --stack --skip-existing --manifest -o s.tif");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("1 files, "), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(", 0 written, 1 rewritten, 0 skipped\n"), std::string::npos)
            << run.out;
        EXPECT_EQ(ReadBytes(work / "s.tif"), good);
        EXPECT_EQ(Cli("verify s.manifest.json").status, 0);
    }
}

TEST_F(BatchTest, ManifestHashesAndVerify) {
    Recording("clip.vrn", 4, 32, 32, 10);
    Folder("out");
    ASSERT_EQ(Cli("convert clip.vrn -q --manifest --bits 8 -o out/shot").status, 0);
    ASSERT_EQ(Cli("convert clip.vrn -q --manifest --stack -o out/all.tif").status, 0);
    const std::string manifest = Text(work / "out/shot.manifest.json");
    EXPECT_NE(manifest.find("\"sha256\": \"" + Sha256Sum(work / "clip.vrn") + "\""),
              std::string::npos);
    EXPECT_NE(manifest.find("\"path\": \"" + (work / "clip.vrn") + "\""), std::string::npos);
    EXPECT_NE(manifest.find("\"first-frame-number\": 10,"), std::string::npos);
    for (int i = 0; i < 4; ++i) {
        const std::string name = "shot_00000" + std::to_string(i) + ".tif";
        EXPECT_NE(manifest.find("\"frame\": " + std::to_string(i) + ",\n      \"recorded\": " +
                                std::to_string(10 + i) + ",\n      \"name\": \"" + name +
                                "\",\n      \"size\": 1224,\n      \"sha256\": \"" +
                                Sha256Sum(work / ("out/" + name)) + "\""),
                  std::string::npos)
            << name;
    }
    EXPECT_NE(Text(work / "out/all.manifest.json")
                  .find("\"pages\": 4,\n      \"name\": \"all.tif\",\n      \"size\": " +
                        std::to_string(fs::file_size(work / "out/all.tif")) +
                        ",\n      \"sha256\": \"" + Sha256Sum(work / "out/all.tif") + "\""),
              std::string::npos);

    CliResult run = Cli("verify out/shot.manifest.json out/all.manifest.json");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::vector<uint8_t> bytes = ReadBytes(work / "out/shot_000002.tif");
    bytes[600] ^= 1;
    ASSERT_TRUE(WriteBytes((work / "out/shot_000002.tif").c_str(), bytes));
    fs::remove(work / "out/shot_000003.tif");
    run = Cli("verify out/shot.manifest.json out/all.manifest.json");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quorvane-cli: out/shot_000002.tif: changed\n"
                       "quorvane-cli: out/shot_000003.tif: missing\n");
    EXPECT_EQ(Cli("verify nothing.json").status, 1);
    EXPECT_EQ(Cli("verify clip.vrn").status, 1);
}

// A stack past 4 GiB turns BigTIFF by itself. The recording is sparse (its
// frames read as zeros); the stack itself needs 4.1 GiB of real disk space,
// so the test is skipped where the temporary folder has less than 6 GiB, and
// in sanitizer builds, where 4 GiB through an instrumented program take many
// minutes (the Release build runs it).
TEST_F(BatchTest, StackPastFourGiBIsBigTiff) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "4 GiB through the sanitizers takes too long";
#endif
    struct statvfs space {};
    if (statvfs(work.Path().c_str(), &space) != 0 ||
        static_cast<double>(space.f_bavail) * static_cast<double>(space.f_frsize) < 6.0e9) {
        GTEST_SKIP() << "needs 6 GB free in " << work.Path();
    }
    VornRecipe desc = TestRecording(8192, 8192, 1);
    desc.lastFrameNo = 32; // 33 frames, 128 MiB each at 16 bits
    ASSERT_TRUE(WriteVorn((work / "big.vrn").c_str(), desc, [](int32_t, uint16_t*) {}));
    fs::resize_file(work / "big.vrn",
                    static_cast<uintmax_t>(VornLayoutOf(desc).framPos + desc.FrameStride() * 33));
    const CliResult run = Cli("convert big.vrn -q --stack -o big.tif");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GT(fs::file_size(work / "big.tif"), uintmax_t{1} << 32);
    TIFF* tiff = TIFFOpen((work / "big.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    EXPECT_TRUE(TIFFIsBigTIFF(tiff));
    EXPECT_EQ(TIFFNumberOfDirectories(tiff), 33);
    TIFFClose(tiff);
}

TEST(StackLayout, BigTiffOnlyWhenOffsetsCouldPassFourGiB) {
    const int64_t page = int64_t{2048} * 2048 * 2; // 8 MiB
    EXPECT_FALSE(StackNeedsBigTiff(500, page));
    EXPECT_TRUE(StackNeedsBigTiff(512, page)); // exactly 4 GiB of samples
    EXPECT_FALSE(StackNeedsBigTiff(1, int64_t{1} << 31));
    EXPECT_TRUE(StackNeedsBigTiff(int64_t{1} << 24, 256)); // small pages, many tags
}

TEST(ExistingFrames, OnlyOurOwnCompleteFileCounts) {
    TempDir dir;
    const VornRecipe desc = TestRecording(16, 8, 1);
    ASSERT_TRUE(WriteVorn((dir / "r.vrn").c_str(), desc, TestSource(desc)));
    EXPECT_EQ(CheckExistingFrame(dir / "f.tif", 16, 8, 16), ExistingFile::Absent);
    ASSERT_EQ(std::system(("cd '" + dir.Path().string() + "' && '" QUORVANE_CLI_PATH
                           "' convert -q r.vrn -o f.tif")
                              .c_str()),
              0);
    const std::string file = dir / "f_000000.tif";
    EXPECT_EQ(CheckExistingFrame(file, 16, 8, 16), ExistingFile::Ours);
    EXPECT_EQ(CheckExistingFrame(file, 8, 16, 16), ExistingFile::Foreign); // same size
    EXPECT_EQ(CheckExistingFrame(file, 16, 8, 8), ExistingFile::Foreign);
    std::vector<uint8_t> bytes = ReadBytes(file);
    bytes.pop_back();
    ASSERT_TRUE(WriteBytes(file.c_str(), bytes));
    EXPECT_EQ(CheckExistingFrame(file, 16, 8, 16), ExistingFile::Foreign);
    fs::create_directory(dir / "d.tif");
    EXPECT_EQ(CheckExistingFrame(dir / "d.tif", 16, 8, 16), ExistingFile::Foreign);
}

} // namespace
