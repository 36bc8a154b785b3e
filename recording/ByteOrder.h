// SPDX-License-Identifier: BSD-3-Clause
// Integer fields of a recording, taken from raw bytes in the recording's own
// byte order (independent of the host's).
#pragma once

#include <cstdint>

namespace vorn {

inline uint16_t Load16(const uint8_t* p, bool littleEndian) {
    return littleEndian ? static_cast<uint16_t>(p[0] | p[1] << 8)
                        : static_cast<uint16_t>(p[0] << 8 | p[1]);
}

inline uint32_t Load32(const uint8_t* p, bool littleEndian) {
    return littleEndian
               ? uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24
               : uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// 16-bit fields are signed and widened by sign extension.
inline int32_t LoadInt16(const uint8_t* p, bool littleEndian) {
    return static_cast<int16_t>(Load16(p, littleEndian));
}

inline int32_t LoadInt32(const uint8_t* p, bool littleEndian) {
    return static_cast<int32_t>(Load32(p, littleEndian));
}

inline void Store16(uint8_t* p, uint16_t value, bool littleEndian) {
    const auto high = static_cast<uint8_t>(value >> 8);
    const auto low = static_cast<uint8_t>(value);
    p[0] = littleEndian ? low : high;
    p[1] = littleEndian ? high : low;
}

inline void Store32(uint8_t* p, uint32_t value, bool littleEndian) {
    for (int n = 0; n < 4; ++n) {
        const int shift = littleEndian ? 8 * n : 8 * (3 - n);
        p[n] = static_cast<uint8_t>(value >> shift);
    }
}

} // namespace vorn
