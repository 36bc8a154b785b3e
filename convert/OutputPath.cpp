// SPDX-License-Identifier: BSD-3-Clause
#include "convert/OutputPath.h"

#include "framework/SplitPath.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && IsPathSeparator(path.back());
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string CheckOutputPath(const std::string& output) {
    if (output == "-") {
        return "-o - is not possible: the frames go to files; name a file or a folder";
    }
    return CheckOutputFolder(output);
}

std::string CheckOutputFolder(const std::string& output) {
    if (output.empty()) {
        return {};
    }
    std::error_code ec;
    if (!EndsWithSeparator(output) && fs::is_directory(output, ec)) {
        return {};
    }
    fs::path folder = EndsWithSeparator(output) ? fs::path(output) : fs::path(output).parent_path();
    if (folder.empty()) {
        return {};
    }
    const fs::file_status status = fs::status(folder, ec);
    if (!fs::exists(status)) {
        return "the output folder " + folder.string() + " does not exist";
    }
    if (!fs::is_directory(status)) {
        return "the output folder " + folder.string() + " is not a folder";
    }
    return {};
}

std::string OutputExtensionWarning(const std::string& output, bool stack) {
    std::error_code ec;
    if (output.empty() || EndsWithSeparator(output) || fs::is_directory(output, ec)) {
        return {};
    }
    std::string folder;
    std::string base;
    std::string extension;
    SplitPath(output, &folder, &base, &extension);
    const std::string lower = Lower(extension);
    if (lower.empty() || lower == "tif" || lower == "tiff") {
        return {};
    }
    return std::string("the ") + (stack ? "stack is" : "files are") + " TIFF, but named ." +
           extension;
}
