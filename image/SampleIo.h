// SPDX-License-Identifier: BSD-3-Clause
// Little-endian loads and stores and the sample scaling rule shared by the
// packers and the TIFF builder. Internal to image/.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace image_detail {

template <class T> constexpr T ByteSwap(T v) {
    static_assert(std::is_unsigned_v<T>);
    T out = 0;
    for (unsigned i = 0; i < sizeof(T); ++i) {
        out = static_cast<T>((out << 8) | ((v >> (8 * i)) & 0xFF));
    }
    return out;
}

// Reads an unsigned little-endian value from any address.
template <class T> inline T LoadLe(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = ByteSwap(v);
    return v;
}

inline void StoreLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void StoreLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Brings a sample with `bits` significant bits to `outBits`, keeping its most
// significant bits: a right shift when the sample is wider, a left shift when
// it is narrower, truncated to `outBits` (8 or 16). A shift of 32 or more
// gives 0 instead of undefined behaviour.
inline uint32_t ScaleSample(uint32_t value, int bits, int outBits) {
    const int64_t shift = int64_t{bits} - outBits;
    const uint32_t mask = (uint32_t{1} << outBits) - 1;
    if (shift >= 32 || shift <= -32)
        return 0;
    if (shift >= 0)
        return (value >> shift) & mask;
    return (value << -shift) & mask;
}

} // namespace image_detail

namespace image_detail {

// Source containers the packers understand.
constexpr bool IsContainerSize(int bytes) {
    return bytes == 1 || bytes == 2 || bytes == 4;
}

} // namespace image_detail
