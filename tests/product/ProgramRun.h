// SPDX-License-Identifier: BSD-3-Clause
// Runs a built program with its output captured, in a folder of the test's
// choosing, optionally without any display.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadAll(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

// `noDisplay` clears DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM, as over
// ssh or in a container.
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::string& folder = ".", bool noDisplay = false) {
    char outName[] = "/tmp/quorvane-run-out-XXXXXX";
    char errName[] = "/tmp/quorvane-run-err-XXXXXX";
    const int out = mkstemp(outName);
    const int err = mkstemp(errName);
    unlink(outName);
    unlink(errName);
    ProgramRun run;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(err, 2);
        if (chdir(folder.c_str()) != 0) {
            _exit(127);
        }
        if (noDisplay) {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            unsetenv("QT_QPA_PLATFORM");
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int raw = 0;
    if (pid > 0 && waitpid(pid, &raw, 0) == pid) {
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    close(out);
    close(err);
    return run;
}
