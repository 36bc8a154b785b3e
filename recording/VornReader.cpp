// SPDX-License-Identifier: BSD-3-Clause
// Header and chunk directory parsing, frame reading and unpack dispatch.
// The fixed-pattern correction lives in Correction.cpp.
#include "recording/VornReader.h"

#include "recording/ByteOrder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr int64_t kHeaderBytes = 256;
constexpr int32_t kMaxChunks = 13; // 48 + 13 * 16 = 256
constexpr int64_t kGenpBytes = 576;
constexpr int64_t kPlayBytes = 1648;
constexpr int64_t kFszpBytes = 400;
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

bool TagIs(const uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

} // namespace

const char* VornErrorText(VornError error) {
    switch (error) {
    case VornError::None:
        return "no error";
    case VornError::CannotOpen:
        return "cannot open file";
    case VornError::ShortHeader:
        return "file too short for a VORN header";
    case VornError::BadMagic:
        return "not a VORN recording";
    case VornError::BadChunkCount:
        return "chunk count out of range";
    case VornError::BadChunkPosition:
        return "chunk position out of range";
    case VornError::MissingGenp:
        return "missing GENP chunk";
    case VornError::MissingPlay:
        return "missing PLAY chunk";
    case VornError::MissingFszp:
        return "missing FSZP chunk";
    case VornError::MissingFram:
        return "missing FRAM chunk";
    case VornError::ShortGenp:
        return "GENP chunk cut short";
    case VornError::ShortPlay:
        return "PLAY chunk cut short";
    case VornError::ShortFszp:
        return "FSZP chunk cut short";
    case VornError::BadFrameSize:
        return "frame width or height not positive";
    case VornError::BadFrameCount:
        return "frame count out of range";
    case VornError::StrideTooSmall:
        return "frame stride smaller than a packed frame";
    case VornError::BadQuadrantGeometry:
        return "frame size unusable in quadrant order";
    case VornError::OutOfMemory:
        return "out of memory for the correction maps";
    case VornError::NotRegularFile:
        return "not a regular file";
    }
    return "unknown error";
}

VornReader::VornReader() = default;
VornReader::~VornReader() = default; // file and maps release themselves

int32_t VornReader::Refuse(VornError why) {
    error = why;
    return 0;
}

bool VornReader::ReadAt(int64_t position, uint8_t* buffer, int64_t size) {
    return file.Seek(position) && file.Read(buffer, size) == size;
}

int VornReader::Open(const char* path, int loadCorrection) {
    genpPos = playPos = fszpPos = fpnpPos = dsppPos = dfctPos = framPos = 0;
    error = VornError::None;
    bool notRegular = false;
    if (!file.Open(path, &notRegular)) {
        return Refuse(notRegular ? VornError::NotRegularFile : VornError::CannotOpen);
    }
    std::array<uint8_t, kHeaderBytes> header{};
    if (!ReadAt(0, header.data(), kHeaderBytes)) {
        return Refuse(VornError::ShortHeader);
    }
    if (!TagIs(header.data(), "VORN")) {
        return Refuse(VornError::BadMagic);
    }
    littleEndian = TagIs(header.data() + 20, "MMMM") ? 0 : 1;
    const bool le = littleEndian != 0;
    chunkCount = vorn::LoadInt32(header.data() + 44, le);
    if (chunkCount < 0 || chunkCount > kMaxChunks) {
        return Refuse(VornError::BadChunkCount);
    }

    // Positions are summed in 64 bits: lead-ins and lengths are signed and
    // a hostile directory could otherwise wrap a position back into the file.
    static constexpr const char* kTags[] = {"GENP", "PLAY", "FSZP", "FPNP", "DSPP", "DFCT", "FRAM"};
    int32_t* const fields[] = {&genpPos, &playPos, &fszpPos, &fpnpPos,
                               &dsppPos, &dfctPos, &framPos};
    int64_t running = vorn::LoadInt32(header.data() + 16, le);
    for (int32_t k = 0; k < chunkCount; ++k) {
        const uint8_t* entry = header.data() + 48 + 16 * k;
        running += vorn::LoadInt32(entry + 4, le);
        for (size_t t = 0; t < 7; ++t) {
            if (!TagIs(entry, kTags[t]) || (t == 6 && framPos != 0)) {
                continue;
            }
            if (running < 0 || running > kInt32Max) {
                return Refuse(VornError::BadChunkPosition);
            }
            *fields[t] = static_cast<int32_t>(running);
            break;
        }
        running += vorn::LoadInt32(entry + 8, le);
    }
    if (!ReadHeaderChunks() || !CheckGeometry()) {
        return 0;
    }

    correctionKind = 0;
    if (fpnpPos != 0 && !LoadCorrection(loadCorrection)) {
        return Refuse(VornError::OutOfMemory);
    }
    currentFrame = -2;
    return 1;
}

