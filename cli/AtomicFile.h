// SPDX-License-Identifier: BSD-3-Clause
// Files that appear under their final name only when complete: written
// under a hidden temporary name in the same folder, then renamed over it.
#pragma once

#include <string>

// Creates a new empty file "<dir>/.<name>.XXXXXX" beside `target` (mode 0666
// before the umask, like any output file). Returns its descriptor and sets
// `tempPath`, or -1 with errno set.
int CreateTempBeside(const std::string& target, std::string& tempPath);

// Writes `data` to `target` through a temporary file. False with `reason`
// set when any step failed; nothing is left under either name then.
bool WriteFileAtomically(const std::string& target, const std::string& data, std::string& reason);

// Renames a complete temporary file over `target`; removes it on failure.
bool CommitTemp(const std::string& tempPath, const std::string& target, std::string& reason);
