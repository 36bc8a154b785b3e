// SPDX-License-Identifier: BSD-3-Clause
// The export engine's front door: recordings in, videos, PNG sequences or
// OME-TIFF stacks out, from one decode per frame. `quorvane-cli export`, the
// viewer's Export dialog and the Python package all run exports through it,
// so they share every rule, text and file.
#pragma once

#include "convert/CropRect.h"
#include "export/FrameSink.h"
#include "measure/Scale.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// How 10-bit samples become 8-bit grey for H.264, MJPEG and 8-bit PNG.
struct ExportRange {
    enum class Kind {
        Standard,   // sample >> 2, the viewer's standard mapping
        Auto,       // the exported frames' minimum .. maximum
        Percentile, // low % .. high % percentiles of the first exported frame
        Values,     // low .. high as 10-bit values
    };
    Kind kind = Kind::Standard;
    double low = 0;
    double high = 1023;
};

struct ExportOverlay {
    bool number = false; // frame index and recorded number
    bool time = false;   // time from the trigger (needs a rate)
    bool scale = false;  // a scale bar (needs a scale)
};

struct ExportRequest {
    std::vector<std::string> recordings;
    std::string output; // the -o argument; several recordings need a folder
    std::optional<ExportFormat> format; // none: from the output's extension
    std::optional<int> first; // zero-based, inclusive
    std::optional<int> last;
    std::string firstFrame; // a number ("#-12") or a time ("-240us"), as for convert
    std::string lastFrame;
    int step = 1;
    std::optional<CropRect> crop;
    std::optional<double> rate;
    std::string fps = "30"; // a number, or "rate/N" with a rate
    int quality = 18;
    ExportRange range;
    int bits = 16; // PNG only: 16 or 8
    ExportOverlay overlay;
    std::optional<Scale> scale;
    int jobs = 0; // 0: one per core
    bool manifest = false;
    bool bigtiff = false;
};

struct ExportReport {
    std::string recording;
    enum class Status { Done, Failed, Cancelled, Refused } status = Status::Done;
    std::string message; // Failed and Refused: the line, without a program prefix
    std::vector<std::string> files; // what was put in place
    int64_t frames = 0;
    int64_t bytes = 0;
    double seconds = 0.0;
};

struct ExportHooks {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(const std::string& recording)> started;
    std::function<void(int64_t done, int64_t total)> progress; // ~10 times a second and at the end
    std::function<void(const std::string& recording, const std::string& message)> warning;
    std::function<void(const ExportReport& report)> finished;
};

struct ExportSummary {
    std::string usageError; // the request was refused as a whole; nothing ran
    std::vector<ExportReport> recordings;
    int64_t files = 0;
    int64_t frames = 0;
    int64_t bytes = 0;
    double seconds = 0.0;
    bool cancelled = false;
    bool refused = false;
    std::vector<std::string> failed;
};

// Readers of the option texts, shared by every front end. Each returns false
// with `error` set (one line, naming the form it takes) when `text` is not one.
// "mp4", "mkv", "avi", "png" or "ome-tiff".
bool ParseExportFormat(const std::string& text, ExportFormat& format, std::string& error);
// "X,Y,W,H" in pixels.
bool ParseCrop(const std::string& text, CropRect& crop, std::string& error);
// "standard", "auto", "LO%,HI%" or "LO,HI".
bool ParseExportRange(const std::string& text, ExportRange& range, std::string& error);
// A comma-separated list of "number", "time" and "scale".
bool ParseOverlay(const std::string& text, ExportOverlay& overlay, std::string& error);

// The format a file name's extension stands for (.mp4 .mkv .avi .png .ome.tif
// .ome.tiff, any case), or none.
std::optional<ExportFormat> FormatOfName(const std::string& path);
// "mp4", "mkv", "avi", "png", "ome-tiff".
const char* ExportFormatName(ExportFormat format);

// The usage problem of the request as a whole, or empty.
std::string CheckExport(const ExportRequest& request);

// Checks the request, then exports its recordings in order, stopping at a
// refusal or a cancel.
ExportSummary RunExport(const ExportRequest& request, const ExportHooks& hooks);

// The one line the command line prints after a run.
std::string ExportSummaryLine(const ExportRequest& request, const ExportSummary& summary);
