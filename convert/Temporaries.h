// SPDX-License-Identifier: BSD-3-Clause
// Clean-up of hidden save temporaries that a killed run left in the output
// folder (".shot_000153.tif.ksLZZl"). Only temporaries of the frame names the
// coming run writes are touched.
#pragma once

#include "convert/ConvertJob.h"

// Removes the temporaries of the frame files first..last of `pattern`;
// returns how many were removed.
int RemoveStaleTemporaries(const OutputPattern& pattern, int first, int last);
