// SPDX-License-Identifier: BSD-3-Clause
// Damaged and malicious recordings through every way in: the document open
// (what the viewer's open calls), `quorvane-cli info` and
// `quorvane-cli convert`. Each must be refused with a reason or read without
// undefined behaviour; nothing crashes or hangs, a refused file writes
// nothing, and memory stays within what the file's size can justify.
//
// Memory bound, per recording of S bytes: 6 * S + 16 MiB for the largest
// single allocation and for the peak of live heap bytes. A pixel costs the
// document 2 bytes (decoded frame) + about 1 (display) + 1.25 (packed read)
// + 1 (8-bit export): 5.25 bytes against the 1.25 bytes of a stored pixel,
// 4.2 times. Correction maps cost 2 to 4 bytes per element against 1 (kind
// 3) or 10 (kind 6) stored bytes. 16 MiB covers the fixed costs of a small
// file. A file that declares large frames without holding them cannot
// justify memory for them.
#include "AllocationTracker.h"
#include "HostileCases.h"
#include "ProcessRunner.h"
#include "TempDir.h"

#include "recording/CVornDoc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kFixedAllowance = size_t{16} << 20;
constexpr double kCliTimeout = 60.0;
// The command line gets a hard cap far above the bound for these small
// files, so that a runaway allocation ends it instead of the machine: its
// address space normally (threads reserve much more than they use), its
// largest single allocation under AddressSanitizer.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kCliMemoryCapMb = 256;
#else
constexpr long kCliMemoryCapMb = 1024;
#endif
// Frames converted per file at most: a hostile count must not mean
// thousands of output files.
constexpr int kMaxConvertFrames = 12;

const std::vector<HostileCase>& AllCases() {
    static const std::vector<HostileCase> cases = MakeHostileCases();
    return cases;
}

std::vector<const HostileCase*> CasesOf(const std::string& group) {
    std::vector<const HostileCase*> picked;
    for (const HostileCase& c : AllCases()) {
        if (c.group == group) {
            picked.push_back(&c);
        }
    }
    return picked;
}

