// SPDX-License-Identifier: BSD-3-Clause
// The conversion engine as the Python package sees it: TIFF files of a frame
// range (or one stack) with the same names and bytes as `quorvane-cli
// convert`, the same manifest and the same failure texts.
#pragma once

#include "convert/ConvertJob.h"
#include "convert/Manifest.h"
#include "convert/Parts.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ConvertSummary {
    std::string status; // "done", "failed", "cancelled" or "refused" (a usage error in `message`)
    int64_t files = 0;  // files left behind (the frames before a failure)
    int32_t failedFrame = -1;
    std::string failedFile; // empty when the recording itself was refused
    std::string reason;
    std::string message; // the CLI's error line without its program prefix
    int64_t skipped = 0;  // frames already complete on disk (skipExisting)
    std::string manifestError; // the CLI's line when only the manifest failed
};

// What `convert --stack`, `--skip-existing`, `--manifest`, `--rate` and
// `--timestamps` add.
struct ConvertExtras {
    bool stack = false;
    bool skipExisting = false;
    bool manifest = false;
    std::optional<double> rate; // frames per second, checked by the caller
    bool timestamps = false;
};

// Runs the conversion as `quorvane-cli convert FILE -o output` with the
// extras; `tick` as for RunConvert. The caller checks the range.
ConvertSummary ConvertFrames(const std::string& recording, const std::string& output, int bits,
                             int32_t first, int32_t last, int jobs, const ConvertExtras& extras,
                             const std::atomic<bool>* cancel, const ConvertTick& tick);

// One part of a recording converted by a task of its own (ConvertHashedPart).
ConvertSummary ConvertOnePart(const std::string& recording, const std::string& output, int bits,
                           int32_t first, int32_t last, std::vector<ManifestFile>& files);
