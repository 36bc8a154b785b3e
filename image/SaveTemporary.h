// SPDX-License-Identifier: BSD-3-Clause
// Names of the hidden temporaries a file image save writes before it renames
// the complete file into place: "." + file name + "." + six letters or
// digits, in the target's folder. A run that was killed may leave one behind;
// the next run over the same names removes them.
#pragma once

#include <string>

// "." + fileName (its first 200 characters) + "."; fileName has no folder.
std::string SaveTemporaryStem(const std::string& fileName);

// True when the folder entry `entryName` is a temporary of a save of
// `fileName` (both bare names).
bool IsSaveTemporaryOf(const std::string& entryName, const std::string& fileName);
