// SPDX-License-Identifier: BSD-3-Clause
// Splitting an output path into directory, base name, extension and version,
// and the numbered frame file names of a conversion run.
#pragma once

#include <string>

// The platform's path separators: '/' on POSIX; '\\' and '/' on Windows.
bool IsPathSeparator(char c);

// Returns the file name (final component up to the last ';'), and fills each
// given out-string. Only the final path component is searched for the last
// '.' and ';'. Separators: '/' on POSIX; '\\' and '/' on Windows.
//   directory: through the last separator, inclusive (empty when none);
//   base name: up to the last '.', else up to the last ';', else to the end;
//   extension: after the last '.' up to the last ';' (empty without a dot);
//   version:   after the last ';' (empty when none).
std::string SplitPath(const std::string& path, std::string* directory = nullptr,
                      std::string* baseName = nullptr, std::string* extension = nullptr,
                      std::string* version = nullptr);

// The output base name proposed for a recording: its file name (the final
// component of `recordingPath`, as the user named it) without exactly one
// extension. "my.take.vrn" -> "my.take", "clip.vrn" -> "clip"; a name without
// a dot, or one that would leave nothing (".vrn"), stays whole.
std::string OutputBaseName(const std::string& recordingPath);

// "%s%s_%6.6d.%s": directory + base name + '_' + index in at least six digits
// + '.' + extension. C:\out\ + shot, 120, tif -> C:\out\shot_000120.tif.
std::string FrameFileName(const std::string& directory, const std::string& baseName, int index,
                          const std::string& extension);
