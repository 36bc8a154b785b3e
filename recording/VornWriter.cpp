// SPDX-License-Identifier: BSD-3-Clause
// Recording builder: lays out the header, the chunk directory and the chunk
// contents, then streams the frames through a byte sink so that files of any
// size need memory for one frame only.
#include "recording/VornWriter.h"

#include "image/ReplacingFile.h"

#include "recording/ByteOrder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int64_t kHeaderBytes = 256;
constexpr size_t kMaxEntries = 13;
constexpr int64_t kFpnpHead = 128;

bool Is(const VornTag& tag, const char* name) {
    return std::memcmp(tag.data(), name, 4) == 0;
}

VornChunkEntry Entry(const char* name) {
    VornChunkEntry entry;
    std::memcpy(entry.tag.data(), name, 4);
    return entry;
}

std::vector<VornChunkEntry> DirectoryOf(const VornRecipe& desc) {
    if (!desc.directory.empty()) {
        return desc.directory;
    }
    std::vector<VornChunkEntry> directory{Entry("GENP"), Entry("PLAY"), Entry("FSZP")};
    if (desc.correction.kind != 0) {
        directory.push_back(Entry("FPNP"));
    }
    directory.push_back(Entry("FRAM"));
    return directory;
}

// Block positions inside the FPNP content, defaults filled in.
std::array<int64_t, 4> BlockPositions(const VornCorrection& c) {
    const int64_t n = int64_t{c.mapWidth} * c.mapHeight;
    std::array<int64_t, 4> defaults = {kFpnpHead, kFpnpHead, kFpnpHead, kFpnpHead};
    if (c.kind == 6) {
        defaults = {kFpnpHead, kFpnpHead + 4 * n, kFpnpHead + 6 * n, kFpnpHead + 8 * n};
    }
    std::array<int64_t, 4> positions{};
    for (size_t k = 0; k < 4; ++k) {
        positions[k] = c.blockPos[k] < 0 ? defaults[k] : c.blockPos[k];
    }
    return positions;
}

void PutWords(std::vector<uint8_t>& out, int64_t at, const std::vector<uint16_t>& words, bool le) {
    if (words.empty()) {
        return;
    }
    const auto end = static_cast<size_t>(at) + 2 * words.size();
    out.resize(std::max(out.size(), end));
    for (size_t n = 0; n < words.size(); ++n) {
        vorn::Store16(out.data() + at + static_cast<int64_t>(2 * n), words[n], le);
    }
}

std::vector<uint8_t> FpnpContent(const VornRecipe& desc) {
    const VornCorrection& c = desc.correction;
    const bool le = !desc.BigEndian();
    std::vector<uint8_t> out(kFpnpHead, 0);
    vorn::Store16(out.data() + 48, static_cast<uint16_t>(c.kind), le);
    vorn::Store16(out.data() + 56, static_cast<uint16_t>(c.mapWidth), le);
    vorn::Store16(out.data() + 58, static_cast<uint16_t>(c.mapHeight), le);
    out[104] = static_cast<uint8_t>(c.lo);
    out[105] = static_cast<uint8_t>(c.hiStored);
    const auto blocks = BlockPositions(c);
    for (size_t k = 0; k < 4; ++k) {
        vorn::Store32(out.data() + 112 + 4 * k, static_cast<uint32_t>(blocks[k]), le);
    }
    if (c.kind == 3 && !c.offsets.empty()) {
        const auto at = static_cast<size_t>(blocks[0]);
        out.resize(std::max(out.size(), at + c.offsets.size()));
        std::memcpy(out.data() + at, c.offsets.data(), c.offsets.size());
    }
    if (c.kind == 6) {
        for (size_t k = 0; k < 4; ++k) {
            PutWords(out, blocks[k], c.offsetImages[k], le);
        }
        // The gains follow offset image 0 directly.
        PutWords(out, blocks[0] + 2 * int64_t{c.mapWidth} * c.mapHeight, c.gain, le);
    }
    return out;
}

std::vector<uint8_t> Filled(size_t size, const uint8_t* tag) {
    std::vector<uint8_t> out(size, 0);
    std::memcpy(out.data(), tag, 4); // makes a wrong position easy to spot
    return out;
}

struct Plan {
    VornLayout layout;
    std::vector<uint8_t> meta; // header and every chunk except the frames
    int64_t framesStart = -1;  // first FRAM content, or -1
    int64_t framesBytes = 0;
};

