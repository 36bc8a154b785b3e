// SPDX-License-Identifier: BSD-3-Clause
// Runs a program as a child process with a time limit, capturing its output,
// exit status and peak memory. Used to drive quorvane-cli from the tests.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct ProcessResult {
    int exitCode = -1;     // exit status, -1 when the child did not exit normally
    int signal = 0;        // signal that ended the child, 0 when it exited
    bool timedOut = false; // killed at the time limit
    long maxRssKb = 0;     // peak resident set size
    std::string out;       // standard output
    std::string err;       // standard error

    // "exit 1", "signal 11", "timed out": for failure messages.
    std::string Describe() const;
    // Lines of standard error, without empty ones.
    std::vector<std::string> ErrLines() const;
};

// A child started in the background, for tests that act on it while it runs.
class ChildProcess {
public:
    // `env` entries ("NAME=value") are added to (or replace) the environment.
    // A positive `memoryCapMb` caps the child's memory: its address space
    // normally, its largest single allocation under AddressSanitizer (whose
    // shadow memory needs a huge address space).
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                 long memoryCapMb = 0);
    ~ChildProcess(); // kills a child that is still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    bool Signal(int sig) const;
    // True while the child has not ended (a stopped child counts as running).
    bool Running();
    // Waits for the end, killing the child at the time limit.
    ProcessResult Wait(double timeoutSeconds);

private:
    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    bool reaped_ = false;
    ProcessResult result_;
};

ProcessResult RunProcess(const std::vector<std::string>& argv, double timeoutSeconds,
                         const std::vector<std::string>& env = {}, long memoryCapMb = 0);
