// SPDX-License-Identifier: BSD-3-Clause
// The width of the terminal a progress line is drawn on, followed when the
// window is resized.
#pragma once

// Columns of the terminal open on `fd`, or 0 when it is not a terminal or
// does not say.
int TerminalColumns(int fd);

// Starts following window size changes (SIGWINCH); harmless to call twice.
void WatchTerminalResize();

// True once after each resize since the last call.
bool TakeTerminalResize();