std::vector<uint8_t> ContentOf(const VornRecipe& desc, const VornChunkEntry& entry, bool firstFram) {
    const bool le = !desc.BigEndian();
    if (Is(entry.tag, "GENP")) {
        auto out = Filled(576, reinterpret_cast<const uint8_t*>("genp"));
        std::memcpy(out.data() + 80, desc.modelTag.data(), 4);
        return out;
    }
    if (Is(entry.tag, "PLAY")) {
        auto out = Filled(1648, reinterpret_cast<const uint8_t*>("play"));
        const int32_t last = desc.lastFrameNo.value_or(desc.firstFrameNo + desc.frameCount - 1);
        vorn::Store16(out.data() + 170, static_cast<uint16_t>(desc.calibValue), le);
        vorn::Store32(out.data() + 284, static_cast<uint32_t>(desc.firstFrameNo), le);
        vorn::Store32(out.data() + 288, static_cast<uint32_t>(last), le);
        return out;
    }
    if (Is(entry.tag, "FSZP")) {
        auto out = Filled(400, reinterpret_cast<const uint8_t*>("fszp"));
        vorn::Store16(out.data() + 52, static_cast<uint16_t>(desc.width), le);
        vorn::Store16(out.data() + 54, static_cast<uint16_t>(desc.height), le);
        vorn::Store32(out.data() + 96, static_cast<uint32_t>(desc.FrameStride()), le);
        return out;
    }
    if (Is(entry.tag, "FPNP")) {
        return FpnpContent(desc);
    }
    if (firstFram) {
        return {}; // streamed separately
    }
    return entry.content;
}

void Put(std::vector<uint8_t>& meta, int64_t at, const std::vector<uint8_t>& bytes) {
    if (at < 0 || bytes.empty()) {
        return;
    }
    const auto end = static_cast<size_t>(at) + bytes.size();
    meta.resize(std::max(meta.size(), end));
    std::copy(bytes.begin(), bytes.end(), meta.begin() + at);
}

Plan MakePlan(const VornRecipe& desc) {
    Plan plan;
    const bool le = !desc.BigEndian();
    const auto directory = DirectoryOf(desc);
    plan.meta.assign(kHeaderBytes, 0);
    std::memcpy(plan.meta.data(), "VORN", 4);
    std::memcpy(plan.meta.data() + 20, desc.byteOrderMark.data(), 4);
    vorn::Store32(plan.meta.data() + 16, static_cast<uint32_t>(desc.basePosition), le);
    const auto count = desc.chunkCountOverride.value_or(static_cast<int32_t>(directory.size()));
    vorn::Store32(plan.meta.data() + 44, static_cast<uint32_t>(count), le);

    VornLayout& layout = plan.layout;
    int64_t running = desc.basePosition;
    for (size_t k = 0; k < directory.size(); ++k) {
        const VornChunkEntry& entry = directory[k];
        running += entry.leadIn;
        const bool firstFram = Is(entry.tag, "FRAM") && plan.framesStart < 0;
        const auto content = ContentOf(desc, entry, firstFram);
        int64_t size = static_cast<int64_t>(content.size());
        if (firstFram) {
            plan.framesStart = running;
            plan.framesBytes = std::max(0, desc.frameCount) * desc.FrameStride();
            size = plan.framesBytes;
            layout.framPos = running;
        }
        layout.entryPos.push_back(running);
        const std::pair<const char*, int64_t*> known[] = {
            {"GENP", &layout.genpPos}, {"PLAY", &layout.playPos}, {"FSZP", &layout.fszpPos},
            {"FPNP", &layout.fpnpPos}, {"DSPP", &layout.dsppPos}, {"DFCT", &layout.dfctPos}};
        for (const auto& [name, field] : known) {
            if (Is(entry.tag, name)) {
                *field = running;
            }
        }
        const int32_t length = entry.length.value_or(static_cast<int32_t>(size));
        if (k < kMaxEntries) {
            uint8_t* at = plan.meta.data() + 48 + 16 * k;
            std::memcpy(at, entry.tag.data(), 4);
            vorn::Store32(at + 4, static_cast<uint32_t>(entry.leadIn), le);
            vorn::Store32(at + 8, static_cast<uint32_t>(length), le);
        }
        Put(plan.meta, running, content);
        running += length;
    }
    layout.fileSize = static_cast<int64_t>(plan.meta.size());
    if (plan.framesStart >= 0) {
        layout.fileSize = std::max(layout.fileSize, plan.framesStart + plan.framesBytes);
    }
    return plan;
}

// Copies meta[from, from + out.size()) into `out` where meta has bytes.
void CopyMeta(const Plan& plan, int64_t from, std::vector<uint8_t>& out) {
    const auto metaSize = static_cast<int64_t>(plan.meta.size());
    const int64_t end = std::min(from + static_cast<int64_t>(out.size()), metaSize);
    if (from >= 0 && end > from) {
        std::memcpy(out.data(), plan.meta.data() + from, static_cast<size_t>(end - from));
    }
}

using Sink = std::function<bool(const uint8_t*, size_t)>;

// Emits meta[from, to), zero-filled where meta ends.
bool EmitMeta(const Plan& plan, int64_t from, int64_t to, const Sink& sink) {
    if (from < 0 || to <= from) {
        return true;
    }
    std::vector<uint8_t> part(static_cast<size_t>(to - from), 0);
    CopyMeta(plan, from, part);
    return sink(part.data(), part.size());
}

