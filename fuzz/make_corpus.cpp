// SPDX-License-Identifier: BSD-3-Clause
// Writes the seed corpus of the fuzz targets: small recordings in both byte
// orders and both layouts, with corrections of kinds 3, 4 and 6 and unusual
// chunk directories; unpacker and path inputs. Deterministic, so running it
// again reproduces the committed files.
//
// Usage: fuzz_make_corpus CORPUS-ROOT   (writes CORPUS-ROOT/<target>/...)
#include "recording/VornWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr VornTag Tag(const char (&s)[5]) {
    return {s[0], s[1], s[2], s[3]};
}

const VornTag kBig = Tag("MMMM");
const VornTag kLanes = Tag("lnc1");
const VornTag kTrq1 = Tag("trq1");
const VornTag kTrq2 = Tag("trq2");

bool g_failed = false;

void Save(const fs::path& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir / name;
    if (!WriteBytes(path.c_str(), bytes)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        g_failed = true;
    }
}

// Tiny frames keep every seed a few kilobytes, so fuzzing stays fast.
VornRecipe Small(VornTag model, bool big) {
    VornRecipe s;
    s.width = 32;
    s.height = 16;
    s.frameCount = 3;
    s.modelTag = model;
    if (big) {
        s.byteOrderMark = kBig;
    }
    return s;
}

VornCorrection Kind3(int16_t w, int16_t h) {
    VornCorrection c;
    c.kind = 3;
    c.mapWidth = w;
    c.mapHeight = h;
    for (int i = 0; i < w * h; ++i) {
        c.offsets.push_back(static_cast<int8_t>((i * 7) % 61 - 30));
    }
    return c;
}

VornCorrection Kind6(int16_t w, int16_t h, int8_t lo, int8_t hiStored) {
    VornCorrection c;
    c.kind = 6;
    c.mapWidth = w;
    c.mapHeight = h;
    c.lo = lo;
    c.hiStored = hiStored;
    const auto n = static_cast<size_t>(w * h);
    for (size_t k = 0; k < 4; ++k) {
        for (size_t i = 0; i < n; ++i) {
            // Bit 10 set on some words: negative offsets.
            c.offsetImages[k].push_back(static_cast<uint16_t>((i * (k + 3)) % 0x800));
        }
    }
    for (size_t i = 0; i < n; ++i) {
        c.gain.push_back(static_cast<uint16_t>(384 + (i * 13) % 256));
    }
    return c;
}

VornChunkEntry Entry(VornTag tag, int32_t leadIn = 0, std::vector<uint8_t> content = {}) {
    VornChunkEntry e;
    e.tag = tag;
    e.leadIn = leadIn;
    e.content = std::move(content);
    return e;
}

void ReaderCorpus(const fs::path& dir) {
    for (bool big : {false, true}) {
        const std::string bo = big ? "be" : "le";
        Save(dir, bo + "-lanes", BuildVorn(Small(kLanes, big)));
        Save(dir, bo + "-trq1", BuildVorn(Small(kTrq1, big)));
        Save(dir, bo + "-trq2", BuildVorn(Small(kTrq2, big)));

        VornRecipe k3 = Small(kLanes, big);
        k3.correction = Kind3(32, 16);
        Save(dir, bo + "-lanes-kind3", BuildVorn(k3));

        VornRecipe k3q = Small(kTrq2, big);
        k3q.correction = Kind3(64, 32); // frame centred inside larger maps
        Save(dir, bo + "-trq2-kind3-bigmaps", BuildVorn(k3q));

        VornRecipe k4 = Small(kLanes, big);
        k4.correction = Kind3(32, 16);
        k4.correction.kind = 4;
        Save(dir, bo + "-lanes-kind4", BuildVorn(k4));

        VornRecipe k6 = Small(kLanes, big);
        k6.correction = Kind6(32, 16, 20, 39);
        k6.calibValue = 30;
        Save(dir, bo + "-lanes-kind6", BuildVorn(k6));

        VornRecipe k6q = Small(kTrq1, big);
        k6q.correction = Kind6(32, 16, 10, 9); // D = 0
        Save(dir, bo + "-trq1-kind6-d0", BuildVorn(k6q));
    }

    // Chunk orders and directories out of the ordinary.
    VornRecipe odd = Small(kLanes, false);
    odd.correction = Kind3(32, 16);
    odd.directory = {Entry(Tag("FRAM")),
                     Entry(Tag("XTRA"), 8, {1, 2, 3}),
                     Entry(Tag("FSZP"), 4),
                     Entry(Tag("DSPP"), 0, {9, 9}),
                     Entry(Tag("PLAY")),
                     Entry(Tag("FPNP"), 12),
                     Entry(Tag("DFCT"), 0, {7}),
                     Entry(Tag("GENP")),
                     Entry(Tag("FRAM"), 0, std::vector<uint8_t>(40, 0xFF))};
    Save(dir, "le-odd-order", BuildVorn(odd));

    VornRecipe oddBig = odd;
    oddBig.byteOrderMark = kBig;
    oddBig.modelTag = kTrq2;
    oddBig.correction = Kind6(32, 16, 0, 9);
    oddBig.calibValue = 5;
    Save(dir, "be-odd-order-kind6", BuildVorn(oddBig));

    VornRecipe padded = Small(kLanes, false);
    padded.frameStride = 700; // packed size 640 plus padding
    padded.firstFrameNo = -500;
    Save(dir, "le-stride-padding-negative-numbers", BuildVorn(padded));

    VornRecipe declared = Small(kTrq1, true);
    declared.lastFrameNo = 1000; // declares more frames than it holds
    std::vector<uint8_t> shortFile = BuildVorn(declared);
    Save(dir, "be-trq1-declares-more", shortFile);

    std::vector<uint8_t> truncated = BuildVorn(Small(kLanes, false));
    truncated.resize(truncated.size() - 300); // ends inside frame 2
    Save(dir, "le-truncated-in-frame", truncated);

    VornRecipe odd4 = Small(kLanes, false);
    odd4.width = 20; // lane remainder: 20 * 10 is not a multiple of 32
    odd4.height = 10;
    odd4.basePosition = 300;
    Save(dir, "le-lanes-remainder", BuildVorn(odd4));
}

