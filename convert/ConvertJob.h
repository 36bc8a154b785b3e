// SPDX-License-Identifier: BSD-3-Clause
// One conversion run of quorvane-cli: frames first..last of a recording into
// numbered TIFF files, optionally split over several worker threads. Kept
// apart from the command line so tests can drive it with their own cancel
// flag.
#pragma once

#include "convert/CropRect.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CVornDoc;

// Where the numbered files go: directory + baseName + "_NNNNNN." + extension.
struct OutputPattern {
    std::string directory;
    std::string baseName;
    std::string extension;
};

// Output pattern from the -o argument. Empty: the recording's base name +
// ".tif" in the current folder. An existing folder (or a path ending in a
// separator) receives the default name. A name without an extension gets
// "tif".
OutputPattern ResolveOutputPattern(const std::string& recordingPath, const std::string& output);

// What became of one frame's file.
enum class FrameResult {
    Written,   // there was none: written
    Rewritten, // one that could not be proven this frame's was replaced
    Kept,      // an earlier run's file holds exactly this frame's bytes
    Failed,
};

class ManifestLog;

struct ConvertRequest {
    std::string recording;
    OutputPattern output;
    int bits = 16; // 16 or 8
    int first = 0; // inclusive zero-based frame indices, checked by the caller
    int last = 0;
    int jobs = 1;
    const std::atomic<bool>* cancel = nullptr; // set to stop after the frames in progress
    bool skipExisting = false;  // keep earlier files proven to hold this run's bytes
    ManifestLog* log = nullptr; // null: no hashing
    int32_t firstFrameNo = 0;   // the recording's number of frame 0, for the log
    int step = 1;               // every step-th frame of first..last
    std::optional<CropRect> crop = {}; // only this rectangle of each frame
};

// How many frames first, first + step, ... <= last the request converts.
inline int64_t FrameCount(const ConvertRequest& request) {
    return (int64_t{request.last} - request.first) / request.step + 1;
}

enum class ConvertStatus { Done, Failed, Cancelled };

struct ConvertOutcome {
    ConvertStatus status = ConvertStatus::Done;
    int failedFrame = -1;   // on Failed, the first frame that could not be converted
    std::string failedFile; // and its file name (empty when the recording was refused)
    std::string reason;
    int64_t files = 0; // files this run left behind
    int64_t kept = 0;      // files of an earlier run proven complete and kept
    int64_t rewritten = 0; // earlier files that could not be proven, written anew (in `files`)
    int completeEnd = 0; // frames first..completeEnd - 1 are complete after the run
    int64_t bytes = 0;
};

// Called from the thread that runs RunConvert, about ten times a second and
// once at the end, with the frames finished so far.
using ConvertTick = std::function<void(int64_t done, int64_t total)>;

// Runs the conversion. The outcome does not depend on the number of jobs: a
// failure at frame k leaves exactly the files of the frames before k, and a
// cancelled run a contiguous run of complete files from the first frame.
// Only files this run created are removed again: a file it replaced stays.
// Hidden temporaries of these frame names left by a killed run are removed
// first.
ConvertOutcome RunConvert(const ConvertRequest& request, const ConvertTick& tick = {});

// Why RenderFrame on `doc` failed for the file `file`.
std::string DescribeRenderFailure(const CVornDoc& doc, const std::string& file);

// Why a file could not be written, judged from its folder, e.g. "folder out
// does not exist" or "Permission denied", else from `error`, the errno the
// failing call saved (0: not known).
std::string DescribeWriteFailure(const std::string& path, int error);
