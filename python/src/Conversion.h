// The command line's conversion run, for Python: TIFF files of a frame range
// with the same names and bytes as `quorvane-cli convert`, and the same
// failure texts.
#pragma once

#include "cli/ConvertJob.h"

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
};

// Names of frames first..last for the -o argument `output`.
std::vector<std::string> FrameFileNames(const std::string& recording, const std::string& output,
                                        int32_t first, int32_t last);

// Runs the conversion; `tick` as for RunConvert. The caller checks the range.
ConvertSummary ConvertFrames(const std::string& recording, const std::string& output, int bits,
                             int32_t first, int32_t last, int jobs,
                             const std::atomic<bool>* cancel, const ConvertTick& tick);

// Frame count of `path` as the converter's probe sees it, or 0 with `message`
// set to the CLI's "cannot open ..." line.
int32_t ProbeFrameCount(const std::string& path, std::string& message);