void UnpackCorpus(const fs::path& dir) {
    std::mt19937 rng(1234);
    auto randomBytes = [&](size_t n) {
        std::vector<uint8_t> v(n);
        for (auto& b : v) {
            b = static_cast<uint8_t>(rng());
        }
        return v;
    };
    // Mode, geometry, data: see the unpack fuzz target.
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> heads = {
        {"lanes-32x16", {0, 31, 0, 15}},
        {"lanes-100x1", {0, 99, 0, 0}},
        {"lanes-7x9", {0, 6, 0, 8}},
        {"quadrants-32x32", {1, 7, 1}},
        {"quadrants-48x16", {1, 11, 0}},
        {"quadrants-64x128", {1, 15, 7}},
        {"offset", {2}},
        {"offset-gain", {3}},
    };
    for (const auto& [name, head] : heads) {
        std::vector<uint8_t> bytes = head;
        const std::vector<uint8_t> data =
            randomBytes(name.rfind("quadrants-64", 0) == 0 ? 10240 : 1280);
        bytes.insert(bytes.end(), data.begin(), data.end());
        Save(dir, name, bytes);
    }
    std::vector<uint8_t> ones = {0, 31, 0, 0}; // 32 x 1: one group
    ones.insert(ones.end(), 40, 0xFF);
    Save(dir, "lanes-all-ff", ones);
}

void SplitPathCorpus(const fs::path& dir) {
    const std::vector<std::pair<uint32_t, std::string>> seeds = {
        {120, "/out/shot.tif"},
        {1000000, "out.tif"},
        {0, "/a.b/c;d/name"},
        {7, "dir/name.ext;3"},
        {0xFFFFFFFF, "x.y.z"},
        {42, "/"},
        {5, ""},
        {9, "a;1.x"},
        {0x80000000, ".hidden"},
    };
    int n = 0;
    for (const auto& [index, path] : seeds) {
        std::vector<uint8_t> bytes(4 + path.size());
        for (size_t i = 0; i < 4; ++i) {
            bytes[i] = static_cast<uint8_t>(index >> (8 * i));
        }
        std::copy(path.begin(), path.end(), bytes.begin() + 4);
        Save(dir, "path-" + std::to_string(n++), bytes);
    }
}

// Placement and depth values as they might be found in a profile.
void ProfileCorpus(const fs::path& dir) {
    using namespace std::string_view_literals;
    const std::string_view seeds[] = {
        "\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00\x04"
        "44,0,1,-1,-1,-1,-1,22,22,822,622"sv,
        "\x00"
        "44,2,3,-1,-1,-1,-1,0,0,1920,1080"sv,
        "\x00"
        "1,2,3,4"sv,
        "\x00"sv,
        "\x00"
        "0"sv,
        "\x00"
        " +17,x,,-2147483648,2147483647,99999999999"sv,
        "\x02\xff\xff\xff\xff\x00\x00\x00\x00\x00\x40\x00\x00\x00\x30\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x10\x00\x00\x00\x10\x00\x00"
        "44,0,1,0,0,0,0,-100,-100,2147483647,50"sv,
    };
    int n = 0;
    for (const std::string_view seed : seeds) {
        Save(dir, "profile-" + std::to_string(n++), std::vector<uint8_t>(seed.begin(), seed.end()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-ROOT\n", argv[0]);
        return 2;
    }
    const fs::path root(argv[1]);
    for (const char* target : {"reader", "unpack", "splitpath", "profile"}) {
        std::error_code ec;
        fs::create_directories(root / target, ec);
    }
    ReaderCorpus(root / "reader");
    UnpackCorpus(root / "unpack");
    SplitPathCorpus(root / "splitpath");
    ProfileCorpus(root / "profile");
    return g_failed ? 1 : 0;
}
