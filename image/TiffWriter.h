// SPDX-License-Identifier: BSD-3-Clause
// Builder and readers of the one-IFD, one-strip little-endian TIFF layout
// held in a file image block.
#pragma once

#include <cstdint>

// Header length (strip offset) for the given layout: 200 grey, 208 RGB,
// 212 + privateSize (+6 RGB) rounded up to 4 with private data; -1 when that
// does not fit int32.
int32_t TiffHeaderLength(bool rgb, int32_t privateSize);

// Writes header, IFD and value area at the start of `block` (the value-area
// padding and the reserved private bytes are zeroed); returns the strip
// position, or null (nothing written) when depth is outside 1..16, width or
// height outside 1..65535, or the strip would exceed 4 GiB. Samples are whole
// bytes: depths 1..8 are written as 8, 9..16 as 16.
uint8_t* BuildTiffHeader(uint8_t* block, bool rgb, int depth, int width, int height,
                         int privateSize);

// Finds the IFD entry with `tag`; returns a pointer to the 12-byte entry or
// null. `valuePosition` receives where the entry's value lies.
const uint8_t* FindTiffEntry(const uint8_t* block, int tag,
                             const uint8_t** valuePosition = nullptr);

// The entry's first value as int32 (numerator for rationals), 0 when absent.
int32_t GetTiffValue(const uint8_t* block, int tag, int32_t* count = nullptr);
