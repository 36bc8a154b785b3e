// SPDX-License-Identifier: BSD-3-Clause
// SIGTERM and SIGHUP while the package converts. Python leaves both at their
// default action, which would end the process in the middle of a frame and
// leave temporaries and gaps. While a conversion runs they only note the
// signal; the run then stops after the frames in progress and cleans up as
// the command line does, and once it is over Python's own handling is put
// back and the signal raised again, so the process ends by it as before.
#pragma once

class TerminationGuard {
public:
    TerminationGuard();  // takes over the signals still at their default action
    ~TerminationGuard(); // puts the previous actions back, then raises a noted signal
    TerminationGuard(const TerminationGuard&) = delete;
    TerminationGuard& operator=(const TerminationGuard&) = delete;

    // True once a signal was noted; the run should stop.
    static bool Noted();
};
