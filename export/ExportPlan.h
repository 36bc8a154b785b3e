// SPDX-License-Identifier: BSD-3-Clause
// What an export request means before any frame is read: its format, where
// each recording's output goes, the playback rate, and the checks against
// the frame once its size is known.
#pragma once

#include "export/Export.h"

#include <string>

// The format the request asks for (after CheckExport passed).
ExportFormat ResolvedFormat(const ExportRequest& request);

// The extension a format's files get: "mp4", "mkv", "avi", "png", "ome.tif".
const char* FormatExtension(ExportFormat format);

// Where one recording's output goes: the file (a video or stack), or the
// names of a PNG sequence, directory + baseName + "_NNNNNN.png".
struct ExportTarget {
    std::string directory; // through its last separator, or empty
    std::string baseName;  // without the format's extension
    std::string path;      // the one file; for a PNG sequence the first frame's name
};

ExportTarget ResolveExportTarget(const ExportRequest& request, const std::string& recording);

// The name of frame `index` of a PNG sequence.
std::string PngFileName(const ExportTarget& target, int index);

// "<directory><base>.manifest.json".
std::string ExportManifestPath(const ExportTarget& target);

// The playback rate `text` asks for: a number, or "rate/N" with the
// recording rate. False with `error` set.
bool ResolveFps(const std::string& text, std::optional<double> rate, double& fps,
                std::string& error);

// Whether the format's frames are 8-bit grey (and so carry an overlay).
bool EightBitOutput(const ExportRequest& request, ExportFormat format);
