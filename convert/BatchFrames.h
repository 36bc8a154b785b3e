// SPDX-License-Identifier: BSD-3-Clause
// The per-frame step of a conversion run when it resumes (--skip-existing)
// or records a manifest: checks what already lies under the frame's name,
// writes the frame file, and hashes the bytes while they are in memory.
#pragma once

#include "convert/ConvertJob.h"
#include "convert/Manifest.h"

#include <atomic>
#include <cstdint>
#include <string>

enum class ExistingFile { Absent, Ours, Foreign };

// Whether `path` holds a complete frame file of this geometry and depth as
// this program writes it: a regular file of the exact size whose header,
// IFD and value area are byte for byte the ones it would write.
ExistingFile CheckExistingFrame(const std::string& path, int width, int height, int depth);

struct FrameWriterOptions {
    int bits = 16;             // 16 or 8
    bool skipExisting = false;
    int32_t firstFrameNo = 0;  // the recording's number of frame 0
    ManifestLog* log = nullptr; // null: no hashing
    std::atomic<int64_t>* skipped = nullptr;
};

FrameWriter MakeFrameWriter(const FrameWriterOptions& options);