bool Emit(const VornRecipe& desc, const VornFrameSource& frames, const Sink& sink) {
    const Plan plan = MakePlan(desc);
    // Frames before the start of the file cannot be streamed; leave them out.
    if (plan.framesStart < 0 || plan.framesBytes <= 0) {
        return sink(plan.meta.data(), plan.meta.size());
    }
    const int64_t stride = desc.FrameStride();
    const int64_t packedBytes = desc.PackedFrameBytes();
    const int64_t pixels = packedBytes > 0 ? int64_t{desc.width} * desc.height : 0;
    std::vector<uint16_t> samples(static_cast<size_t>(pixels));
    std::vector<uint8_t> packed(static_cast<size_t>(std::max<int64_t>(packedBytes, 0)));
    if (!EmitMeta(plan, 0, plan.framesStart, sink)) {
        return false;
    }
    for (int32_t i = 0; i < desc.frameCount; ++i) {
        const int64_t at = plan.framesStart + i * stride;
        if (frames) {
            frames(i, samples.data());
        } else {
            for (int64_t e = 0; e < pixels; ++e) {
                samples[static_cast<size_t>(e)] = VornPatternSample(
                    i, static_cast<int32_t>(e % desc.width), static_cast<int32_t>(e / desc.width));
            }
        }
        if (desc.QuadrantOrder()) {
            PackQuadrants(packed.data(), samples.data(), desc.width, desc.height);
        } else {
            PackLanes(packed.data(), samples.data(), desc.width, desc.height);
        }
        // Padding after the packed bytes keeps whatever else lies there.
        std::vector<uint8_t> slot(static_cast<size_t>(stride), 0);
        CopyMeta(plan, at, slot);
        std::memcpy(slot.data(), packed.data(), static_cast<size_t>(std::min(packedBytes, stride)));
        if (!sink(slot.data(), slot.size())) {
            return false;
        }
    }
    const int64_t framesEnd = plan.framesStart + plan.framesBytes;
    return EmitMeta(plan, framesEnd, static_cast<int64_t>(plan.meta.size()), sink);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool VornRecipe::BigEndian() const {
    return Is(byteOrderMark, "MMMM");
}

bool VornRecipe::QuadrantOrder() const {
    return Is(modelTag, "trq1") || Is(modelTag, "trq2");
}

int64_t VornRecipe::PackedFrameBytes() const {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    return int64_t{width} * height * 10 / 8;
}

int64_t VornRecipe::FrameStride() const {
    return frameStride != 0 ? frameStride : PackedFrameBytes();
}

uint16_t VornPatternSample(int32_t index, int32_t x, int32_t y) {
    const auto mixed =
        static_cast<uint32_t>(x * 3 + y * 5 + index * 11) ^ (static_cast<uint32_t>(y) << 4);
    return static_cast<uint16_t>(mixed & 0x3FFu);
}

VornLayout VornLayoutOf(const VornRecipe& desc) {
    return MakePlan(desc).layout;
}

std::vector<uint8_t> BuildVorn(const VornRecipe& desc, const VornFrameSource& frames) {
    std::vector<uint8_t> out;
    Emit(desc, frames, [&out](const uint8_t* data, size_t size) {
        out.insert(out.end(), data, data + size);
        return true;
    });
    return out;
}

bool WriteVorn(const char* path, const VornRecipe& desc, const VornFrameSource& frames) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
    if (!file) {
        return false;
    }
    const bool written = Emit(desc, frames, [&file](const uint8_t* data, size_t size) {
        return std::fwrite(data, 1, size, file.get()) == size;
    });
    return std::fclose(file.release()) == 0 && written;
}

bool ReplaceWithVorn(const char* path, const VornRecipe& desc, const VornFrameSource& frames,
                     int& error) {
    ReplacingFile file;
    const bool done = file.Open(path) &&
                      Emit(desc, frames,
                           [&file](const uint8_t* data, size_t size) {
                               return file.Write(data, size);
                           }) &&
                      file.Commit();
    error = done ? 0 : file.Error();
    return done;
}

bool WriteBytes(const char* path, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "wb"));
    if (!file) {
        return false;
    }
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

void PokeBytes(std::vector<uint8_t>& bytes, int64_t position, const std::vector<uint8_t>& values) {
    Put(bytes, position, values);
}

void PokeInt16(std::vector<uint8_t>& bytes, int64_t position, int16_t value, bool bigEndian) {
    std::vector<uint8_t> raw(2);
    vorn::Store16(raw.data(), static_cast<uint16_t>(value), !bigEndian);
    Put(bytes, position, raw);
}

void PokeInt32(std::vector<uint8_t>& bytes, int64_t position, int32_t value, bool bigEndian) {
    std::vector<uint8_t> raw(4);
    vorn::Store32(raw.data(), static_cast<uint32_t>(value), !bigEndian);
    Put(bytes, position, raw);
}
