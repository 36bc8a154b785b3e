// SPDX-License-Identifier: BSD-3-Clause
#include "image/ImageBuffer.h"

#include "image/Packers.h"
#include "image/SampleIo.h"
#include "image/TiffWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define QUORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVANE_ASAN 1
#endif
#endif

#ifdef QUORVANE_ASAN
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

namespace {

using image_detail::IsContainerSize;
using image_detail::StoreLe16;
using image_detail::StoreLe32;

// Blocks start on a page boundary: a file image is written from block offset 0
// at file offset 0, and the kernel copies page-cache writes fastest when both
// sit at the same offset within a page. The alignment is done by hand on a
// plain allocation rather than with an aligned operator new: glibc serves
// large aligned requests with a fresh mmap every time, so a per-frame export
// block would fault in every page again, while plain requests of a recurring
// size are recycled from the heap.
constexpr size_t kBlockAlignment = 4096;
// Ahead of the block: the raw-to-aligned distance and the raw allocation's size.
constexpr size_t kOffsetSlot = 2 * sizeof(uint64_t);
constexpr int64_t kMaxBlockBytes = std::numeric_limits<int32_t>::max();
constexpr int32_t kBitmapHeaderSize = 40;

// The alignment slack around a block would hide small overruns from
// AddressSanitizer; in sanitizer builds it is poisoned, so touching one byte
// before or after the block is reported.
void PoisonSlack(uint8_t* raw, size_t offset, size_t total, size_t bytes) {
    ASAN_POISON_MEMORY_REGION(raw, offset - kOffsetSlot);
    ASAN_POISON_MEMORY_REGION(raw + offset + bytes, total - offset - bytes);
}

ImageBuffer::Block AllocateBlock(int64_t bytes) {
    const size_t total = static_cast<size_t>(bytes) + kBlockAlignment + kOffsetSlot;
    auto* raw = static_cast<uint8_t*>(::operator new[](total));
    const auto address = reinterpret_cast<uintptr_t>(raw) + kOffsetSlot;
    const uint64_t offset =
        kOffsetSlot + ((kBlockAlignment - address % kBlockAlignment) % kBlockAlignment);
    uint8_t* block = raw + offset;
    const uint64_t slot[2] = {offset, total};
    std::memcpy(block - kOffsetSlot, slot, sizeof slot);
    PoisonSlack(raw, static_cast<size_t>(offset), total, static_cast<size_t>(bytes));
    return ImageBuffer::Block(block);
}

void WriteBitmapHeader(uint8_t* p, int64_t paddedWidth, int height, uint16_t bitCount,
                       int64_t imageBytes) {
    std::memset(p, 0, kBitmapHeaderSize);
    StoreLe32(p + 0, kBitmapHeaderSize);
    StoreLe32(p + 4, static_cast<uint32_t>(paddedWidth));
    StoreLe32(p + 8, static_cast<uint32_t>(height));
    StoreLe16(p + 12, 1);
    StoreLe16(p + 14, bitCount);
    StoreLe32(p + 16, 0); // BI_RGB
    StoreLe32(p + 20, static_cast<uint32_t>(imageBytes));
}

void WriteGreyPalette(uint8_t* p) {
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<uint8_t>(i);
        p[4 * i + 0] = level;
        p[4 * i + 1] = level;
        p[4 * i + 2] = level;
        p[4 * i + 3] = 0;
    }
}

bool ValidTiffSide(int side) {
    return side >= 1 && side <= 65535;
}

} // namespace

void ImageBuffer::BlockDeleter::operator()(uint8_t* p) const noexcept {
    if (p == nullptr)
        return;
    uint64_t slot[2] = {0, 0};
    std::memcpy(slot, p - kOffsetSlot, sizeof slot);
    uint8_t* raw = p - slot[0];
    ASAN_UNPOISON_MEMORY_REGION(raw, static_cast<size_t>(slot[1]));
    ::operator delete[](raw);
}

ImageBuffer::ImageBuffer() = default;

ImageBuffer::~ImageBuffer() = default;

