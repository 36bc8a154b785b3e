// SPDX-License-Identifier: BSD-3-Clause
// The write stage's step for one decoded frame: checks what already lies
// under the frame's name when resuming (--skip-existing), keeps it only when
// its bytes are proven to be this frame's, writes the frame file otherwise,
// and logs the file's hash for the manifest.
#pragma once

#include "convert/ConvertJob.h"
#include "convert/FrameDecoder.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ExistingFile { Absent, Ours, Foreign };

// Whether `path` holds a complete frame file of this geometry and depth as
// this program writes it: a regular file of the exact size whose header,
// IFD and value area are byte for byte the ones it would write.
ExistingFile CheckExistingFrame(const std::string& path, int width, int height, int depth);

// Whether `path` is a regular file (a link is not followed) whose bytes are
// exactly those of the frame file of `frame`.
bool FileHoldsFrame(const std::string& path, FrameDecoder& decoder, const DecodedFrame& frame);

// Whether the open file `fd` holds `size` bytes of `data` at `offset`.
bool FileRangeHolds(int fd, int64_t offset, const uint8_t* data, std::size_t size);

// Bytes per write() for files in `folder` whose data after the header is
// `stripBytes` long: all of it on a memory file system, where one write per
// file measured 10-20 % faster than 128 KiB pieces; 128 KiB elsewhere, which
// is steadier on disk file systems.
std::size_t WritePieceBytes(const std::string& folder, std::size_t stripBytes);

// Writes (or keeps) the file of `frame`, which decoded whole, as `request`
// says. On Failed `reason` says why.
FrameResult WriteFrameFile(const ConvertRequest& request, FrameDecoder& decoder,
                           const DecodedFrame& frame, const std::string& name,
                           std::string& reason);
