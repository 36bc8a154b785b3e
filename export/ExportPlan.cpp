// SPDX-License-Identifier: BSD-3-Clause
#include "export/ExportPlan.h"

#include "convert/OutputGuard.h"
#include "convert/OutputPath.h"
#include "framework/SplitPath.h"
#include "recording/TimeBase.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && IsPathSeparator(path.back());
}

// Whether -o names a folder: an existing one, or a name ending in a separator.
bool OutputIsFolder(const std::string& output) {
    std::error_code ec;
    return EndsWithSeparator(output) || fs::is_directory(output, ec);
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) {
        const auto begin = part.find_first_not_of(' ');
        const auto end = part.find_last_not_of(' ');
        parts.push_back(begin == std::string::npos ? std::string() : part.substr(begin, end - begin + 1));
    }
    if (!text.empty() && text.back() == ',') {
        parts.emplace_back();
    }
    return parts;
}

bool ReadInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool ReadNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && std::isfinite(value);
}

// The name of the output without the format's extension (".ome.tif" counts whole).
std::string StripFormatExtension(const std::string& name, ExportFormat format) {
    const std::string lower = Lower(name);
    for (const char* tail : {".ome.tiff", ".ome.tif", ".mp4", ".mkv", ".avi", ".png"}) {
        if (EndsWith(lower, tail) && FormatOfName(tail) == format) {
            return name.substr(0, name.size() - std::char_traits<char>::length(tail));
        }
    }
    std::string base;
    SplitPath(name, nullptr, &base);
    return base;
}

std::string CheckValues(const ExportRequest& request) {
    if (request.step < 1) {
        return "--step must be a whole number of at least 1";
    }
    if (request.crop && (request.crop->width < 1 || request.crop->height < 1 ||
                         request.crop->x < 0 || request.crop->y < 0)) {
        return "--crop takes X,Y,W,H with X and Y at least 0 and W and H at least 1";
    }
    if (request.quality < 0 || request.quality > 51) {
        return "--quality must be a whole number from 0 to 51";
    }
    if (request.bits != 16 && request.bits != 8) {
        return "--bits must be 16 or 8";
    }
    if (request.jobs < 0) {
        return "--jobs must be a whole number of at least 1";
    }
    if (request.first && request.last && *request.first > *request.last) {
        return "--first " + std::to_string(*request.first) + " lies after --last " +
               std::to_string(*request.last);
    }
    const ExportRange& range = request.range;
    if (range.kind == ExportRange::Kind::Values &&
        !(range.low >= 0 && range.low < range.high && range.high <= 1023)) {
        return "--range LO,HI needs 0 <= LO < HI <= 1023";
    }
    if (range.kind == ExportRange::Kind::Percentile &&
        !(range.low >= 0 && range.low < range.high && range.high <= 100)) {
        return "--range LO%,HI% needs 0 <= LO < HI <= 100";
    }
    if (request.overlay.time && !request.rate) {
        return "--overlay time needs the recording rate: give --rate";
    }
    if (request.overlay.scale && !request.scale) {
        return "--overlay scale needs --scale PIXELS=LENGTH";
    }
    double fps = 0;
    std::string error;
    if (!ResolveFps(request.fps, request.rate, fps, error)) {
        return error;
    }
    return {};
}

std::string CheckOutputs(const ExportRequest& request, ExportFormat format) {
    if (request.output.empty()) {
        return "-o is needed: name the output file, or a folder for several recordings";
    }
    if (std::string problem = CheckOutputPath(request.output); !problem.empty()) {
        return problem;
    }
    if (request.recordings.size() > 1) {
        std::error_code ec;
        if (!fs::is_directory(request.output, ec)) {
            return "with several recordings -o must name an existing folder (DIR/)";
        }
        if (request.first || request.last) {
            return "--first and --last as indices take one recording only; a number (#0) or a "
                   "time is looked up in each";
        }
    }
    std::map<std::string, std::string> names;
    std::vector<std::string> targets;
    std::vector<OutputPattern> patterns;
    for (const std::string& file : request.recordings) {
        const ExportTarget target = ResolveExportTarget(request, file);
        const auto [it, added] = names.emplace(target.path, file);
        if (!added) {
            return it->second + " and " + file + " would both write " + target.path;
        }
        if (format == ExportFormat::Png) {
            patterns.push_back({target.directory, target.baseName, "png"});
        } else {
            targets.push_back(target.path);
        }
        if (request.manifest) {
            targets.push_back(ExportManifestPath(target));
        }
    }
    return CheckNamesSpareInputs(request.recordings, targets, patterns);
}

} // namespace

