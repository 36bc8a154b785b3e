// SPDX-License-Identifier: BSD-3-Clause
// Saving a file image through ReplacingFile.

#include "image/ImageBuffer.h"
#include "image/ReplacingFile.h"
#include "image/TiffWriter.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>

int ImageBuffer::SaveTiff(const char* path) const {
    if (!tiff || path == nullptr)
        return 0;
    // The length comes from the layout itself; it may never reach past the block.
    const int64_t length =
        int64_t{GetTiffValue(tiff.get(), 273)} + int64_t{GetTiffValue(tiff.get(), 279)};
    if (length <= 0 || length > int64_t{headerSize} + dataSize)
        return 0;
    const auto bytes = static_cast<size_t>(length);

    ReplacingFile file;
    if (file.Open(path) && file.Write(tiff.get(), bytes) && file.Commit())
        return 1;
    errno = file.Error(); // the first failure, not what the clean-up met
    return 0;
}
