// Fast unpackers. Each 40-byte group is decoded four lanes at a time from
// 32-bit words: the masks 03030303, 3F3F3F3F and 0F0F0F0F pick the bits each
// lane contributes to its neighbour field, so one shift and one mask serve
// four lanes. Quadrant order reuses the group decoder and scatters the 32
// values through per-block position tables.
#include "recording/Unpack.h"
#include "recording/VornReader.h"

#include <array>

namespace {

// Little-endian load: byte n of the group lands in bits 8n..8n+7 on any host.
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline uint16_t Join(uint32_t high, uint32_t low, int shift, int highShift) {
    return static_cast<uint16_t>(((high >> shift) & 0xFFu) << highShift | ((low >> shift) & 0xFFu));
}

// Decodes one 40-byte group into its 32 values in packed order.
inline void UnpackGroup(uint16_t* out, const uint8_t* b) {
    for (int half = 0; half < 8; half += 4) {
        const uint32_t r0 = LoadLE32(b + half);
        const uint32_t r1 = LoadLE32(b + 8 + half);
        const uint32_t r2 = LoadLE32(b + 16 + half);
        const uint32_t r3 = LoadLE32(b + 24 + half);
        const uint32_t r4 = LoadLE32(b + 32 + half);
        const uint32_t low0 = (r1 >> 6) & 0x03030303u;
        const uint32_t high1 = r1 & 0x3F3F3F3Fu;
        const uint32_t low1 = (r2 >> 4) & 0x0F0F0F0Fu;
        const uint32_t high2 = r2 & 0x0F0F0F0Fu;
        const uint32_t low2 = (r3 >> 2) & 0x3F3F3F3Fu;
        const uint32_t high3 = r3 & 0x03030303u;
        for (int n = 0; n < 4; ++n) {
            const int shift = 8 * n;
            out[half + n] = Join(r0, low0, shift, 2);
            out[8 + half + n] = Join(high1, low1, shift, 4);
            out[16 + half + n] = Join(high2, low2, shift, 6);
            out[24 + half + n] = Join(high3, r4, shift, 8);
        }
    }
}

} // namespace

void UnpackLanes(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    if (width <= 0 || rows <= 0) {
        return;
    }
    const int64_t groups = int64_t{width} * rows / 32;
    for (int64_t g = 0; g < groups; ++g) {
        UnpackGroup(destination + g * 32, packed + g * 40);
    }
}

void UnpackQuadrants(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    const int64_t W = width;
    const int64_t H = rows;
    // Other geometries would put samples outside the frame or over each other.
    if (W <= 0 || H <= 0 || H % 16 != 0 || W % 4 != 0) {
        return;
    }
    const int64_t P = H / 8;
    const int64_t blocks = W * H / 512;
    // base[section][w]: element of the lower-numbered column, group 0, for the
    // block's walk position w (0..15).
    std::array<std::array<int64_t, 16>, 4> base{};
    std::array<uint16_t, 32> values{};
    for (int64_t j = 0; j < blocks; ++j) {
        for (int w = 0; w < 16; ++w) {
            const int64_t m = 16 * j + w;
            const int64_t c = m / P;
            const int64_t i = m % P;
            const int64_t topRow = (H / 2 - 4 - 4 * i) * W;
            const int64_t bottomRow = (H / 2 + 4 * i) * W;
            const int64_t leftColumn = W / 2 - 2 - 2 * c;
            const int64_t rightColumn = W / 2 + 2 * c;
            base[0][static_cast<size_t>(w)] = topRow + leftColumn;
            base[1][static_cast<size_t>(w)] = topRow + rightColumn;
            base[2][static_cast<size_t>(w)] = bottomRow + leftColumn;
            base[3][static_cast<size_t>(w)] = bottomRow + rightColumn;
        }
        for (size_t section = 0; section < 4; ++section) {
            const auto& positions = base[section];
            for (int64_t G = 0; G < 4; ++G) {
                UnpackGroup(values.data(),
                            packed + j * 640 + static_cast<int64_t>(section) * 160 + G * 40);
                uint16_t* rowStart = destination + G * W;
                // Slots 0/1 fill the lower column (walk positions 0..7 / 8..15),
                // slots 2/3 the higher one.
                for (size_t w = 0; w < 16; ++w) {
                    rowStart[positions[w]] = values[w];
                    rowStart[positions[w] + 1] = values[16 + w];
                }
            }
        }
    }
}
