// SPDX-License-Identifier: BSD-3-Clause
// `quorvane-cli export FILE... -o OUT`: videos, PNG sequences and OME-TIFF
// stacks from one decode per frame, with the progress bar, summary, exit
// status and interruption of `convert`.
#pragma once

#include "export/Export.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

class ExportCommand {
public:
    // Adds the command and its options to `app`.
    explicit ExportCommand(CLI::App& app);

    bool Parsed() const { return m_command->parsed(); }
    // Runs the parsed command; the program's exit status.
    int Run();
    const std::string& FirstRecording() const { return m_request.recordings.front(); }

private:
    std::string ReadOptions();

    CLI::App* m_command = nullptr;
    ExportRequest m_request;
    std::optional<std::string> m_format;
    std::optional<std::string> m_first;
    std::optional<std::string> m_last;
    std::optional<std::string> m_crop;
    std::optional<std::string> m_rate;
    std::optional<std::string> m_range;
    std::optional<std::string> m_overlay;
    std::optional<std::string> m_scale;
    bool m_quiet = false;
};
