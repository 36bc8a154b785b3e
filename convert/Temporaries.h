// SPDX-License-Identifier: BSD-3-Clause
// Clean-up of hidden save temporaries that a killed run left in the output
// folder (".shot_000153.tif.ksLZZl"). Only temporaries of the frame names the
// coming run writes are touched, and only those whose writer is gone: a run
// in progress in the same folder keeps its own.
#pragma once

#include "convert/ConvertJob.h"

// The frame index of the bare file name `name` when it is one of the
// pattern's names ("<base>_<six or more digits>.<extension>"), else -1.
int FrameIndexOfName(const std::string& name, const OutputPattern& pattern);

// Removes the temporary at `path` when no writer holds it any more (its
// lock can be taken); true when it was removed.
bool RemoveIfStale(const std::string& path);

// Removes the temporaries of the frame files first..last of `pattern`;
// returns how many were removed.
int RemoveStaleTemporaries(const OutputPattern& pattern, int first, int last);
