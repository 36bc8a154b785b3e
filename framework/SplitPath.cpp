// SPDX-License-Identifier: BSD-3-Clause
#include "framework/SplitPath.h"

#include <cstdio>

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::string SplitPath(const std::string& path, std::string* directory, std::string* baseName,
                      std::string* extension, std::string* version) {
    std::size_t nameStart = path.size();
    while (nameStart > 0 && !IsPathSeparator(path[nameStart - 1])) {
        --nameStart;
    }
    // Dots and semicolons in folder names do not count: search the file name
    // only. The extension's dot is the last one ahead of the version mark, so
    // "a;1.x" reads as name "a", version "1.x" rather than a reversed range.
    const std::size_t semicolon = path.rfind(';');
    const bool hasVersion = semicolon != std::string::npos && semicolon >= nameStart;
    const std::size_t nameEnd = hasVersion ? semicolon : path.size();
    std::size_t dot = std::string::npos;
    for (std::size_t i = nameEnd; i > nameStart; --i) {
        if (path[i - 1] == '.') {
            dot = i - 1;
            break;
        }
    }

    if (directory != nullptr) {
        *directory = path.substr(0, nameStart);
    }
    if (baseName != nullptr) {
        const std::size_t baseEnd = dot != std::string::npos ? dot : nameEnd;
        *baseName = path.substr(nameStart, baseEnd - nameStart);
    }
    if (extension != nullptr) {
        *extension = dot != std::string::npos ? path.substr(dot + 1, nameEnd - dot - 1) : "";
    }
    if (version != nullptr) {
        *version = hasVersion ? path.substr(semicolon + 1) : "";
    }
    return path.substr(nameStart, nameEnd - nameStart);
}

std::string OutputBaseName(const std::string& recordingPath) {
    std::size_t nameStart = recordingPath.size();
    while (nameStart > 0 && !IsPathSeparator(recordingPath[nameStart - 1])) {
        --nameStart;
    }
    const std::string name = recordingPath.substr(nameStart);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string FrameFileName(const std::string& directory, const std::string& baseName, int index,
                          const std::string& extension) {
    // "%6.6d": at least six digits, more when the index needs them.
    char number[16];
    std::snprintf(number, sizeof number, "%6.6d", index);
    std::string name;
    name.reserve(directory.size() + baseName.size() + extension.size() + 16);
    name.append(directory).append(baseName).append(1, '_').append(number).append(1, '.');
    name.append(extension);
    return name;
}
