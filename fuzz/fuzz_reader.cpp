// SPDX-License-Identifier: BSD-3-Clause
// Fuzz target: opens arbitrary bytes as a recording and reads its frames.
// Built twice: with the fixed-pattern correction requested (the document's
// way) and without it (FUZZ_LOAD_CORRECTION 0).
//
// Besides the sanitizers it checks what every caller relies on: a read
// returns the whole frame, 0 or a short count that cannot pass for a whole
// frame; a frame not read leaves the destination alone; samples stay within
// 10 bits; out-of-range indices change nothing.
#include "fuzz/FuzzSupport.h"
#include "recording/VornReader.h"

#include <cstdint>
#include <cstdlib>
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

void CheckRead(VornReader& reader, std::vector<uint16_t>& frame, int32_t index) {
    const int64_t whole = int64_t{reader.width} * reader.height * 2;
    const std::vector<uint16_t> before = frame;
    const int32_t result = reader.ReadFrame(frame.data(), index, 0x7FFFFFFF);
    if (result == whole) {
        // Callers take this result as "the frame was read": a short read
        // must never produce it.
        FUZZ_CHECK(reader.currentFrame == index);
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
        CheckRead(reader, frame, i);
    }
    // Random access: the last frame, back to the start, and the two indices
    // just outside the recording.
    CheckRead(reader, frame, count - 1);
    CheckRead(reader, frame, 0);
    CheckRefusedIndex(reader, frame, -1);
    CheckRefusedIndex(reader, frame, count);
    return 0;
}
