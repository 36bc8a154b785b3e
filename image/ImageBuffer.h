// SPDX-License-Identifier: BSD-3-Clause
// One image held in one heap block, header and pixels contiguous: either a
// display image (BITMAPINFOHEADER, grey palette, bottom-up rows padded to 4
// bytes) or a file image (a complete little-endian TIFF file with one strip).
//
// Standard library only. Failure is reported by null / 0 results; allocation
// failure propagates as std::bad_alloc.
#pragma once

#include "image/Bitmap.h"

#include <cstdint>
#include <memory>

class ImageBuffer {
public:
    ImageBuffer();
    ~ImageBuffer();
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    // Display image. kind 0 = grey (red is the grey source), 1 or 2 = RGB.
    // Sources may be null (an RGB image needs all three): the pixel area is
    // then zeroed and left for the caller. Returns the block (its header) or
    // null: refused, changing nothing, while a file image is held or when
    // width or height is not positive or the block would not fit int32 sizes;
    // an unknown kind frees the display block.
    BITMAPINFOHEADER* CreateDib(int kind, int containerBytes, int bits, int width, int height,
                                const void* red, const void* green = nullptr,
                                const void* blue = nullptr);

    // File image (TIFF). Returns the block or null, changing nothing: refused
    // while a display image is held, for an unknown kind, a refused depth, a
    // width or height outside 1..65535, or a block that would not fit int32
    // sizes. Without a (complete) source the strip is zeroed for the caller.
    uint8_t* CreateTiff(int kind, int formatCode, int bits, int width, int height, int privateSize,
                        const void* red, const void* green = nullptr, const void* blue = nullptr);

    // tiffBits when a file image is held, else dibBits, else null; `size`
    // receives dataSize.
    uint8_t* GetBits(int32_t* size = nullptr) const;

    // Frees both blocks and returns to the empty state.
    void Release();

    // Writes the file image to `path`: 1 when every byte reached the file,
    // 0 otherwise. The file is written under a temporary name in the same
    // folder and renamed over `path` when complete, so a failed or interrupted
    // save never leaves a partial file under `path`. A symbolic link at
    // `path` is replaced, never followed. An existing folder, FIFO, socket or
    // device at `path` is refused (0) without being opened.
    int SaveTiff(const char* path) const;

    int32_t kind = -1;      // -1 empty, 0 grey, 1/2 RGB
    int32_t headerSize = 0; // bytes ahead of the pixel area
    int32_t dataSize = 0;   // bytes of the pixel area

    // Blocks are page-aligned.
    struct BlockDeleter {
        void operator()(uint8_t* p) const noexcept;
    };
    using Block = std::unique_ptr<uint8_t[], BlockDeleter>;

    Block dib;                   // display block, or null
    uint8_t* dibBits = nullptr;  // dib + headerSize
    Block tiff;                  // file block, or null
    uint8_t* tiffBits = nullptr; // tiff + headerSize
};

// Resolves the output depth (8 or 16, or 1..8 from bits) from a format code:
// d = (code >> 8) * 8 when that is 8 or 16, else from `bits`. Returns 0 when
// refused.
int ResolveOutputDepth(int formatCode, int bits);
