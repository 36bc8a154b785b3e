// SPDX-License-Identifier: BSD-3-Clause
// Fixed-pattern correction: loading the FPNP maps at Open and applying them
// to every decoded frame.
#include "recording/ByteOrder.h"
#include "recording/Unpack.h"
#include "recording/VornReader.h"
#include "recording/fast/UnpackFast.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr int64_t kFpnpBytes = 128;

// Converts `count` words, read raw from the file, to host order in place.
// Nothing to do when the file's order is the host's.
void WordsFromFile(uint16_t* words, int64_t count, bool littleEndian) {
    if (littleEndian == (std::endian::native == std::endian::little)) {
        return;
    }
    for (int64_t n = 0; n < count; ++n) {
        words[n] = static_cast<uint16_t>(words[n] << 8 | words[n] >> 8);
    }
}

// The 32-bit arithmetic of the interpolation, done modulo 2^32 so that
// extreme calibration values wrap as two's complement instead of overflowing.
uint32_t U(int32_t value) {
    return static_cast<uint32_t>(value);
}

uint16_t* AsWords(int16_t* p) {
    return reinterpret_cast<uint16_t*>(p);
}

} // namespace

const char* CorrectionNoteText(CorrectionNote note) {
    switch (note) {
    case CorrectionNote::None:
        return "correction applied";
    case CorrectionNote::NoChunk:
        return "no correction data";
    case CorrectionNote::NotRequested:
        return "correction not requested";
    case CorrectionNote::UnknownKind:
        return "unknown correction kind";
    case CorrectionNote::ShortChunk:
        return "correction header cut short";
    case CorrectionNote::ShortImage:
        return "correction data cut short";
    case CorrectionNote::MapsTooSmall:
        return "maps smaller than the frame";
    case CorrectionNote::BadMapSize:
        return "map width or height not positive";
    }
    return "unknown note";
}

void CorrectRowOffset(uint16_t* samples, const int16_t* offset, int32_t count) {
    for (int32_t x = 0; x < count; ++x) {
        int32_t s = int32_t{samples[x]} + offset[x];
        s = s < 0 ? 0 : s;
        s = s > 1023 ? 1023 : s;
        samples[x] = static_cast<uint16_t>(s);
    }
}

void CorrectRowOffsetGain(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                          int32_t count) {
    for (int32_t x = 0; x < count; ++x) {
        // Unsigned arithmetic yields the two's-complement 32-bit product and
        // sum without signed overflow; only the division is signed.
        const uint32_t sum = U(int32_t{samples[x]} + offset[x]);
        const uint32_t scaled = sum * U(gain[x]) + 256u;
        const int32_t quotient = static_cast<int32_t>(scaled) / 512;
        int32_t s = static_cast<int16_t>(quotient);
        s = s < 0 ? 0 : s;
        s = s > 1023 ? 1023 : s;
        samples[x] = static_cast<uint16_t>(s);
    }
}

void VornReader::ReadOffsetWords(uint16_t* words, int64_t count) const {
    WordsFromFile(words, count, littleEndian != 0);
    for (int64_t n = 0; n < count; ++n) {
        // Offsets are 11-bit signed; bit 10 is the sign, copied into bits 9..15
        // without a branch so the loop vectorises.
        const auto sign = static_cast<uint16_t>(0u - ((words[n] >> 10) & 1u));
        words[n] = static_cast<uint16_t>(words[n] | (sign & 0xFE00u));
    }
}

void VornReader::DropCorrection(CorrectionNote why) {
    correctionKind = 0;
    correctionNote = why;
    narrowGain_ = false;
    offsetMap.reset();
    gainMap.reset();
}

bool VornReader::LoadCorrection(int loadCorrection) {
    const bool le = littleEndian != 0;
    std::array<uint8_t, kFpnpBytes> chunk{};
    if (!ReadAt(fpnpPos, chunk.data(), kFpnpBytes)) {
        DropCorrection(loadCorrection != 0 ? CorrectionNote::ShortChunk
                                           : CorrectionNote::NotRequested);
        return true;
    }
    fpnpKind = vorn::LoadInt16(chunk.data() + 48, le);
    mapWidth = vorn::LoadInt16(chunk.data() + 56, le);
    mapHeight = vorn::LoadInt16(chunk.data() + 58, le);
    calibLow_ = static_cast<int8_t>(chunk[104]);
    calibHigh_ = static_cast<int8_t>(chunk[105]) + 1;
    for (size_t k = 0; k < 4; ++k) {
        blockPos_[k] = vorn::LoadInt32(chunk.data() + 112 + 4 * k, le);
    }
    if (loadCorrection == 0) {
        DropCorrection(CorrectionNote::NotRequested);
        return true;
    }
    correctionKind = fpnpKind;
    if (fpnpKind != 3 && fpnpKind != 6) {
        correctionNote = CorrectionNote::UnknownKind;
        return true;
    }
    if (mapWidth <= 0 || mapHeight <= 0) {
        DropCorrection(CorrectionNote::BadMapSize);
        return true;
    }
    if (!CorrectionWindowFits()) {
        DropCorrection(CorrectionNote::MapsTooSmall);
        return true;
    }
    try {
        if (!LoadCorrectionMaps()) {
            DropCorrection(CorrectionNote::ShortImage);
            return true;
        }
    } catch (const std::bad_alloc&) {
        correctionKind = 0;
        return false;
    }
    correctionNote = CorrectionNote::None;
    return true;
}