bool ParseExportFormat(const std::string& text, ExportFormat& format, std::string& error) {
    static const std::map<std::string, ExportFormat> kNames{
        {"mp4", ExportFormat::Mp4}, {"mkv", ExportFormat::Mkv}, {"avi", ExportFormat::Avi},
        {"png", ExportFormat::Png}, {"ome-tiff", ExportFormat::OmeTiff}};
    const auto it = kNames.find(Lower(text));
    if (it == kNames.end()) {
        error = "--format must be mp4, mkv, avi, png or ome-tiff";
        return false;
    }
    format = it->second;
    return true;
}

bool ParseCrop(const std::string& text, CropRect& crop, std::string& error) {
    const std::vector<std::string> parts = SplitCommas(text);
    CropRect read;
    if (parts.size() != 4 || !ReadInt(parts[0], read.x) || !ReadInt(parts[1], read.y) ||
        !ReadInt(parts[2], read.width) || !ReadInt(parts[3], read.height) || read.x < 0 ||
        read.y < 0 || read.width < 1 || read.height < 1) {
        error = "--crop takes X,Y,W,H in pixels, e.g. 100,50,640,480";
        return false;
    }
    crop = read;
    return true;
}

bool ParseExportRange(const std::string& text, ExportRange& range, std::string& error) {
    const std::string lower = Lower(text);
    if (lower == "standard" || lower == "auto") {
        range = {lower == "auto" ? ExportRange::Kind::Auto : ExportRange::Kind::Standard, 0, 1023};
        return true;
    }
    std::vector<std::string> parts = SplitCommas(text);
    const bool percent = parts.size() == 2 && EndsWith(parts[0], "%") && EndsWith(parts[1], "%");
    if (percent) {
        for (std::string& part : parts) {
            part.pop_back();
        }
    }
    ExportRange read{percent ? ExportRange::Kind::Percentile : ExportRange::Kind::Values, 0, 0};
    const double top = percent ? 100 : 1023;
    if (parts.size() != 2 || !ReadNumber(parts[0], read.low) || !ReadNumber(parts[1], read.high) ||
        read.low < 0 || read.high > top || read.low >= read.high) {
        error = "--range takes standard, auto, LO%,HI% (0 <= LO < HI <= 100) or LO,HI "
                "(0 <= LO < HI <= 1023)";
        return false;
    }
    range = read;
    return true;
}

bool ParseOverlay(const std::string& text, ExportOverlay& overlay, std::string& error) {
    ExportOverlay read;
    for (const std::string& word : SplitCommas(text)) {
        const std::string lower = Lower(word);
        if (lower == "number") {
            read.number = true;
        } else if (lower == "time") {
            read.time = true;
        } else if (lower == "scale") {
            read.scale = true;
        } else {
            error = "--overlay takes number, time and scale, separated by commas";
            return false;
        }
    }
    overlay = read;
    return true;
}

std::optional<ExportFormat> FormatOfName(const std::string& path) {
    const std::string lower = Lower(path);
    if (EndsWith(lower, ".ome.tif") || EndsWith(lower, ".ome.tiff")) {
        return ExportFormat::OmeTiff;
    }
    static const std::pair<const char*, ExportFormat> kTails[] = {{".mp4", ExportFormat::Mp4},
                                                                   {".mkv", ExportFormat::Mkv},
                                                                   {".avi", ExportFormat::Avi},
                                                                   {".png", ExportFormat::Png}};
    for (const auto& [tail, format] : kTails) {
        if (EndsWith(lower, tail)) {
            return format;
        }
    }
    return std::nullopt;
}

