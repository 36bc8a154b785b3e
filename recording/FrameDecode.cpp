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

bool VornReader::DecodePieces(uint16_t* destination, const uint8_t* packed,
                              const FramePieceSink& sink) const {
    const int64_t pixels = int64_t{width} * height;
    int64_t handed = 0;
    auto handOn = [&](int64_t end) {
        if (!sink || (end - handed < kHandOff && end < pixels)) {
            return true;
        }
        const int64_t from = handed;
        handed = end;
        return sink(from, end);
    };
    if (pixelLayout == 1) {
        // Quadrant order fills the frame from the centre outwards: decoded
        // whole, then corrected and handed on in reading order.
        Unpack(destination, packed, width, height);
        ClearUnpackedTail(destination);
        for (int64_t begin = 0; begin < pixels; begin += kDecodePiece) {
            const int64_t end = std::min(begin + kDecodePiece, pixels);
            CorrectSamples(destination, begin, end);
            if (!handOn(end)) {
                return false;
            }
        }
        return true;
    }
    // Lane order is a plain stream of 40-byte groups of 32 samples; the
    // samples after the last whole group are 0 before the correction.
    const int64_t grouped = pixels / 32 * 32;
    for (int64_t begin = 0; begin < pixels; begin += kDecodePiece) {
        const int64_t end = std::min(begin + kDecodePiece, pixels);
        const int64_t unpacked = std::min(end, grouped);
        if (unpacked > begin) {
            UnpackLanesFast(destination + begin, packed + begin / 32 * 40,
                            static_cast<int32_t>(unpacked - begin), 1);
        }
        std::fill(destination + std::max(begin, unpacked), destination + end, uint16_t{0});
        CorrectSamples(destination, begin, end);
        if (!handOn(end)) {
            return false;
        }
    }
    return true;
}
