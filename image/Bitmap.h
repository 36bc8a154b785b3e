// SPDX-License-Identifier: BSD-3-Clause
// The display block's header: the Windows BITMAPINFOHEADER, 40 bytes,
// little-endian. On Windows the platform's own struct is used; elsewhere a
// layout-identical one.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
constexpr uint32_t BI_RGB = 0;
#endif

static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER must be 40 bytes");

// Bytes ahead of the rows in a grey display block: header + 256-entry palette.
constexpr int32_t kGreyDibHeaderSize = 40 + 256 * 4;