bool VornReader::CorrectionWindowFits() const {
    if (width > mapWidth || height > mapHeight) {
        return false;
    }
    const int64_t mapElements = int64_t{mapWidth} * mapHeight;
    const int64_t origin = int64_t{mapWidth} * (mapHeight - height) / 2 + (mapWidth - width) / 2;
    const int64_t last = origin + int64_t{height - 1} * mapWidth + width - 1;
    return origin >= 0 && last < mapElements;
}

bool VornReader::BlockInFile(int32_t blockPos, int64_t bytes, int64_t fileSize) const {
    const int64_t start = int64_t{fpnpPos} + blockPos;
    return start >= 0 && start + bytes <= fileSize;
}

// Reads the maps after checking that every block they come from lies inside
// the file, so a small file cannot ask for large maps.
bool VornReader::LoadCorrectionMaps() {
    const int64_t n = int64_t{mapWidth} * mapHeight;
    const int64_t fileSize = file.Size();
    if (fpnpKind == 3) {
        if (!BlockInFile(blockPos_[0], n, fileSize)) {
            return false;
        }
        auto bytes = std::make_unique_for_overwrite<int8_t[]>(static_cast<size_t>(n));
        if (!ReadAt(int64_t{fpnpPos} + blockPos_[0], reinterpret_cast<uint8_t*>(bytes.get()), n)) {
            return false;
        }
        offsetMap = std::make_unique_for_overwrite<int16_t[]>(static_cast<size_t>(n));
        for (int64_t e = 0; e < n; ++e) {
            offsetMap[static_cast<size_t>(e)] = bytes[static_cast<size_t>(e)];
        }
        return true;
    }
    // Kind 6: block 0 holds offset image 0 followed by the gains.
    if (!BlockInFile(blockPos_[0], 4 * n, fileSize) ||
        !BlockInFile(blockPos_[1], 2 * n, fileSize) ||
        !BlockInFile(blockPos_[2], 2 * n, fileSize) ||
        !BlockInFile(blockPos_[3], 2 * n, fileSize)) {
        return false;
    }
    const auto elements = static_cast<size_t>(n);
    auto offsets = std::make_unique_for_overwrite<int16_t[]>(elements);
    auto gains = std::make_unique_for_overwrite<int16_t[]>(elements);
    // The words are handled unsigned while they are converted (int16_t and
    // uint16_t may alias each other).
    uint16_t* offsetWords = AsWords(offsets.get());
    uint16_t* gainWords = AsWords(gains.get());
    if (!ReadAt(int64_t{fpnpPos} + blockPos_[0], reinterpret_cast<uint8_t*>(offsetWords), 2 * n) ||
        file.Read(gainWords, 2 * n) != 2 * n) {
        return false;
    }
    ReadOffsetWords(offsetWords, n);
    WordsFromFile(gainWords, n, littleEndian != 0);

    // Blend the four offset images by the calibration value:
    // (b(b O0 + a O1) + D(b O2 + a O3) + D^2/2) / D^2, a = T - Lo, b = Hi - T.
    // Images 1 to 3 are read and blended into image 0 piece by piece: held
    // whole they would more than double the memory an open recording needs.
    const int32_t a = calibValue - calibLow_;
    const int32_t b = calibHigh_ - calibValue;
    const int32_t d = calibHigh_ - calibLow_;
    constexpr int64_t kPiece = 16384;
    const int64_t pieceElements = std::min(kPiece, n);
    auto pieces = std::make_unique_for_overwrite<uint16_t[]>(3 * static_cast<size_t>(pieceElements));
    for (int64_t start = 0; start < n; start += pieceElements) {
        const int64_t count = std::min(pieceElements, n - start);
        const uint16_t* image[4] = {offsetWords + start, pieces.get(), pieces.get() + pieceElements,
                                    pieces.get() + 2 * pieceElements};
        for (size_t k = 1; k < 4; ++k) {
            auto* words = pieces.get() + (k - 1) * static_cast<size_t>(pieceElements);
            if (!ReadAt(int64_t{fpnpPos} + blockPos_[k] + 2 * start,
                        reinterpret_cast<uint8_t*>(words), 2 * count)) {
                return false;
            }
            ReadOffsetWords(words, count);
        }
        if (d == 0) {
            continue;
        }
        const int32_t d2 = d * d;
        for (int64_t e = 0; e < count; ++e) {
            auto o = [&](int k) { return U(static_cast<int16_t>(image[k][e])); };
            const uint32_t inner0 = U(b) * o(0) + U(a) * o(1);
            const uint32_t inner1 = U(b) * o(2) + U(a) * o(3);
            const uint32_t sum = U(b) * inner0 + U(d) * inner1 + U(d2 / 2);
            offsets[static_cast<size_t>(start + e)] =
                static_cast<int16_t>(static_cast<int32_t>(sum) / d2);
        }
    }
    // With D = 0 the blend is undefined; offset image 0 is used as it stands.
    narrowGain_ = GainMapsNarrow(offsets.get(), gains.get(), n);
    offsetMap = std::move(offsets);
    gainMap = std::move(gains);
    return true;
}

void VornReader::ApplyCorrection(uint16_t* destination) const {
    if ((correctionKind != 3 && correctionKind != 6) || !offsetMap || destination == nullptr) {
        return;
    }
    if (correctionKind == 6 && !gainMap) {
        return;
    }
    const int64_t origin = int64_t{mapWidth} * (mapHeight - height) / 2 + (mapWidth - width) / 2;
    for (int64_t y = 0; y < height; ++y) {
        uint16_t* row = destination + y * width;
        const int64_t m = origin + y * mapWidth;
        if (correctionKind == 3) {
            CorrectRowOffsetFast(row, offsetMap.get() + m, width);
        } else {
            CorrectRowOffsetGainFast(row, offsetMap.get() + m, gainMap.get() + m, width);
        }
    }
}