size_t MemoryBound(size_t fileSize) {
    return 6 * fileSize + kFixedAllowance;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

bool HasTemporaries(const fs::path& dir) {
    const auto names = ListDir(dir);
    return std::any_of(names.begin(), names.end(),
                       [](const std::string& n) { return !n.empty() && n[0] == '.'; });
}

// Renders a bounded set of frames, saving one at each depth, and checks the
// results the document promises.
void ExerciseOpenDocument(CVornDoc& doc, const fs::path& out, const std::string& label) {
    const int n = doc.m_nFrameCount;
    ASSERT_GT(doc.m_nWidth, 0) << label;
    ASSERT_GT(doc.m_nHeight, 0) << label;
    ASSERT_GE(n, 1) << label;
    const size_t pixels = size_t(doc.m_nWidth) * size_t(doc.m_nHeight);
    std::vector<int> indices;
    for (int i = 0; i < std::min(n, 6); ++i) {
        indices.push_back(i);
    }
    indices.push_back(n - 1);
    for (int i : indices) {
        const int r = doc.RenderFrame(i, 0, nullptr, 16, 8);
        EXPECT_TRUE(r == 0 || r == 1) << label << " frame " << i << " gave " << r;
        const uint16_t* raw = doc.m_pRawPixels;
        EXPECT_TRUE(std::all_of(raw, raw + pixels, [](uint16_t s) { return s <= 1023; }))
            << label << " frame " << i << " has samples above 10 bits";
    }
    EXPECT_EQ(doc.RenderFrame(-1, 0, nullptr, 16, 8), 0) << label;
    EXPECT_EQ(doc.RenderFrame(n, 0, nullptr, 16, 8), 0) << label;

    const std::pair<int, int> depths[] = {{16, 16}, {10, 8}};
    for (const auto& [source, output] : depths) {
        const fs::path file = out / ("frame-" + std::to_string(output) + ".tif");
        const int r = doc.RenderFrame(0, 1, file.c_str(), source, output);
        std::error_code ec;
        if (r != 0) {
            EXPECT_EQ(fs::file_size(file, ec), 200 + pixels * size_t(output / 8)) << label;
        } else {
            EXPECT_FALSE(fs::exists(file)) << label << ": a failed render left " << file;
        }
    }
    EXPECT_FALSE(HasTemporaries(out)) << label;
}

// Returns whether the document accepted the recording.
bool CheckDocument(const HostileCase& hc, const TempDir& tmp) {
    const std::string label = hc.name;
    const fs::path file = tmp / "input.vrn";
    const fs::path out = tmp / "doc-out";
    WriteFile(file, hc.bytes);
    fs::create_directories(out);
    const size_t bound = MemoryBound(hc.bytes.size());

    bool opened = false;
    alloc_tracker::Reset(bound);
    try {
        CVornDoc doc;
        opened = doc.OnOpenDocument(file.c_str()) != 0;
        if (!opened) {
            EXPECT_FALSE(doc.GetOpenError().empty()) << label << ": refused without a reason";
        } else {
            ExerciseOpenDocument(doc, out, label);
        }
    } catch (const std::bad_alloc&) {
        // Reported below through the refused allocation.
    }
    const alloc_tracker::Stats stats = alloc_tracker::Get();
    alloc_tracker::Disarm();
    EXPECT_EQ(stats.refused, 0u) << label << ": asked for " << stats.refused
                                 << " bytes in one piece; the file has " << hc.bytes.size();
    EXPECT_LE(stats.peak, bound) << label << ": peak " << stats.peak << " bytes";
    std::error_code ec;
    fs::remove_all(out, ec);
    return opened;
}

// "frames": N from `info --json`, or -1.
long FramesFromJson(const std::string& json) {
    std::smatch m;
    static const std::regex frames("\"frames\": (-?[0-9]+)");
    return std::regex_search(json, m, frames) ? std::stol(m[1]) : -1;
}

void ExpectNoSanitizerReport(const ProcessResult& r, const std::string& label) {
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << label << ": " << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << label << ": " << r.err;
}

void ExpectCleanEnd(const ProcessResult& r, const std::string& label) {
    EXPECT_FALSE(r.timedOut) << label;
    EXPECT_EQ(r.signal, 0) << label << ": " << r.Describe();
    ExpectNoSanitizerReport(r, label);
}

void CheckCli(const HostileCase& hc, const TempDir& tmp) {
    const std::string label = hc.name;
    const fs::path file = tmp / "input.vrn";
    WriteFile(file, hc.bytes);
    const std::string cli = QUORVANE_CLI_PATH;

    const ProcessResult info =
        RunProcess({cli, "info", file.string(), "--json"}, kCliTimeout, {}, kCliMemoryCapMb);
    ExpectCleanEnd(info, label + " (info)");
    EXPECT_TRUE(info.exitCode == 0 || info.exitCode == 1) << label << ": " << info.Describe();
    long frames = -1;
    if (info.exitCode == 0) {
        frames = FramesFromJson(info.out);
        EXPECT_GE(frames, 1) << label << ": " << info.out;
    } else {
        EXPECT_EQ(info.ErrLines().size(), 1u) << label << ": " << info.err;
    }

    const fs::path out = tmp / "cli-out";
    fs::create_directories(out);
    std::vector<std::string> args = {
        cli, "convert", file.string(), "-o", (out / "x.tif").string(), "--quiet", "--jobs", "2"};
    long expected = -1; // files a complete run writes
    if (frames >= 1) {
        expected = std::min<long>(frames, kMaxConvertFrames);
        args.insert(args.end(), {"--first", "0", "--last", std::to_string(expected - 1)});
    }
    const ProcessResult conv = RunProcess(args, kCliTimeout, {}, kCliMemoryCapMb);
    ExpectCleanEnd(conv, label + " (convert)");
    EXPECT_TRUE(conv.exitCode == 0 || conv.exitCode == 1) << label << ": " << conv.Describe();
    if (conv.exitCode != 0) {
        // One failure line, after at most a warning that a correction is not applied.
        std::vector<std::string> lines = conv.ErrLines();
        std::erase_if(lines, [](const std::string& line) {
            return line.find(": fixed-pattern correction not applied: ") != std::string::npos;
        });
        EXPECT_EQ(lines.size(), 1u) << label << ": " << conv.err;
    }

    // Files left: x_000000.tif, x_000001.tif ... without a gap, each whole.
    const auto names = ListDir(out);
    if (info.exitCode != 0) {
        EXPECT_TRUE(names.empty())
            << label << ": a refused recording wrote " << names.size() << " files";
    }
    if (conv.exitCode == 0) {
        EXPECT_EQ(long(names.size()), expected) << label;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        char want[32];
        std::snprintf(want, sizeof want, "x_%06zu.tif", i);
        EXPECT_EQ(names[i], want) << label;
    }
    std::set<uintmax_t> sizes;
    for (const auto& n : names) {
        sizes.insert(fs::file_size(out / n));
    }
    EXPECT_LE(sizes.size(), 1u) << label << ": files of different sizes";
    std::error_code ec;
    fs::remove_all(out, ec);
}

class Hostile : public ::testing::TestWithParam<std::string> {};

TEST_P(Hostile, DocumentRefusesOrReadsWithinMemoryBound) {
    TempDir tmp;
    ASSERT_FALSE(tmp.Path().empty());
    size_t opened = 0;
    const auto cases = CasesOf(GetParam());
    for (const HostileCase* hc : cases) {
        opened += CheckDocument(*hc, tmp) ? 1 : 0;
    }
    // Each group reaches past the open, and most also hold refusals, so
    // both paths are exercised.
    EXPECT_GT(opened, 0u);
    if (GetParam() != "correction" && GetParam() != "maps") {
        EXPECT_LT(opened, cases.size());
    }
}

TEST_P(Hostile, CliInfoAndConvertEndCleanly) {
    TempDir tmp;
    ASSERT_FALSE(tmp.Path().empty());
    for (const HostileCase* hc : CasesOf(GetParam())) {
        CheckCli(*hc, tmp);
    }
}

INSTANTIATE_TEST_SUITE_P(Groups, Hostile, ::testing::ValuesIn(HostileGroups()),
                         [](const auto& info) { return info.param; });

TEST(HostileSet, HasOverTwoHundredDistinctCasesInEveryGroup) {
    std::set<std::string> names;
    for (const HostileCase& c : AllCases()) {
        EXPECT_TRUE(names.insert(c.name).second) << "duplicate case " << c.name;
    }
    EXPECT_GE(AllCases().size(), 200u);
    for (const std::string& g : HostileGroups()) {
        EXPECT_GE(CasesOf(g).size(), 5u) << g;
    }
}

// The measuring itself: a refused request is reported, not performed.
TEST(HostileSet, AllocationTrackerRefusesAboveItsLimit) {
    alloc_tracker::Reset(1 << 20);
    EXPECT_THROW((void)std::make_unique<char[]>(size_t{2} << 20), std::bad_alloc);
    auto small = std::make_unique<char[]>(1000);
    const alloc_tracker::Stats stats = alloc_tracker::Get();
    alloc_tracker::Disarm();
    EXPECT_EQ(stats.refused, size_t{2} << 20);
    EXPECT_GE(stats.peak, 1000u);
}

} // namespace
