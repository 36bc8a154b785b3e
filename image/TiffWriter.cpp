// SPDX-License-Identifier: BSD-3-Clause
#include "image/TiffWriter.h"

#include "image/SampleIo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace {

using image_detail::LoadLe;
using image_detail::StoreLe16;
using image_detail::StoreLe32;

enum TiffType : uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSByte = 6,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
    kFloat = 11,
    kDouble = 12,
};

constexpr uint16_t kPrivateDataTag = 65000;
constexpr size_t kIfdOffset = 10;
constexpr size_t kEntrySize = 12;

uint32_t TypeSize(uint16_t type) {
    switch (type) {
    case kByte:
    case kAscii:
    case kSByte:
    case kUndefined:
        return 1;
    case kShort:
    case kSShort:
        return 2;
    case kLong:
    case kSLong:
    case kFloat:
        return 4;
    case kRational:
    case kSRational:
    case kDouble:
        return 8;
    default:
        return 0;
    }
}

int64_t HeaderLength64(bool rgb, int64_t privateSize) {
    int64_t length = privateSize > 0 ? privateSize + 212 : 200;
    if (rgb)
        length += 6;
    return (length + 3) & ~int64_t{3};
}

// Appends IFD entries in order; SHORT values go in the low two bytes.
class EntryWriter {
public:
    explicit EntryWriter(uint8_t* first) : next_(first) {}
    void Add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        StoreLe16(next_, tag);
        StoreLe16(next_ + 2, type);
        StoreLe32(next_ + 4, count);
        StoreLe32(next_ + 8, value);
        next_ += kEntrySize;
    }

private:
    uint8_t* next_;
};

} // namespace

int32_t TiffHeaderLength(bool rgb, int32_t privateSize) {
    const int64_t length = HeaderLength64(rgb, privateSize);
    return length > std::numeric_limits<int32_t>::max() ? -1 : static_cast<int32_t>(length);
}

uint8_t* BuildTiffHeader(uint8_t* block, bool rgb, int depth, int width, int height,
                         int privateSize) {
    if (depth > 16 || depth < 1 || width < 1 || width > 65535 || height < 1 || height > 65535)
        return nullptr;
    const int32_t headerLength = TiffHeaderLength(rgb, privateSize);
    // Samples are whole bytes, so the declared depth is the container's.
    const uint16_t writtenDepth = depth > 8 ? 16 : 8;
    const uint64_t samplesPerPixel = rgb ? 3 : 1;
    const uint64_t stripBytes = samplesPerPixel * (writtenDepth / 8u) *
                                static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (headerLength < 0 || stripBytes > std::numeric_limits<uint32_t>::max())
        return nullptr;

    const bool hasPrivate = privateSize > 0;
    const uint16_t entryCount = hasPrivate ? 15 : 14;
    const size_t nextIfd = kIfdOffset + 2 + kEntrySize * entryCount;
    const size_t valueArea = nextIfd + 4;
    const size_t bitsArray = valueArea;
    const size_t xResolution = valueArea + (rgb ? 6 : 0);
    const size_t yResolution = xResolution + 8;
    const size_t privateBytes = yResolution + 8;

    std::memset(block, 0, static_cast<size_t>(headerLength));
    block[0] = 'I';
    block[1] = 'I';
    StoreLe16(block + 2, 42);
    StoreLe32(block + 4, kIfdOffset);
    StoreLe16(block + kIfdOffset, entryCount);

    const auto w = static_cast<uint32_t>(width);
    const auto h = static_cast<uint32_t>(height);
    EntryWriter entries(block + kIfdOffset + 2);
    entries.Add(254, kLong, 1, 0);
    entries.Add(256, kShort, 1, w);
    entries.Add(257, kShort, 1, h);
    if (rgb)
        entries.Add(258, kShort, 3, static_cast<uint32_t>(bitsArray));
    else
        entries.Add(258, kShort, 1, writtenDepth);
    entries.Add(259, kShort, 1, 1);
    entries.Add(262, kShort, 1, rgb ? 2 : 1);
    entries.Add(273, kLong, 1, static_cast<uint32_t>(headerLength));
    entries.Add(277, kShort, 1, static_cast<uint32_t>(samplesPerPixel));
    entries.Add(278, kShort, 1, h);
    entries.Add(279, kLong, 1, static_cast<uint32_t>(stripBytes));
    entries.Add(282, kRational, 1, static_cast<uint32_t>(xResolution));
    entries.Add(283, kRational, 1, static_cast<uint32_t>(yResolution));
    entries.Add(284, kShort, 1, 1);
    entries.Add(296, kShort, 1, 1);
    if (hasPrivate)
        entries.Add(kPrivateDataTag, kByte, static_cast<uint32_t>(privateSize),
                    static_cast<uint32_t>(privateBytes));
    // The next-IFD offset and the padding are already zero.

    if (rgb) {
        for (size_t i = 0; i < 3; ++i)
            StoreLe16(block + bitsArray + 2 * i, writtenDepth);
    }
    for (const size_t rational : {xResolution, yResolution}) {
        StoreLe32(block + rational, 1);
        StoreLe32(block + rational + 4, 1);
    }
    return block + headerLength;
}

const uint8_t* FindTiffEntry(const uint8_t* block, int tag, const uint8_t** valuePosition) {
    const uint32_t ifd = LoadLe<uint32_t>(block + 4);
    const auto count = static_cast<int16_t>(LoadLe<uint16_t>(block + ifd));
    const uint8_t* entry = block + ifd + 2;
    for (int i = 0; i < count; ++i, entry += kEntrySize) {
        const uint16_t entryTag = LoadLe<uint16_t>(entry);
        if (entryTag == 0)
            return nullptr;
        if (entryTag != tag)
            continue;
        if (valuePosition != nullptr) {
            const uint64_t size =
                uint64_t{TypeSize(LoadLe<uint16_t>(entry + 2))} * LoadLe<uint32_t>(entry + 4);
            *valuePosition = size > 4 ? block + LoadLe<uint32_t>(entry + 8) : entry + 8;
        }
        return entry;
    }
    return nullptr;
}

int32_t GetTiffValue(const uint8_t* block, int tag, int32_t* count) {
    const uint8_t* value = nullptr;
    const uint8_t* entry = FindTiffEntry(block, tag, &value);
    if (entry == nullptr)
        return 0;
    if (count != nullptr)
        *count = static_cast<int32_t>(LoadLe<uint32_t>(entry + 4));
    switch (LoadLe<uint16_t>(entry + 2)) {
    case kByte:
        return value[0];
    case kSByte:
        return static_cast<int8_t>(value[0]);
    case kShort:
        return LoadLe<uint16_t>(value);
    case kSShort:
        return static_cast<int16_t>(LoadLe<uint16_t>(value));
    default: // LONG-sized words and the numerator of a rational
        return static_cast<int32_t>(LoadLe<uint32_t>(value));
    }
}
