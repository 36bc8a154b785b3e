// SPDX-License-Identifier: BSD-3-Clause
// A run must never write over what it reads: every file a run could replace
// (frame files, the stack, the manifest) is compared by device and inode with
// every recording of the run before anything is written, so neither the
// recording's own name nor a hard or symbolic link to it can be an output.
#pragma once

#include "convert/ConvertJob.h"

#include <string>
#include <vector>

struct RunOutputs {
    std::vector<std::string> recordings;
    std::string output; // the -o argument as given
    bool stack = false;
    bool manifest = false;
};

// The usage problem ("OUT would overwrite the recording IN"), or empty.
std::string CheckOutputsSpareInputs(const RunOutputs& run);

// The same check for other writers: `targets` by name, and the frame files
// of `patterns` already in their folders.
std::string CheckNamesSpareInputs(const std::vector<std::string>& recordings,
                                  const std::vector<std::string>& targets,
                                  const std::vector<OutputPattern>& patterns);

// The same check for named outputs of one recording (e.g. a saved frame
// range of the viewer); empty when none of `targets` is `recording`.
std::string CheckTargetsSpareInput(const std::string& recording,
                                   const std::vector<std::string>& targets);
