// SPDX-License-Identifier: BSD-3-Clause
#include "image/Packers.h"

#include "image/ImageBuffer.h"
#include "image/SampleIo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using image_detail::IsContainerSize;
using image_detail::LoadLe;
using image_detail::ScaleSample;
using image_detail::StoreLe16;

// Destination row geometry shared by the 8-bit packers.
struct RowLayout {
    size_t width = 0;     // samples per source row
    size_t height = 0;    // rows
    size_t rowPixels = 0; // destination pixels per row, padding included
    bool bottomUp = false;
};

RowLayout MakeLayout(int width, int height) {
    const int64_t w = width < 0 ? -int64_t{width} : int64_t{width};
    const int64_t h = height < 0 ? -int64_t{height} : int64_t{height};
    RowLayout layout;
    layout.width = static_cast<size_t>(w);
    layout.height = static_cast<size_t>(h);
    layout.rowPixels = width > 0 ? static_cast<size_t>((w + 3) & ~int64_t{3}) : layout.width;
    layout.bottomUp = height > 0;
    return layout;
}

size_t DestinationRow(const RowLayout& layout, size_t row) {
    return layout.bottomUp ? layout.height - 1 - row : row;
}

// Fixed-shift row loops for the common recording depths. The body works in
// blocks of a fixed count on non-aliasing pointers, which GCC vectorises even
// at -O2 (its cheap cost model refuses loops of unknown count).
template <class T, unsigned Shift>
void ShiftRow(uint8_t* __restrict dst, const uint8_t* __restrict src, size_t n) {
    constexpr size_t kBlock = 32;
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        for (size_t j = 0; j < kBlock; ++j)
            dst[i + j] = static_cast<uint8_t>(LoadLe<T>(src + (i + j) * sizeof(T)) >> Shift);
    }
    for (; i < n; ++i)
        dst[i] = static_cast<uint8_t>(LoadLe<T>(src + i * sizeof(T)) >> Shift);
}

template <class T> void ScaleRow(uint8_t* dst, const uint8_t* src, size_t n, int bits) {
    for (size_t i = 0; i < n; ++i) {
        dst[i] = static_cast<uint8_t>(ScaleSample(LoadLe<T>(src + i * sizeof(T)), bits, 8));
    }
}

using GreyRowFn = void (*)(uint8_t*, const uint8_t*, size_t, int);

template <class T, unsigned Shift>
void ShiftRowAdapter(uint8_t* dst, const uint8_t* src, size_t n, int) {
    ShiftRow<T, Shift>(dst, src, n);
}

void CopyRow(uint8_t* dst, const uint8_t* src, size_t n, int) {
    std::memcpy(dst, src, n);
}

GreyRowFn SelectGreyRow(int containerBytes, int bits) {
    switch (containerBytes) {
    case 1:
        return CopyRow;
    case 2:
        if (bits == 10)
            return ShiftRowAdapter<uint16_t, 2>;
        if (bits == 12)
            return ShiftRowAdapter<uint16_t, 4>;
        return ScaleRow<uint16_t>;
    case 4:
        if (bits == 10)
            return ShiftRowAdapter<uint32_t, 2>;
        if (bits == 12)
            return ShiftRowAdapter<uint32_t, 4>;
        return ScaleRow<uint32_t>;
    default:
        return nullptr;
    }
}

// 8-bit rule for one sample in a container of `containerBytes`.
uint8_t Sample8(const uint8_t* p, int containerBytes, int bits) {
    switch (containerBytes) {
    case 1:
        return *p;
    case 2:
        return static_cast<uint8_t>(ScaleSample(LoadLe<uint16_t>(p), bits, 8));
    default:
        return static_cast<uint8_t>(ScaleSample(LoadLe<uint32_t>(p), bits, 8));
    }
}

// 16-bit rule for one sample.
uint16_t Sample16(const uint8_t* p, int containerBytes, int bits) {
    switch (containerBytes) {
    case 1:
        return static_cast<uint16_t>(ScaleSample(*p, bits, 16));
    case 2:
        return static_cast<uint16_t>(ScaleSample(LoadLe<uint16_t>(p), bits, 16));
    default:
        return static_cast<uint16_t>(ScaleSample(LoadLe<uint32_t>(p), bits, 16));
    }
}

