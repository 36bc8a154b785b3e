// SPDX-License-Identifier: BSD-3-Clause
// The measurement plot windows of a recording's window: a region's values
// over time and a line's profile.
#pragma once

#include "measure/Line.h"
#include "measure/Region.h"

class CChildFrame;

// Opens a plot of the region's mean, min and max per frame across the frame
// bar's range, computed on a worker thread with a reader of its own.
void OpenPlotOverTime(CChildFrame* frame, const Region& region);

// Opens the profile along `line`, following the current frame.
void OpenLineProfile(CChildFrame* frame, const Line& line);
