// SPDX-License-Identifier: BSD-3-Clause
// What a recording holds, as `quorvane-cli info`, the manifest and the
// Python package describe it.
#pragma once

#include <cstdint>
#include <string>

struct RecordingInfo {
    int32_t width = 0;
    int32_t height = 0;
    int32_t frames = 0;
    int32_t frameBytes = 0; // stride of one stored frame
    bool quadrants = false;
    bool littleEndian = true;
    std::string correction; // "none", "offset" or "offset-gain", maybe with a reason
    std::string name;       // the file name, without its folder, as its bytes are
    std::string model;      // the four-byte camera model tag, as stored
    int32_t firstFrameNumber = 0;
    int32_t lastFrameNumber = 0;
    int32_t calibration = 0;
    int32_t completeFrames = 0; // frames that lie wholly inside the file
};

class VornReader;

// Why a fixed-pattern correction the recording carries is not applied, e.g.
// "unknown correction kind 4"; empty when it is applied or there is none.
std::string CorrectionNotApplied(const VornReader& reader);

// Opens the recording as the viewer does (correction requested). False with
// `error` set when the recording is refused.
bool ReadRecordingInfo(const std::string& path, RecordingInfo& info, std::string& error);

// Frames of an open recording that lie wholly inside its file now.
int32_t CompleteFrameCount(const VornReader& reader);