bool VornReader::ReadHeaderChunks() {
    const bool le = littleEndian != 0;
    if (genpPos == 0 || playPos == 0 || fszpPos == 0 || framPos == 0) {
        Refuse(genpPos == 0   ? VornError::MissingGenp
               : playPos == 0 ? VornError::MissingPlay
               : fszpPos == 0 ? VornError::MissingFszp
                              : VornError::MissingFram);
        return false;
    }
    std::unique_ptr<uint8_t[]> chunk = std::make_unique<uint8_t[]>(kPlayBytes);
    if (!ReadAt(genpPos, chunk.get(), kGenpBytes)) {
        return Refuse(VornError::ShortGenp) != 0;
    }
    if (TagIs(chunk.get() + 80, "trq1") || TagIs(chunk.get() + 80, "trq2")) {
        pixelLayout = 1;
    }
    if (!ReadAt(playPos, chunk.get(), kPlayBytes)) {
        return Refuse(VornError::ShortPlay) != 0;
    }
    firstFrameNo = vorn::LoadInt32(chunk.get() + 284, le);
    lastFrameNo = vorn::LoadInt32(chunk.get() + 288, le);
    calibValue = vorn::LoadInt16(chunk.get() + 170, le);
    const int64_t count = int64_t{lastFrameNo} - firstFrameNo + 1;
    if (!ReadAt(fszpPos, chunk.get(), kFszpBytes)) {
        return Refuse(VornError::ShortFszp) != 0;
    }
    width = vorn::LoadInt16(chunk.get() + 52, le);
    height = vorn::LoadInt16(chunk.get() + 54, le);
    frameBytes = vorn::LoadInt32(chunk.get() + 96, le);
    if (count < 1 || count > kInt32Max) {
        return Refuse(VornError::BadFrameCount) != 0;
    }
    frameCount = static_cast<int32_t>(count);
    return true;
}

bool VornReader::CheckGeometry() {
    if (width <= 0 || height <= 0) {
        return Refuse(VornError::BadFrameSize) != 0;
    }
    const int64_t pixels = int64_t{width} * height;
    if (frameBytes < pixels * 10 / 8) {
        return Refuse(VornError::StrideTooSmall) != 0;
    }
    if (pixelLayout == 1 && (height % 16 != 0 || width % 4 != 0 || pixels % 512 != 0)) {
        return Refuse(VornError::BadQuadrantGeometry) != 0;
    }
    return true;
}

int32_t VornReader::SeekFrame(int32_t index) {
    int32_t prev = currentFrame;
    currentFrame = -2;
    if (prev < -1) {
        if (!file.Seek(framPos)) {
            return -1;
        }
        prev = -1;
    }
    if (index != prev + 1 && !file.Seek(framPos + int64_t{index} * frameBytes)) {
        return -1;
    }
    currentFrame = index;
    return 0;
}

int32_t VornReader::ReadFrame(uint16_t* destination, int32_t index, int32_t capacity) {
    return ReadFrameInPieces(destination, index, capacity, {});
}

int32_t VornReader::ReadFrameInPieces(uint16_t* destination, int32_t index, int32_t capacity,
                                      const FramePieceSink& sink) {
    return ReadFrameSamples(destination, index, capacity, 0, int64_t{width} * height, sink);
}

