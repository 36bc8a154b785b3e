// SPDX-License-Identifier: BSD-3-Clause
// Fuzz target: opens arbitrary bytes as a recording and reads its frames.
// Built twice: with the fixed-pattern correction requested (the document's
// way) and without it (FUZZ_LOAD_CORRECTION 0).
//
// Besides the sanitizers it checks what every caller relies on: a read
// returns the whole frame, 0 or a short count that cannot pass for a whole
// frame; a frame not read leaves the destination alone; samples stay within
// 10 bits; out-of-range indices change nothing; a frame read whole is what
// the reference unpackers and row corrections make of its stored bytes, and
// the piecewise read hands the same samples on in order.
#include "fuzz/FuzzSupport.h"
#include "recording/Unpack.h"
#include "recording/VornReader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef FUZZ_LOAD_CORRECTION
#define FUZZ_LOAD_CORRECTION 1
#endif

namespace {

// The work per input stays bounded whatever the header claims.
constexpr int32_t kMaxFramesRead = 16;
constexpr int64_t kMaxDecodedBytes = int64_t{4} << 20;

void CheckSamples(const std::vector<uint16_t>& samples) {
    for (uint16_t s : samples) {
        FUZZ_CHECK(s <= 1023);
    }
}

// Frame `index` decoded from the input bytes by the reference unpackers and
// row corrections; empty when the input does not hold it whole.
std::vector<uint16_t> ReferenceFrame(const VornReader& r, const uint8_t* data, size_t size,
                                     int32_t index) {
    const int64_t pixels = int64_t{r.width} * r.height;
    const int64_t start = r.framPos + int64_t{index} * r.frameBytes;
    if (start + r.frameBytes > static_cast<int64_t>(size)) {
        return {};
    }
    std::vector<uint8_t> packed(data + start, data + start + pixels * 10 / 8);
    std::vector<uint16_t> out(static_cast<size_t>(pixels), 0);
    if (r.pixelLayout == 1) {
        UnpackQuadrantsReference(out.data(), packed.data(), r.width, r.height);
    } else {
        UnpackLanesReference(out.data(), packed.data(), r.width, r.height);
    }
    const bool offset = r.correctionKind == 3 && r.offsetMap;
    const bool gain = r.correctionKind == 6 && r.offsetMap && r.gainMap;
    const int64_t origin =
        int64_t{r.mapWidth} * (r.mapHeight - r.height) / 2 + (r.mapWidth - r.width) / 2;
    for (int64_t y = 0; y < r.height && (offset || gain); ++y) {
        uint16_t* row = out.data() + y * r.width;
        const int64_t m = origin + y * r.mapWidth;
        if (offset) {
            CorrectRowOffset(row, r.offsetMap.get() + m, r.width);
        } else {
            CorrectRowOffsetGain(row, r.offsetMap.get() + m, r.gainMap.get() + m, r.width);
        }
    }
    return out;
}

// The piecewise read: contiguous pieces from the first sample to the last,
// each final when handed on.
void CheckPieces(VornReader& reader, const std::vector<uint16_t>& frame, int32_t index) {
    std::vector<uint16_t> pieces(frame.size(), 0);
    std::vector<uint16_t> handed(frame.size(), 0);
    int64_t next = 0;
    const int32_t result = reader.ReadFrameInPieces(
        pieces.data(), index, 0x7FFFFFFF, [&](int64_t begin, int64_t end) {
            FUZZ_CHECK(begin == next && end > begin);
            FUZZ_CHECK(end <= static_cast<int64_t>(frame.size()));
            std::memcpy(handed.data() + begin, pieces.data() + begin,
                        static_cast<size_t>(end - begin) * 2);
            next = end;
            return true;
        });
    FUZZ_CHECK(result == static_cast<int32_t>(frame.size() * 2));
    FUZZ_CHECK(next == static_cast<int64_t>(frame.size()));
    FUZZ_CHECK(pieces == frame && handed == frame);
}

void CheckRead(VornReader& reader, std::vector<uint16_t>& frame, int32_t index,
               const uint8_t* data, size_t size) {
    const int64_t whole = int64_t{reader.width} * reader.height * 2;
    const std::vector<uint16_t> before = frame;
    const int32_t result = reader.ReadFrame(frame.data(), index, 0x7FFFFFFF);
    if (result == whole) {
        // Callers take this result as "the frame was read": a short read
        // must never produce it.
        FUZZ_CHECK(reader.currentFrame == index);
        FUZZ_CHECK(frame == ReferenceFrame(reader, data, size, index));
        CheckPieces(reader, frame, index);
    } else {
        // Refused (0) or a short read (the count that arrived, or -1): the
        // destination keeps what it held, uncorrected.
        FUZZ_CHECK(result == 0 || result == -1 || (result > 0 && result < reader.frameBytes));
        FUZZ_CHECK(frame == before);
    }
    CheckSamples(frame);
}

void CheckRefusedIndex(VornReader& reader, std::vector<uint16_t>& frame, int32_t index) {
    const int32_t before = reader.currentFrame;
    const std::vector<uint16_t> copy = frame;
    FUZZ_CHECK(reader.ReadFrame(frame.data(), index, 0x7FFFFFFF) == 0);
    FUZZ_CHECK(reader.currentFrame == before);
    FUZZ_CHECK(frame == copy);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFile file(data, size);
    if (!file.Ok()) {
        return 0;
    }
    VornReader reader;
    if (reader.Open(file.Path(), FUZZ_LOAD_CORRECTION) == 0) {
        FUZZ_CHECK(reader.error != VornError::None);
        return 0;
    }
    // What the document relies on for an accepted recording.
    FUZZ_CHECK(reader.width > 0 && reader.height > 0 && reader.frameCount >= 1);
    FUZZ_CHECK(int64_t{reader.frameBytes} >= int64_t{reader.width} * reader.height * 10 / 8);
    FUZZ_CHECK(reader.currentFrame == -2);
    if (FUZZ_LOAD_CORRECTION == 0) {
        FUZZ_CHECK(reader.correctionKind == 0);
    }
    // A frame larger than the whole input cannot be read: only the refusals
    // are checked, into a one-sample buffer that a stray write would overrun.
    const int64_t pixels = int64_t{reader.width} * reader.height;
    if (pixels * 10 / 8 > static_cast<int64_t>(size) || pixels * 2 > kMaxDecodedBytes) {
        std::vector<uint16_t> tiny(1, 0);
        CheckRefusedIndex(reader, tiny, -1);
        CheckRefusedIndex(reader, tiny, reader.frameCount);
        return 0;
    }
    std::vector<uint16_t> frame(static_cast<size_t>(pixels), 0);
    const int32_t count = reader.frameCount;
    const int32_t sequential = count < kMaxFramesRead ? count : kMaxFramesRead;
    for (int32_t i = 0; i < sequential; ++i) {
        CheckRead(reader, frame, i, data, size);
    }
    // Random access: the last frame, back to the start, and the two indices
    // just outside the recording.
    CheckRead(reader, frame, count - 1, data, size);
    CheckRead(reader, frame, 0, data, size);
    CheckRefusedIndex(reader, frame, -1);
    CheckRefusedIndex(reader, frame, count);
    return 0;
}