int ResolveOutputDepth(int formatCode, int bits) {
    const int requested = (formatCode >> 8) * 8;
    if (requested == 8 || requested == 16)
        return requested;
    if (bits > 16 || bits < 1)
        return 0;
    return bits > 8 ? 16 : bits;
}

BITMAPINFOHEADER* ImageBuffer::CreateDib(int kindIn, int containerBytes, int bits, int width,
                                         int height, const void* red, const void* green,
                                         const void* blue) {
    if (tiff)
        return nullptr;
    if (kindIn < 0 || kindIn > 2) {
        Release();
        return nullptr;
    }
    if (width <= 0 || height <= 0)
        return nullptr;

    const bool grey = kindIn == 0;
    const int64_t paddedWidth = (int64_t{width} + 3) & ~int64_t{3};
    const int64_t bytes = paddedWidth * height * (grey ? 1 : 3);
    const int32_t header = grey ? kGreyDibHeaderSize : kBitmapHeaderSize;
    if (header + bytes > kMaxBlockBytes)
        return nullptr;

    Block block = AllocateBlock(header + bytes);
    uint8_t* pixels = block.get() + header;
    WriteBitmapHeader(block.get(), paddedWidth, height, grey ? 8 : 24, bytes);
    if (grey)
        WriteGreyPalette(block.get() + kBitmapHeaderSize);

    // Rows the packer does not fill are zeroed rather than left with stale
    // heap contents.
    const bool valid = IsContainerSize(containerBytes);
    if (grey && red != nullptr && valid) {
        PackGray8(pixels, containerBytes, bits, width, height, red);
    } else if (!grey && red != nullptr && green != nullptr && blue != nullptr && valid) {
        PackBgr8(pixels, containerBytes, bits, width, height, red, green, blue);
    } else {
        std::memset(pixels, 0, static_cast<size_t>(bytes));
    }

    dib = std::move(block);
    dibBits = pixels;
    headerSize = header;
    dataSize = static_cast<int32_t>(bytes);
    kind = grey ? 0 : 1;
    return reinterpret_cast<BITMAPINFOHEADER*>(dib.get());
}

uint8_t* ImageBuffer::CreateTiff(int kindIn, int formatCode, int bits, int width, int height,
                                 int privateSize, const void* red, const void* green,
                                 const void* blue) {
    if (dib || kindIn < 0 || kindIn > 2)
        return nullptr;
    const int depth = ResolveOutputDepth(formatCode, bits);
    if (depth == 0 || !ValidTiffSide(width) || !ValidTiffSide(height))
        return nullptr;

    const bool rgb = kindIn != 0;
    const int64_t bytes =
        int64_t{rgb ? 3 : 1} * ((depth + 7) / 8) * int64_t{width} * int64_t{height};
    const int32_t header = TiffHeaderLength(rgb, privateSize);
    if (header < 0 || header + bytes > kMaxBlockBytes)
        return nullptr;

    Block block = AllocateBlock(header + bytes);
    uint8_t* strip = BuildTiffHeader(block.get(), rgb, depth, width, height, privateSize);
    if (strip == nullptr)
        return nullptr;

    const int containerBytes = formatCode & 0xFF;
    const bool valid = IsContainerSize(containerBytes);
    const bool fullRgb = red != nullptr && green != nullptr && blue != nullptr;
    if (!valid || (rgb ? !fullRgb : red == nullptr))
        std::memset(strip, 0, static_cast<size_t>(bytes));
    if (!rgb && red != nullptr)
        PackGrayTiff(strip, formatCode, bits, width, height, red);
    else if (rgb)
        PackRgbTiff(strip, formatCode, bits, width, height, red, green, blue);

    tiff = std::move(block);
    tiffBits = strip;
    headerSize = header;
    dataSize = static_cast<int32_t>(bytes);
    kind = kindIn;
    return tiff.get();
}

uint8_t* ImageBuffer::GetBits(int32_t* size) const {
    if (size != nullptr)
        *size = dataSize;
    if (tiff)
        return tiffBits;
    if (dib)
        return dibBits;
    return nullptr;
}

void ImageBuffer::Release() {
    dib.reset();
    dibBits = nullptr;
    tiff.reset();
    tiffBits = nullptr;
    kind = -1;
    headerSize = 0;
    dataSize = 0;
}