const char* ExportFormatName(ExportFormat format) {
    switch (format) {
    case ExportFormat::Mp4: return "mp4";
    case ExportFormat::Mkv: return "mkv";
    case ExportFormat::Avi: return "avi";
    case ExportFormat::Png: return "png";
    case ExportFormat::OmeTiff: break;
    }
    return "ome-tiff";
}

const char* FormatExtension(ExportFormat format) {
    return format == ExportFormat::OmeTiff ? "ome.tif" : ExportFormatName(format);
}

ExportFormat ResolvedFormat(const ExportRequest& request) {
    if (request.format) {
        return *request.format;
    }
    return FormatOfName(request.output).value_or(ExportFormat::Mkv);
}

ExportTarget ResolveExportTarget(const ExportRequest& request, const std::string& recording) {
    const ExportFormat format = ResolvedFormat(request);
    ExportTarget target;
    std::string name;
    if (OutputIsFolder(request.output)) {
        target.directory = request.output + (EndsWithSeparator(request.output) ? "" : "/");
        target.baseName = OutputBaseName(recording);
        name = target.baseName + "." + FormatExtension(format);
    } else {
        SplitPath(request.output, &target.directory);
        name = request.output.substr(target.directory.size());
        target.baseName = StripFormatExtension(name, format);
        std::string extension;
        SplitPath(name, nullptr, nullptr, &extension);
        if (extension.empty()) {
            name += std::string(".") + FormatExtension(format);
        }
    }
    target.path = format == ExportFormat::Png ? PngFileName(target, 0) : target.directory + name;
    return target;
}

std::string PngFileName(const ExportTarget& target, int index) {
    return FrameFileName(target.directory, target.baseName, index, "png");
}

std::string ExportManifestPath(const ExportTarget& target) {
    return target.directory + target.baseName + ".manifest.json";
}

bool ResolveFps(const std::string& text, std::optional<double> rate, double& fps,
                std::string& error) {
    const std::string lower = Lower(text);
    if (lower.rfind("rate/", 0) == 0) {
        int divisor = 0;
        if (!ReadInt(lower.substr(5), divisor) || divisor < 1) {
            error = "--fps rate/N needs a whole number N of at least 1";
            return false;
        }
        if (!rate) {
            error = "--fps " + text + " needs the recording rate: give --rate";
            return false;
        }
        fps = *rate / divisor;
    } else if (!ReadNumber(text, fps) || fps <= 0) {
        error = "--fps takes frames per second (30, 29.97) or rate/N with --rate";
        return false;
    }
    if (fps < 0.01 || fps > 1000) {
        error = "--fps " + text + " gives " + FormatRate(fps) +
                " frames per second; players take 0.01 to 1000";
        return false;
    }
    return true;
}

bool EightBitOutput(const ExportRequest& request, ExportFormat format) {
    return format == ExportFormat::Mp4 || format == ExportFormat::Avi ||
           (format == ExportFormat::Png && request.bits == 8);
}

std::string CheckExport(const ExportRequest& request) {
    if (request.recordings.empty()) {
        return "no recording given";
    }
    if (!request.format && !FormatOfName(request.output)) {
        std::string extension;
        SplitPath(request.output, nullptr, nullptr, &extension);
        return (extension.empty() ? std::string("-o has no extension")
                                  : "-o ends in ." + extension) +
               ": name it .mp4, .mkv, .avi, .png, .ome.tif or .ome.tiff, or give --format";
    }
    const ExportFormat format = ResolvedFormat(request);
    if (request.bits == 8 && format != ExportFormat::Png) {
        return "--bits 8 applies to PNG only";
    }
    if (std::string problem = CheckValues(request); !problem.empty()) {
        return problem;
    }
    return CheckOutputs(request, format);
}
