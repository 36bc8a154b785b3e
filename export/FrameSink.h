// SPDX-License-Identifier: BSD-3-Clause
// One output of an export: a video file, a PNG sequence or an OME-TIFF
// stack. The export run decodes, crops and maps the frames once and hands
// them to the sink in order; the sink writes under a temporary name and puts
// its file(s) in place only in Finish, so no partial file ever carries a
// final name.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class ExportFormat { Mp4, Mkv, Avi, Png, OmeTiff };

// Everything a sink needs to know before the first frame.
struct SinkSetup {
    ExportFormat format = ExportFormat::Mkv;
    std::string path;    // the final file; for a PNG sequence the pattern's first name
    int width = 0;       // of the frames handed on (after the crop)
    int height = 0;
    int64_t frames = 0;  // how many Write calls will come
    double fps = 30.0;   // playback rate of a video file
    int quality = 18;    // H.264 CRF
    int jobs = 1;        // threads the sink may use
    std::optional<double> rate;           // recording rate (frames per second), when known
    std::optional<double> metresPerPixel; // from --scale, when given
    bool bigtiff = false;
};

// One frame as the sink receives it. `samples` are the cropped 10-bit values,
// width * height, top row first, always present. `grey` is the same frame
// mapped to 8 bits by the display range with the overlay burned in; present
// only when the sink's WantsGrey() is true.
struct ExportFrame {
    int index = 0;                  // the frame's own index in the recording
    int64_t number = 0;             // its recorded number
    std::optional<double> seconds;  // its time from the trigger, with a rate
    const uint16_t* samples = nullptr;
    const uint8_t* grey = nullptr;
};

class FrameSink {
public:
    virtual ~FrameSink() = default; // an unfinished sink removes its temporaries

    // True when Write wants ExportFrame::grey (8-bit outputs).
    virtual bool WantsGrey() const = 0;
    // Writes one frame; false on failure (Error() says why).
    virtual bool Write(const ExportFrame& frame) = 0;
    // Completes the output and renames it into place; false on failure.
    virtual bool Finish() = 0;
    // Gives up: removes every temporary. A single file (video, stack) leaves
    // nothing under its final name; a sequence keeps only the complete files
    // of its first frames up to the first one missing, as convert does.
    virtual void Abandon() = 0;
    // Why the last call failed, one line without a program prefix.
    virtual std::string Error() const = 0;
    // The final files this sink put in place (after Finish), for the manifest.
    virtual std::vector<std::string> Files() const = 0;
};