int32_t VornReader::ReadFrameSamples(uint16_t* destination, int32_t index, int32_t capacity,
                                     int64_t begin, int64_t end, const FramePieceSink& sink) {
    // Partial frames are never asked for; a smaller buffer is refused.
    if (destination == nullptr || int64_t{capacity} < int64_t{width} * height * 2) {
        return 0;
    }
    const int32_t got = FetchStored(scratch_, index, begin, end);
    if (got != static_cast<int32_t>(int64_t{width} * height * 2)) {
        return got;
    }
    return DecodeStored(destination, scratch_.get(), begin, end, sink) ? got : 0;
}

int32_t VornReader::FetchStored(std::unique_ptr<uint8_t[]>& packed, int32_t index,
                                int64_t& begin, int64_t& end) {
    const int64_t pixels = int64_t{width} * height;
    if (!file.IsOpen() || index < 0 || index >= frameCount || begin < 0 || end > pixels ||
        begin >= end) {
        return 0;
    }
    if (SeekFrame(index) != 0) {
        return 0;
    }
    // A frame that cannot be there in full is not read: a hostile stride
    // must not make a small file allocate gigabytes.
    const int64_t start = framPos + int64_t{index} * frameBytes;
    const int64_t size = file.Size();
    if (size < 0 || start + frameBytes > size) {
        return ShortRead(size < start ? 0 : size - start);
    }
    const int64_t stored = PackedBytes();
    if (!packed) {
        try {
            packed = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(stored));
        } catch (const std::bad_alloc&) {
            currentFrame = -2;
            return 0;
        }
    }
    // Lane order stores 32 samples in each 40 bytes: the range widens to
    // whole groups and only their bytes are read. Quadrant order needs all.
    int64_t from = 0;
    int64_t to = stored;
    if (pixelLayout != 1) {
        begin = begin / 32 * 32;
        end = std::min(pixels, (end + 31) / 32 * 32);
        from = begin / 32 * 40;
        to = std::min(stored, (end + 31) / 32 * 40);
    }
    if (from > 0 && !file.Skip(from)) {
        currentFrame = -2;
        return 0;
    }
    const int64_t got = file.Read(packed.get() + from, to - from);
    if (got != to - from) {
        return ShortRead(got);
    }
    // The padding up to the next frame is never read; a failed skip only
    // costs a seek at the next read.
    if (frameBytes > to && !file.Skip(frameBytes - to)) {
        currentFrame = -2;
    }
    return static_cast<int32_t>(pixels * 2);
}

int64_t VornReader::PackedBytes() const {
    return int64_t{width} * height * 10 / 8;
}

void VornReader::ClearUnpackedTail(uint16_t* destination) const {
    // The unpackers leave the samples after the last whole packing group (32
    // samples in lane order, 512 in quadrant order) untouched. They are set to
    // 0 here, before the correction, and then corrected like every other
    // sample, so a decoded frame never depends on what was read before it.
    const int64_t pixels = int64_t{width} * height;
    const int64_t group = pixelLayout == 1 ? 512 : 32;
    const int64_t unpacked = pixels / group * group;
    std::fill(destination + unpacked, destination + pixels, uint16_t{0});
}

int32_t VornReader::ShortRead(int64_t arrived) {
    // The position is now somewhere inside the frame: force a seek next time.
    currentFrame = -2;
    // With a padded stride a cut frame can deliver exactly as many bytes as a
    // decoded frame has; that count would read as success, so report -1.
    if (arrived == int64_t{width} * height * 2) {
        return -1;
    }
    return static_cast<int32_t>(arrived);
}

void VornReader::Unpack(uint16_t* destination, const uint8_t* packed, int32_t frameWidth,
                        int32_t rows) const {
    if (pixelLayout == 1) {
        UnpackQuadrants(destination, packed, frameWidth, rows);
    } else {
        UnpackLanes(destination, packed, frameWidth, rows);
    }
}
