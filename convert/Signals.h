// SPDX-License-Identifier: BSD-3-Clause
// Interruption of quorvane-cli by SIGINT, SIGTERM or SIGHUP. The handlers only
// note the signal; the run stops after the frames in progress, cleans up, and
// then ends the program by the same signal, so a shell sees an interrupted
// program (status 130 for Ctrl-C) and stops a loop over several recordings.
// Further signals while the run winds down change nothing: the clean-up always
// completes, so no temporary file is left behind.
#pragma once

#include <atomic>

// Installs the handlers, except for signals that are ignored already (nohup,
// background jobs). `interrupted` is set by the first signal.
void InstallInterruptHandlers(std::atomic<bool>* interrupted);

// The first signal received since InstallInterruptHandlers, or 0.
int ReceivedSignal();

// Restores the default action of the received signal and raises it again.
// Returns only when that did not end the program (no signal was received, or
// it is blocked), with the exit status to use then: 128 + the signal number.
int ReRaiseReceivedSignal();
