// SPDX-License-Identifier: BSD-3-Clause
// Builds VORN recordings (.vrn), in memory or as files: for tests, for
// hostile-file checks and for the command line's demo recording.
//
// A recording is described by a VornRecipe value: frame geometry and stride, frame
// numbers, calibration value, camera model tag (which selects lane or
// quadrant order), byte-order mark, base position, an optional fixed-pattern
// correction, and the chunk directory (order, lead-ins, lengths, unknown tags,
// extra FRAM entries). Frame samples come from a VornFrameSource callback.
//
// The writer never checks the description for sense: it writes what it is
// told, so tests can build broken files. Anything it cannot express (a truncated
// file, a wrong field) is done afterwards on the bytes with the Poke helpers.
//
// Standard library only. Everything is written in the byte order the mark
// selects ("MMMM" = big-endian, anything else little-endian); the frame
// packing itself has no byte order.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

using VornTag = std::array<char, 4>;

// Fixed-pattern correction data for the FPNP chunk. kind 0 = no FPNP chunk
// in the default directory.
struct VornCorrection {
    int16_t kind = 0; // 3 and 6 carry data; any other value is written as is
    int16_t mapWidth = 0;
    int16_t mapHeight = 0;
    int8_t lo = 0;       // calibration range low end
    int8_t hiStored = 0; // stored high byte: the high end is hiStored + 1
    // Kind 3: mapWidth * mapHeight signed offsets, written at block 0.
    std::vector<int8_t> offsets;
    // Kind 6: four offset images of mapWidth * mapHeight raw words each (an
    // offset is 11 bits, bit 10 the sign: 0x0400 = -512), written at blocks
    // 0..3, and the gains (512 = 1.0) written right after offset image 0.
    std::array<std::vector<uint16_t>, 4> offsetImages;
    std::vector<uint16_t> gain;
    // Block positions relative to the FPNP content. A negative entry is laid
    // out by the writer after the 128-byte chunk head: kind 3 block 0 at 128;
    // kind 6 block 0 at 128 (offset image 0 then gain), blocks 1..3 after it.
    // An explicit entry is written as given and its data placed there.
    std::array<int32_t, 4> blockPos = {-1, -1, -1, -1};
};

// One entry of the chunk directory.
struct VornChunkEntry {
    VornTag tag{};
    int32_t leadIn = 0; // bytes from the running position to the content
    // Length written into the directory; by default the content's size.
    // The running position advances by this value, so a wrong length moves
    // every later chunk.
    std::optional<int32_t> length;
    // Content of entries the writer does not generate: unknown tags, DSPP,
    // DFCT, and every FRAM entry after the first. GENP, PLAY, FSZP, FPNP and
    // the first FRAM are generated from the description and ignore this.
    std::vector<uint8_t> content;
};

struct VornRecipe {
    int32_t width = 32;
    int32_t height = 32;
    int32_t frameCount = 1;  // frames written into the first FRAM chunk
    int32_t frameStride = 0; // 0 = packed size width * height * 10 / 8
    int32_t firstFrameNo = 0;
    // Written to PLAY; by default firstFrameNo + frameCount - 1. Setting it
    // lets a small file declare many frames.
    std::optional<int32_t> lastFrameNo;
    int16_t calibValue = 0;                       // PLAY offset 170
    VornTag modelTag = {'l', 'n', 'c', '1'};      // "trq1"/"trq2" = quadrant order
    VornTag byteOrderMark = {'I', 'I', 'I', 'I'}; // "MMMM" = big-endian
    int32_t basePosition = 256;
    VornCorrection correction;
    // Directory in file order. Empty: GENP, PLAY, FSZP, FPNP (only when
    // correction.kind != 0) and FRAM, all with lead-in 0. The header holds
    // 13 entries; more are not written (chunkCountOverride can still claim
    // them).
    std::vector<VornChunkEntry> directory;
    // Written as the header's chunk count instead of the directory's size.
    std::optional<int32_t> chunkCountOverride;

    bool BigEndian() const;
    bool QuadrantOrder() const;       // model tag "trq1" or "trq2"
    int64_t PackedFrameBytes() const; // width * height * 10 / 8
    int64_t FrameStride() const;      // frameStride or the packed size
};

// Fills `samples` (width * height values, row after row) for frame `index`.
using VornFrameSource = std::function<void(int32_t index, uint16_t* samples)>;

// The default source: a deterministic pattern, VornPatternSample per pixel.
uint16_t VornPatternSample(int32_t index, int32_t x, int32_t y);

// Where things ended up: chunk content positions (0 = absent; only the first
// FRAM entry counts) and the file size.
struct VornLayout {
    int64_t genpPos = 0, playPos = 0, fszpPos = 0, fpnpPos = 0, dsppPos = 0, dfctPos = 0,
            framPos = 0;
    int64_t fileSize = 0;
    // Content position of every directory entry, in directory order.
    std::vector<int64_t> entryPos;
};

VornLayout VornLayoutOf(const VornRecipe& desc);

// The whole recording in memory. An empty `frames` uses the pattern source.
std::vector<uint8_t> BuildVorn(const VornRecipe& desc, const VornFrameSource& frames = {});

// Writes the recording to `path`, streaming frame after frame so large
// recordings need memory for one frame only. False when the file cannot be
// created or written.
bool WriteVorn(const char* path, const VornRecipe& desc, const VornFrameSource& frames = {});

// The same file through ReplacingFile: a link at `path` is replaced, never
// followed, and a failed write leaves what was there. `error`: the errno.
bool ReplaceWithVorn(const char* path, const VornRecipe& desc, const VornFrameSource& frames,
                     int& error);

// Writes raw bytes (for truncated or poked files). False on failure.
bool WriteBytes(const char* path, const std::vector<uint8_t>& bytes);

// Raw edits for hostile files; the vector grows when the edit lies beyond its
// end. Integers are written in the byte order given.
void PokeBytes(std::vector<uint8_t>& bytes, int64_t position, const std::vector<uint8_t>& values);
void PokeInt16(std::vector<uint8_t>& bytes, int64_t position, int16_t value, bool bigEndian);
void PokeInt32(std::vector<uint8_t>& bytes, int64_t position, int32_t value, bool bigEndian);

// Encoders, the inverse of UnpackLanes / UnpackQuadrants: pack width * rows
// samples (low 10 bits of each) into width * rows * 10 / 8 bytes at `packed`.
// Samples beyond the last whole group (lanes, 32 samples) or block
// (quadrants, 512 samples) are not stored; their bytes are set to 0.
void PackLanes(uint8_t* packed, const uint16_t* samples, int32_t width, int32_t rows);
void PackQuadrants(uint8_t* packed, const uint16_t* samples, int32_t width, int32_t rows);
