// SPDX-License-Identifier: BSD-3-Clause
// Decoding a read frame: unpacking and correction in one pass over pieces
// small enough to stay in the first-level cache, so no sample travels to
// memory and back between the two, and handing the frame on in pieces that
// are still cached when the caller writes them out.
#include "recording/Unpack.h"
#include "recording/VornReader.h"
#include "recording/fast/UnpackFast.h"

#include <algorithm>

namespace {

// Samples unpacked and corrected at a time: 4 KiB of output, a multiple of
// the 32-sample lane group.
constexpr int64_t kDecodePiece = 2048;
// Samples handed to the sink at a time: 64 KiB of 16-bit output.
constexpr int64_t kHandOff = 32768;

} // namespace

void VornReader::CorrectSamples(uint16_t* destination, int64_t begin, int64_t end) const {
    if ((correctionKind != 3 && correctionKind != 6) || !offsetMap ||
        (correctionKind == 6 && !gainMap)) {
        return;
    }
    const int64_t origin = int64_t{mapWidth} * (mapHeight - height) / 2 + (mapWidth - width) / 2;
    int64_t y = begin / width;
    int64_t x = begin % width;
    for (int64_t at = begin; at < end; x = 0, ++y) {
        const auto count = static_cast<int32_t>(std::min(end - at, width - x));
        const int64_t m = origin + y * mapWidth + x;
        uint16_t* samples = destination + at;
        if (correctionKind == 3) {
            CorrectRowOffsetFast(samples, offsetMap.get() + m, count);
        } else if (narrowGain_) {
            CorrectRowOffsetGain10Fast(samples, offsetMap.get() + m, gainMap.get() + m, count);
        } else {
            CorrectRowOffsetGainFast(samples, offsetMap.get() + m, gainMap.get() + m, count);
        }
        at += count;
    }
}

bool VornReader::DecodeStored(uint16_t* destination, const uint8_t* packed, int64_t begin,
                              int64_t end, const FramePieceSink& sink) const {
    const int64_t pixels = int64_t{width} * height;
    int64_t handed = begin;
    auto handOn = [&](int64_t at) {
        if (!sink || (at - handed < kHandOff && at < end)) {
            return true;
        }
        const int64_t from = handed;
        handed = at;
        return sink(from, at);
    };
    if (pixelLayout == 1) {
        // Quadrant order fills the frame from the centre outwards: decoded
        // whole, then corrected and handed on in reading order.
        Unpack(destination, packed, width, height);
        ClearUnpackedTail(destination);
        for (int64_t at = begin; at < end; at += kDecodePiece) {
            const int64_t next = std::min(at + kDecodePiece, end);
            CorrectSamples(destination, at, next);
            if (!handOn(next)) {
                return false;
            }
        }
        return true;
    }
    // Lane order is a plain stream of 40-byte groups of 32 samples (`begin`
    // starts a group); the samples after the last whole group are 0 before
    // the correction.
    const int64_t grouped = pixels / 32 * 32;
    for (int64_t at = begin; at < end; at += kDecodePiece) {
        const int64_t next = std::min(at + kDecodePiece, end);
        const int64_t unpacked = std::min(next, grouped);
        if (unpacked > at) {
            UnpackLanesFast(destination + at, packed + at / 32 * 40,
                            static_cast<int32_t>(unpacked - at), 1);
        }
        std::fill(destination + std::max(at, unpacked), destination + next, uint16_t{0});
        CorrectSamples(destination, at, next);
        if (!handOn(next)) {
            return false;
        }
    }
    return true;
}