// Writes one channel every `stride` bytes, 16-bit samples, top-down, unpadded.
void PackStrided16(uint8_t* dst, size_t stride, int containerBytes, int bits, int width, int height,
                   const void* src) {
    if (!IsContainerSize(containerBytes))
        return;
    const int64_t w = width < 0 ? -int64_t{width} : int64_t{width};
    const int64_t h = height < 0 ? -int64_t{height} : int64_t{height};
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    const auto* in = static_cast<const uint8_t*>(src);
    const size_t cb = static_cast<size_t>(containerBytes);
    if (stride == 2 && containerBytes == 2 && bits == 16) {
        std::memcpy(dst, src, count * 2); // little-endian in, little-endian out
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        StoreLe16(dst + i * stride, Sample16(in + i * cb, containerBytes, bits));
    }
}

} // namespace

void PackGray8(uint8_t* dst, int containerBytes, int bits, int width, int height, const void* src) {
    const GreyRowFn rowFn = SelectGreyRow(containerBytes, bits);
    if (rowFn == nullptr)
        return;
    const RowLayout layout = MakeLayout(width, height);
    const size_t srcRowBytes = layout.width * static_cast<size_t>(containerBytes);
    const auto* in = static_cast<const uint8_t*>(src);
    for (size_t row = 0; row < layout.height; ++row) {
        uint8_t* out = dst + DestinationRow(layout, row) * layout.rowPixels;
        rowFn(out, in + row * srcRowBytes, layout.width, bits);
        std::memset(out + layout.width, 0, layout.rowPixels - layout.width);
    }
}

void PackChannel8(uint8_t* dst, int containerBytes, int bits, int width, int height,
                  const void* src) {
    if (!IsContainerSize(containerBytes))
        return;
    const RowLayout layout = MakeLayout(width, height);
    const size_t cb = static_cast<size_t>(containerBytes);
    const auto* in = static_cast<const uint8_t*>(src);
    for (size_t row = 0; row < layout.height; ++row) {
        uint8_t* out = dst + DestinationRow(layout, row) * layout.rowPixels * 3;
        const uint8_t* rowIn = in + row * layout.width * cb;
        for (size_t x = 0; x < layout.width; ++x) {
            out[x * 3] = Sample8(rowIn + x * cb, containerBytes, bits);
        }
        for (size_t x = layout.width; x < layout.rowPixels; ++x) {
            out[x * 3] = 0;
        }
    }
}

void PackBgr8(uint8_t* dst, int containerBytes, int bits, int width, int height, const void* red,
              const void* green, const void* blue) {
    if (blue != nullptr)
        PackChannel8(dst, containerBytes, bits, width, height, blue);
    if (green != nullptr)
        PackChannel8(dst + 1, containerBytes, bits, width, height, green);
    if (red != nullptr)
        PackChannel8(dst + 2, containerBytes, bits, width, height, red);
}

void PackGrayTiff(uint8_t* dst, int formatCode, int bits, int width, int height, const void* src) {
    const int depth = ResolveOutputDepth(formatCode, bits);
    if (depth == 0)
        return;
    const int containerBytes = formatCode & 0xFF;
    if (depth <= 8) {
        PackGray8(dst, containerBytes, bits, -width, -height, src);
        return;
    }
    PackStrided16(dst, 2, containerBytes, bits, width, height, src);
}

void PackChannel16(uint8_t* dst, int formatCode, int bits, int width, int height, const void* src) {
    const int depth = ResolveOutputDepth(formatCode, bits);
    if (depth == 0)
        return;
    const int containerBytes = formatCode & 0xFF;
    if (depth <= 8) {
        PackChannel8(dst, containerBytes, bits, -width, -height, src);
        return;
    }
    PackStrided16(dst, 6, containerBytes, bits, width, height, src);
}

void PackRgbTiff(uint8_t* dst, int formatCode, int bits, int width, int height, const void* red,
                 const void* green, const void* blue) {
    const int depth = ResolveOutputDepth(formatCode, bits);
    if (depth == 0)
        return;
    const size_t sampleBytes = static_cast<size_t>((depth + 7) / 8);
    if (red != nullptr)
        PackChannel16(dst, formatCode, bits, width, height, red);
    if (green != nullptr)
        PackChannel16(dst + sampleBytes, formatCode, bits, width, height, green);
    if (blue != nullptr)
        PackChannel16(dst + 2 * sampleBytes, formatCode, bits, width, height, blue);
}
