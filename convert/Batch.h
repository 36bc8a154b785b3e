// SPDX-License-Identifier: BSD-3-Clause
// What `quorvane-cli convert` adds around one conversion run: several
// recordings into one folder, resuming (--skip-existing), one stack per
// recording (--stack) and the manifest (--manifest).
#pragma once

#include "convert/ConvertJob.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct BatchOptions {
    std::vector<std::string> files;
    std::string output;      // the -o argument as given
    bool rangeGiven = false; // --first or --last
    bool stack = false;
    bool bigtiff = false;
    bool skipExisting = false;
    bool manifest = false;
    // The caller vouches that `output` is a folder: it may exist only where
    // the conversion runs (tasks on other machines).
    bool outputIsFolder = false;
    bool timestamps = false;    // NAME.frames.csv after a run that succeeded
    std::optional<double> rate; // frames per second: times in the CSV, manifest and stack
};

// The usage problem of the command line in plain words, or empty. Several
// recordings need -o naming an existing folder, no --first/--last, and
// output names that differ; --bigtiff needs --stack.
std::string CheckBatch(const BatchOptions& options);

struct RecordingResult {
    ConvertOutcome outcome;
    int64_t skipped = 0;       // frames already complete on disk
    // Set when the run succeeded but its manifest or frame table could not be written.
    std::string manifestError;
    bool manifestInterrupted = false; // interrupted before the recording was hashed: no manifest
};

// Converts one recording as the options say; the manifest comes last.
RecordingResult ConvertRecording(const ConvertRequest& request, const BatchOptions& options,
                                 const ConvertTick& tick);
