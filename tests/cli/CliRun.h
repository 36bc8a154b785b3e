// SPDX-License-Identifier: BSD-3-Clause
// End to end: the built quorvane-cli, run in a fresh folder.
#pragma once

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    // Runs quorvane-cli with `args` in the work folder; logs go elsewhere so
    // the folder holds only what the program wrote.
    CliRun Cli(const std::string& args) {
        const std::string command = "cd '" + work.Path().string() +
                                    "' && '" QUORVANE_CLI_PATH "' " + args + " >'" + logs / "out" +
                                    "' 2>'" + logs / "err" + "'";
        CliRun run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = Text(logs / "out");
        run.err = Text(logs / "err");
        return run;
    }

    static std::string Text(const std::string& path) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        return {bytes.begin(), bytes.end()};
    }

    std::string Recording(const std::string& name, int frames, int width = 32, int height = 32) {
        return WriteTestRecording(work, name, TestRecording(width, height, frames));
    }

    TempDir work;
    TempDir logs;
};
