// SPDX-License-Identifier: BSD-3-Clause
// The conversion engine's front door: one request (recordings, output,
// depth, range, jobs and the batch options) in; progress, warnings and the
// result of each recording through hooks; a summary out. `quorvane-cli
// convert` and the Python package both run conversions through it, so they
// share every rule, text and file.
#pragma once

#include "convert/Batch.h"
#include "convert/ConvertJob.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ConversionRequest {
    std::vector<std::string> recordings;
    std::string output; // the -o argument as given; empty: NAME.tif beside the working folder
    int bits = 16;      // 16 or 8
    std::optional<int> first; // zero-based, inclusive; default 0
    std::optional<int> last;  // default the recording's last frame
    int jobs = 0;             // worker threads; 0: one per core
    bool stack = false;
    bool bigtiff = false;
    bool skipExisting = false;
    bool manifest = false;
    bool outputIsFolder = false; // see BatchOptions
    // A first or last frame named by recorded number ("#-12") or time
    // ("-240us"), resolved in each recording; it takes the place of `first`
    // or `last`. Indices go in `first` and `last` as before.
    std::string firstFrame;
    std::string lastFrame;
    std::optional<double> rate; // frames per second, for times
    bool timestamps = false;    // NAME.frames.csv beside the outputs
    int step = 1;               // every step-th frame of the range; names keep their index
    std::optional<CropRect> crop = {}; // only this rectangle, inside every recording's frame
};

enum class RecordingStatus {
    Done,
    Failed,    // `message` says why; the other recordings still run
    Cancelled, // the cancel flag was set; nothing after it runs
    Refused,   // a usage error (e.g. the range lies outside); nothing after it runs
};

struct RecordingReport {
    std::string recording;
    RecordingStatus status = RecordingStatus::Done;
    std::string message; // for Failed and Refused: the line, without a program prefix
    int first = 0;       // the range as resolved for this recording
    int last = -1;
    ConvertOutcome outcome;
    int64_t skipped = 0; // frames kept from an earlier run
    double seconds = 0.0;
    bool manifestOnly = false; // Failed only because the manifest could not be written
    bool noManifest = false;   // Cancelled before the manifest could be written
};

struct ConversionHooks {
    const std::atomic<bool>* cancel = nullptr; // set: stop after the frames in progress
    // Before a recording is converted, once it opened.
    std::function<void(const std::string& recording)> started;
    // About ten times a second and once at the end of each recording.
    ConvertTick progress;
    // A note that does not stop the run, e.g. a correction that is not applied.
    std::function<void(const std::string& recording, const std::string& message)> warning;
    // After each recording, with its result.
    std::function<void(const RecordingReport& report)> finished;
};

struct ConversionSummary {
    std::string usageError; // the request was refused as a whole; nothing ran
    std::vector<RecordingReport> recordings;
    int64_t files = 0;
    int64_t bytes = 0;
    int64_t skipped = 0;   // frames kept from an earlier run
    int64_t rewritten = 0; // files of an earlier run written anew (counted in `files`)
    double seconds = 0.0;
    bool cancelled = false;
    bool refused = false; // a recording's usage error stopped the run
    std::vector<std::string> failed; // recordings that failed, in order
};

class TimeBase;
class VornReader;

// A frame range as asked for: indices, or frames named by recorded number
// or time.
struct FrameRangeRequest {
    std::optional<int> first;
    std::optional<int> last;
    std::string firstFrame;
    std::string lastFrame;
};

// The range of one recording: indices as given (defaults: all of it),
// numbers and times looked up in its own time axis. False with `message`
// ("FILE: ...") set when a frame lies outside or the first after the last.
bool ResolveFrameRange(const FrameRangeRequest& request, const TimeBase& time,
                       const std::string& file, int& first, int& last, std::string& message);

// The warning for a correction the recording carries but that is not
// applied (the frames are converted uncorrected), or empty.
std::string CorrectionWarning(const VornReader& reader);

// The usage problem of the request as a whole, or empty.
std::string CheckConversion(const ConversionRequest& request);

// Converts one recording of the request (which has passed CheckConversion).
RecordingReport ConvertOneRecording(const ConversionRequest& request, const std::string& recording,
                                    const ConversionHooks& hooks);

// Checks the request, then converts its recordings in order, stopping at a
// refusal or a cancel.
ConversionSummary RunConversion(const ConversionRequest& request, const ConversionHooks& hooks);
