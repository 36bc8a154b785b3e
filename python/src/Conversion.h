// SPDX-License-Identifier: BSD-3-Clause
// The command line's conversion run, for Python: TIFF files of a frame range
// (or one stack) with the same names and bytes as `quorvane-cli convert`,
// the same manifest and the same failure texts.
#pragma once

#include "cli/ConvertJob.h"
#include "cli/Manifest.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct ConvertSummary {
    std::string status; // "done", "failed" or "cancelled"
    int64_t files = 0;  // files left behind (the frames before a failure)
    int32_t failedFrame = -1;
    std::string failedFile; // empty when the recording itself was refused
    std::string reason;
    std::string message; // the CLI's error line without its program prefix
    int64_t skipped = 0;  // frames already complete on disk (skipExisting)
    std::string manifestError; // the CLI's line when only the manifest failed
};

// What `convert --stack`, `--skip-existing` and `--manifest` add.
struct ConvertExtras {
    bool stack = false;
    bool skipExisting = false;
    bool manifest = false;
};

// Names of frames first..last for the -o argument `output`.
std::vector<std::string> FrameFileNames(const std::string& recording, const std::string& output,
                                        int32_t first, int32_t last);

// Runs the conversion as `quorvane-cli convert FILE -o output` with the
// extras; `tick` as for RunConvert. The caller checks the range.
ConvertSummary ConvertFrames(const std::string& recording, const std::string& output, int bits,
                             int32_t first, int32_t last, int jobs, const ConvertExtras& extras,
                             const std::atomic<bool>* cancel, const ConvertTick& tick);

// "<name>.tif" of the stack, and "<name>.manifest.json", for the -o argument.
std::string StackName(const std::string& recording, const std::string& output);
std::string ManifestName(const std::string& recording, const std::string& output);

// One part of a recording converted by a task of its own: frame files as
// ConvertFrames writes them, each hashed into `files` while in memory.
ConvertSummary ConvertHashedPart(const std::string& recording, const std::string& output,
                                 int bits, int32_t first, int32_t last,
                                 std::vector<ManifestFile>& files);

// The manifest of a run whose files were all written (by several parts):
// described as `quorvane-cli convert FILE -o output --bits bits --first
// first --last last --jobs jobs --manifest`. Empty, or the CLI's error line.
std::string WritePartsManifest(const std::string& recording, const std::string& output, int bits,
                               int32_t first, int32_t last, int jobs,
                               const std::vector<ManifestFile>& files);

// Frame count of `path` as the converter's probe sees it, or 0 with `message`
// set to the CLI's "cannot open ..." line.
int32_t ProbeFrameCount(const std::string& path, std::string& message);
