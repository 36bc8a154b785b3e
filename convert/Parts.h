// SPDX-License-Identifier: BSD-3-Clause
// A recording converted in parts by tasks of their own (a Dask cluster):
// the names each part writes, the part itself with the hashes of its files,
// and the one manifest written once every part is done.
#pragma once

#include "convert/Manifest.h"

#include <cstdint>
#include <string>
#include <vector>

// Names of frames first..last for the -o argument `output`.
std::vector<std::string> FrameFileNames(const std::string& recording, const std::string& output,
                                        int32_t first, int32_t last);

// "<name>.tif" of the stack, and "<name>.manifest.json", for the -o argument.
std::string StackName(const std::string& recording, const std::string& output);
std::string ManifestName(const std::string& recording, const std::string& output);

// Frames first..last as `convert` writes them, one job, each file hashed
// into `files` while in memory (entries of a failed part stop before its
// failure).
ConvertOutcome ConvertHashedPart(const std::string& recording, const std::string& output,
                                 int bits, int32_t first, int32_t last,
                                 std::vector<ManifestFile>& files);

// The manifest of a run whose files were all written (by several parts):
// described as `quorvane-cli convert FILE -o output --bits bits --first
// first --last last --jobs jobs --manifest`. Empty, or the error line.
std::string WritePartsManifest(const std::string& recording, const std::string& output, int bits,
                               int32_t first, int32_t last, int jobs,
                               const std::vector<ManifestFile>& files);

// Frame count of `path` as the converter's probe sees it, or 0 with `message`
// set to the "cannot open ..." line.
int32_t ProbeFrameCount(const std::string& path, std::string& message);
