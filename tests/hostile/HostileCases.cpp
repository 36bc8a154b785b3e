// SPDX-License-Identifier: BSD-3-Clause
#include "HostileCases.h"

#include "recording/VornWriter.h"

#include <climits>
#include <cstring>
#include <utility>

namespace {

constexpr int32_t kMin = INT32_MIN;
constexpr int32_t kMax = INT32_MAX;

VornTag Tag(const char* s) {
    VornTag t{};
    std::memcpy(t.data(), s, 4);
    return t;
}

// A sound recording the cases start from, with its layout.
struct Base {
    std::string name;
    VornRecipe recipe;
    VornLayout layout;
    std::vector<uint8_t> bytes;
    bool big = false;
    std::vector<std::string> tags; // directory in order
};

Base MakeBase(std::string name, VornRecipe recipe) {
    Base b;
    b.name = std::move(name);
    b.layout = VornLayoutOf(recipe);
    b.bytes = BuildVorn(recipe);
    b.big = recipe.BigEndian();
    b.recipe = std::move(recipe);
    b.tags = {"GENP", "PLAY", "FSZP"};
    if (b.recipe.correction.kind != 0) {
        b.tags.push_back("FPNP");
    }
    b.tags.push_back("FRAM");
    return b;
}

VornCorrection Kind3() {
    VornCorrection c;
    c.kind = 3;
    c.mapWidth = 32;
    c.mapHeight = 16;
    for (int i = 0; i < 512; ++i) {
        c.offsets.push_back(static_cast<int8_t>(i % 23 - 11));
    }
    return c;
}

VornCorrection Kind6() {
    VornCorrection c;
    c.kind = 6;
    c.mapWidth = 32;
    c.mapHeight = 16;
    c.lo = 20;
    c.hiStored = 39;
    for (auto& image : c.offsetImages) {
        image.assign(512, 0x0008);
    }
    c.gain.assign(512, 512);
    return c;
}

std::vector<Base> Bases() {
    VornRecipe lanes;
    lanes.width = 32;
    lanes.height = 16;
    lanes.frameCount = 3;

    VornRecipe k3 = lanes;
    k3.correction = Kind3();

    VornRecipe k6 = lanes;
    k6.modelTag = Tag("trq2");
    k6.byteOrderMark = Tag("MMMM");
    k6.correction = Kind6();
    k6.calibValue = 30;
    return {MakeBase("lanes", lanes), MakeBase("k3", k3), MakeBase("k6be", k6)};
}

class Collector {
public:
    void Group(std::string group) { group_ = std::move(group); }

