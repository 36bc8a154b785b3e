// SPDX-License-Identifier: BSD-3-Clause
// `quorvane-cli stats` (a region's statistics frame by frame) and
// `quorvane-cli profile` (the values along a line in one frame).
#pragma once

#include <CLI/CLI.hpp>

#include <memory>

class MeasureCommands {
public:
    // Adds both subcommands to `app`.
    explicit MeasureCommands(CLI::App& app);
    ~MeasureCommands();
    MeasureCommands(const MeasureCommands&) = delete;
    MeasureCommands& operator=(const MeasureCommands&) = delete;

    // True when the command line chose one of them.
    bool Parsed() const;
    // Runs the chosen one: 0 done, 1 failure, 2 usage error; an interrupted
    // scan ends by its signal.
    int Run();

private:
    struct Args;
    std::unique_ptr<Args> m_args;
};
