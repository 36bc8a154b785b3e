// SPDX-License-Identifier: BSD-3-Clause
// The viewer's own settings, in the profile section "View" (the section
// "Settings" keeps only the values the program always had):
//   "PlaybackRate"  0 = as fast as frames decode, else frames per second
//   "PlaybackLoop"  "0" or "1"
//   "DisplayRange"  0 Standard, 1 Auto, 2 Auto 0.5-99.5 %, 3 Custom
//   "RangeLow", "RangeHigh"  the last custom range (10-bit samples)
#pragma once

#include "image/DisplayLut.h"

struct ViewSettings {
    int rate = 0;
    bool loop = false;
    DisplayRange range;
};

// Missing or unreadable values give the defaults (Max, no loop, Standard).
ViewSettings ReadViewSettings();
void WritePlaybackRate(int framesPerSecond);
void WritePlaybackLoop(bool loop);
void WriteDisplayRange(const DisplayRange& range);