    void Add(const std::string& name, std::vector<uint8_t> bytes) {
        cases_.push_back({group_, name, std::move(bytes)});
    }
    // A copy of the base with one 32-bit (or 16-bit) field replaced.
    void Poke32(const Base& b, const std::string& what, int64_t at, int32_t value) {
        auto bytes = b.bytes;
        PokeInt32(bytes, at, value, b.big);
        Add(what + "=" + std::to_string(value) + "/" + b.name, std::move(bytes));
    }
    void Poke16(const Base& b, const std::string& what, int64_t at, int16_t value) {
        auto bytes = b.bytes;
        PokeInt16(bytes, at, value, b.big);
        Add(what + "=" + std::to_string(value) + "/" + b.name, std::move(bytes));
    }
    std::vector<HostileCase> Take() { return std::move(cases_); }

private:
    std::string group_;
    std::vector<HostileCase> cases_;
};

void HeaderCases(Collector& c, const Base& b) {
    const auto size = static_cast<int32_t>(b.bytes.size());
    if (b.name == "lanes") {
        c.Add("empty", {});
        c.Add("one-byte", {'V'});
        c.Add("255-bytes", std::vector<uint8_t>(b.bytes.begin(), b.bytes.begin() + 255));
        c.Add("header-only", std::vector<uint8_t>(b.bytes.begin(), b.bytes.begin() + 256));
        for (int i = 0; i < 4; ++i) {
            auto bytes = b.bytes;
            bytes[static_cast<size_t>(i)] ^= 0x20; // "vORN", "VoRN", ...
            c.Add("magic-byte-" + std::to_string(i), std::move(bytes));
        }
        auto wrongOrder = b.bytes;
        PokeBytes(wrongOrder, 20, {'M', 'M', 'M', 'M'});
        c.Add("little-endian-file-marked-MMMM", std::move(wrongOrder));
    }
    if (b.name == "k6be") {
        auto wrongOrder = b.bytes;
        PokeBytes(wrongOrder, 20, {'M', 'M', 'M', 'm'});
        c.Add("big-endian-file-marked-MMMm", std::move(wrongOrder));
    }
    for (int32_t v : {kMin, -257, -1, 0, 1, size, kMax}) {
        c.Poke32(b, "base-position", 16, v);
    }
    for (int32_t v : {kMin, -1, 0, 1, 4, 13, 14, kMax}) {
        c.Poke32(b, "chunk-count", 44, v);
    }
}

void DirectoryCases(Collector& c, const Base& b) {
    const auto size = static_cast<int32_t>(b.bytes.size());
    for (size_t k = 0; k < b.tags.size(); ++k) {
        const int64_t entry = 48 + 16 * static_cast<int64_t>(k);
        const std::string label = b.tags[k];
        for (int32_t v : {kMin, -100000, -1, size, kMax}) {
            c.Poke32(b, label + "-lead-in", entry + 4, v);
        }
        for (int32_t v : {kMin, -1, 0, kMax}) {
            c.Poke32(b, label + "-length", entry + 8, v);
        }
        auto missing = b.bytes;
        PokeBytes(missing, entry, {'X', 'X', 'X', 'X'});
        c.Add(label + "-tag-unknown/" + b.name, std::move(missing));
    }
    // Every entry a FRAM: the first wins, the others still move the position.
    auto allFram = b.bytes;
    for (size_t k = 0; k < b.tags.size(); ++k) {
        PokeBytes(allFram, 48 + 16 * static_cast<int64_t>(k), {'F', 'R', 'A', 'M'});
    }
    c.Add("all-entries-FRAM/" + b.name, std::move(allFram));
    // Overlaps: FRAM on top of the header, FSZP on top of GENP.
    const int64_t framEntry = 48 + 16 * static_cast<int64_t>(b.tags.size() - 1);
    auto framOnHeader = b.bytes;
    PokeInt32(framOnHeader, framEntry + 4, static_cast<int32_t>(-(b.layout.framPos - 1)), b.big);
    c.Add("fram-overlaps-header/" + b.name, std::move(framOnHeader));
    auto fszpOnGenp = b.bytes;
    PokeInt32(fszpOnGenp, 48 + 32 + 4, static_cast<int32_t>(b.layout.genpPos - b.layout.fszpPos),
              b.big);
    c.Add("fszp-overlaps-genp/" + b.name, std::move(fszpOnGenp));
    // Lead-ins whose sum leaves the int32 range and wraps back into the file.
    auto wrap = b.bytes;
    PokeInt32(wrap, 48 + 4, kMax, b.big);
    PokeInt32(wrap, 48 + 16 + 4, kMax, b.big);
    PokeInt32(wrap, 48 + 32 + 4, 2 - static_cast<int32_t>(b.layout.playPos), b.big);
    c.Add("lead-ins-wrap-int32/" + b.name, std::move(wrap));
}

void GeometryCases(Collector& c, const Base& b) {
    const int64_t fszp = b.layout.fszpPos;
    for (int16_t v : {int16_t{-32768}, int16_t{-1}, int16_t{0}, int16_t{1}, int16_t{31},
                      int16_t{33}, int16_t{32767}}) {
        c.Poke16(b, "width", fszp + 52, v);
        c.Poke16(b, "height", fszp + 54, v);
    }
    const auto packed = static_cast<int32_t>(b.recipe.PackedFrameBytes());
    for (int32_t v : {kMin, -1, 0, 1, packed - 1, packed + 1, 2 * packed, kMax}) {
        c.Poke32(b, "stride", fszp + 96, v);
    }
    // Huge frames whose stride is exactly the packed size: nothing of them is
    // in the file.
    const std::pair<int16_t, int16_t> huge[] = {
        {32767, 32767}, {32752, 16}, {4, 32752}, {16384, 16384}};
    for (const auto& [w, h] : huge) {
        auto bytes = b.bytes;
        PokeInt16(bytes, fszp + 52, w, b.big);
        PokeInt16(bytes, fszp + 54, h, b.big);
        PokeInt32(bytes, fszp + 96, static_cast<int32_t>(int64_t{w} * h * 10 / 8), b.big);
        c.Add("frame-" + std::to_string(w) + "x" + std::to_string(h) + "/" + b.name,
              std::move(bytes));
    }
    const int64_t play = b.layout.playPos;
    const std::pair<int32_t, int32_t> numbers[] = {
        {0, -1},      {5, 3},       {kMin, kMax}, {0, kMax - 1}, {-1, kMax - 1},
        {kMax, kMax}, {kMin, kMin}, {kMin, -1},   {kMax, kMin},  {-500, 499}};
    for (const auto& [first, last] : numbers) {
        auto bytes = b.bytes;
        PokeInt32(bytes, play + 284, first, b.big);
        PokeInt32(bytes, play + 288, last, b.big);
        c.Add("frames-" + std::to_string(first) + ".." + std::to_string(last) + "/" + b.name,
              std::move(bytes));
    }
}

void QuadrantCases(Collector& c, const Base& b) {
    const int64_t fszp = b.layout.fszpPos;
    const std::pair<int16_t, int16_t> shapes[] = {{30, 16}, {32, 8}, {32, 24}, {36, 16},
                                                  {4, 16},  {8, 64}, {64, 32}};
    for (const auto& [w, h] : shapes) {
        auto bytes = b.bytes;
        PokeInt16(bytes, fszp + 52, w, b.big);
        PokeInt16(bytes, fszp + 54, h, b.big);
        PokeInt32(bytes, fszp + 96, static_cast<int32_t>(int64_t{w} * h * 10 / 8), b.big);
        c.Add("quadrants-" + std::to_string(w) + "x" + std::to_string(h) + "/" + b.name,
              std::move(bytes));
    }
}

void CorrectionCases(Collector& c, const Base& b) {
    const int64_t fpnp = b.layout.fpnpPos;
    for (int16_t kind : {int16_t{-32768}, int16_t{-1}, int16_t{0}, int16_t{1}, int16_t{3},
                         int16_t{4}, int16_t{6}, int16_t{7}, int16_t{32767}}) {
        c.Poke16(b, "fpnp-kind", fpnp + 48, kind);
    }
    const int blocks = b.recipe.correction.kind == 6 ? 4 : 1;
    const auto size = static_cast<int32_t>(b.bytes.size());
    for (int k = 0; k < blocks; ++k) {
        for (int32_t v : {kMin, -129, -1, 0, size - 200, size, kMax}) {
            c.Poke32(b, "fpnp-block" + std::to_string(k), fpnp + 112 + 4 * k, v);
        }
    }
    if (b.recipe.correction.kind == 6) {
        // Calibration ranges: D = 0, D < 0, D = 256, and values outside.
        const int8_t ranges[][2] = {{10, 9}, {127, -128}, {-128, 127}, {0, 0}, {40, 19}};
        for (const auto& r : ranges) {
            for (int16_t calib : {int16_t{-32768}, int16_t{30}, int16_t{32767}}) {
                auto bytes = b.bytes;
                PokeBytes(bytes, fpnp + 104,
                          {static_cast<uint8_t>(r[0]), static_cast<uint8_t>(r[1])});
                PokeInt16(bytes, b.layout.playPos + 170, calib, b.big);
                c.Add("calibration-" + std::to_string(r[0]) + "-" + std::to_string(r[1]) + "@" +
                          std::to_string(calib) + "/" + b.name,
                      std::move(bytes));
            }
        }
        // Extreme words in every image: offsets with and without bit 10, gains.
        auto extreme = b.bytes;
        for (int64_t at = fpnp + 128; at < fpnp + 128 + 10 * 512; at += 2) {
            PokeInt16(extreme, at, static_cast<int16_t>(at % 4 == 0 ? 0x7FFF : 0x8000), b.big);
        }
        c.Add("extreme-offsets-and-gains/" + b.name, std::move(extreme));
    }
}

// Maps of every size around the frame's: smaller, equal, larger, absurd.
void MapCases(Collector& c, const Base& b) {
    const int64_t fpnp = b.layout.fpnpPos;
    const int16_t widths[] = {-1, 0, 1, 31, 32, 33, 64, 32767};
    const int16_t heights[] = {-32768, 0, 1, 15, 16, 17, 32, 32767};
    for (int16_t w : widths) {
        for (int16_t h : heights) {
            auto bytes = b.bytes;
            PokeInt16(bytes, fpnp + 56, w, b.big);
            PokeInt16(bytes, fpnp + 58, h, b.big);
            c.Add("maps-" + std::to_string(w) + "x" + std::to_string(h) + "/" + b.name,
                  std::move(bytes));
        }
    }
}

void TruncationCases(Collector& c, const Base& b) {
    const VornLayout& l = b.layout;
    std::vector<int64_t> cuts = {256,
                                 300,
                                 l.genpPos + 81,
                                 l.genpPos + 575,
                                 l.playPos + 200,
                                 l.playPos + 1647,
                                 l.fszpPos + 60,
                                 l.fszpPos + 399,
                                 l.framPos,
                                 l.framPos + 1,
                                 l.framPos + 639,
                                 l.framPos + 640,
                                 l.framPos + 1000,
                                 static_cast<int64_t>(b.bytes.size()) - 1};
    if (l.fpnpPos != 0) {
        cuts.insert(cuts.end(), {l.fpnpPos + 50, l.fpnpPos + 127, l.fpnpPos + 128,
                                 l.fpnpPos + 128 + 511, l.fpnpPos + 128 + 2048});
    }
    for (int64_t cut : cuts) {
        if (cut <= 0 || cut >= static_cast<int64_t>(b.bytes.size())) {
            continue;
        }
        c.Add("cut-at-" + std::to_string(cut) + "/" + b.name,
              std::vector<uint8_t>(b.bytes.begin(), b.bytes.begin() + cut));
    }
    // More frames declared than stored, with and without a stride gap.
    auto more = b.bytes;
    PokeInt32(more, l.playPos + 288, 1000000, b.big);
    c.Add("declares-1000001-frames/" + b.name, std::move(more));
}

} // namespace

std::vector<std::string> HostileGroups() {
    return {"header", "directory", "geometry", "quadrants", "correction", "maps", "truncation"};
}

std::vector<HostileCase> MakeHostileCases() {
    const std::vector<Base> bases = Bases();
    Collector c;
    c.Group("header");
    for (const Base& b : bases) {
        HeaderCases(c, b);
    }
    c.Group("directory");
    for (const Base& b : bases) {
        DirectoryCases(c, b);
    }
    c.Group("geometry");
    for (const Base& b : bases) {
        GeometryCases(c, b);
    }
    c.Group("quadrants");
    QuadrantCases(c, bases[2]);
    c.Group("correction");
    CorrectionCases(c, bases[1]);
    CorrectionCases(c, bases[2]);
    c.Group("maps");
    MapCases(c, bases[1]);
    MapCases(c, bases[2]);
    c.Group("truncation");
    for (const Base& b : bases) {
        TruncationCases(c, b);
    }
    return c.Take();
}
