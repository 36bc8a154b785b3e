// SPDX-License-Identifier: BSD-3-Clause
// A PNG sequence through libpng, one file per frame named by the frame's own
// index: 16-bit grey holding the 10-bit samples, or 8-bit grey (the mapped
// frame with its overlay). Each file carries tEXt "frame", "number" and,
// with a rate, "time". Frames are compressed by `setup.jobs` workers; each
// file is written under a temporary name and renamed when complete. A run
// that fails or is abandoned keeps exactly the files of its first frames up
// to the first one missing, as one worker would.
#pragma once

#include "export/FrameSink.h"

#include <memory>
#include <string>

// Frames go to directory + baseName + "_NNNNNN.png"; `bits` 16 or 8.
std::unique_ptr<FrameSink> MakePngSink(const SinkSetup& setup, const std::string& directory,
                                       const std::string& baseName, int bits);

// The zlib level every PNG is written with: fast, as high-speed sequences
// are large, with most of the size gain of the slower levels.
inline constexpr int kPngCompressionLevel = 1;
