// SPDX-License-Identifier: BSD-3-Clause
// Shared by the data-safety tests: quorvane-cli as a child process and small
// recordings in a fresh folder.
#pragma once

#include "HardeningSupport.h"
#include "ProcessRunner.h"

#include <filesystem>
#include <string>
#include <vector>

inline ProcessResult Cli(const std::vector<std::string>& args, double limit = 60) {
    std::vector<std::string> argv{QUORVANE_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, limit);
}

class SafetyTest : public ::testing::Test {
protected:
    std::string Recording(const std::string& name, int frames = 4, int width = 16,
                          int height = 8) {
        VornRecipe desc;
        desc.width = width;
        desc.height = height;
        desc.frameCount = frames;
        const std::string path = (dir / name).string();
        EXPECT_TRUE(WriteVorn(path.c_str(), desc));
        return path;
    }
    std::string At(const std::string& name) const { return (dir / name).string(); }

    TempDir dir;
};
