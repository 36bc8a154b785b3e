// SPDX-License-Identifier: BSD-3-Clause
// `convert --stack`: a whole frame range as one multi-page TIFF written with
// libtiff. Workers read and decode frames in turn (frame i by worker i mod
// jobs), each up to two frames ahead, and the calling thread appends the
// pages in frame order, so memory stays two frames per worker however long
// the recording. The stack is written under a
// temporary name and appears under its own name only when complete.
#pragma once

#include "convert/BatchFrames.h"
#include "convert/ConvertJob.h"
#include "convert/Manifest.h"

#include <cstdint>
#include <optional>
#include <string>

struct StackRequest {
    ConvertRequest convert; // recording, output, bits, range, jobs, cancel
    bool bigtiff = false;   // BigTIFF even when a classic file would do
    bool skipExisting = false;
    int32_t firstFrameNo = 0;
    ManifestLog* log = nullptr; // null: no hashing
    std::optional<double> rate; // frames per second: each page's description gains its time
};

// "<directory><base>.<extension>": the output name without numbering.
std::string StackFileName(const OutputPattern& output);

// Whether `pages` pages of `pageBytes` each could pass the 4 GiB offsets of
// a classic TIFF, with room for every page's tags.
bool StackNeedsBigTiff(int64_t pages, int64_t pageBytes);

// Whether `path` holds a complete stack of frames first..last in this
// geometry and depth, with each page's frame description.
ExistingFile CheckExistingStack(const std::string& path, const StackRequest& request, int width,
                                int height);

// On success the outcome counts one file; with skipExisting and a complete
// stack already there, it counts none and `skipped` is set.
ConvertOutcome RunStack(const StackRequest& request, const ConvertTick& tick, bool& skipped);
