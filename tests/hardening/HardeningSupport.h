// SPDX-License-Identifier: BSD-3-Clause
// Shared by the hardening tests: recordings in a temporary folder, special
// files, and a time limit for calls that must never block.
#pragma once

#include "TempDir.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

inline std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string FileText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = FileBytes(path);
    return {bytes.begin(), bytes.end()};
}

inline bool MakeFifo(const std::filesystem::path& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

// Runs `call` on its own thread and fails the test when it has not returned
// within `seconds`: a blocked open must show as a failure, not as a hang of
// the whole suite. A call that does block is left running (the process ends
// with the test program).
template <typename Call> auto WithinSeconds(double seconds, Call call) {
    auto task = std::make_shared<std::packaged_task<decltype(call())()>>(std::move(call));
    auto result = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    const bool ready =
        result.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready;
    EXPECT_TRUE(ready) << "the call blocked";
    if (!ready) {
        std::_Exit(1); // the blocked thread cannot be joined
    }
    return result.get();
}

// A small lane-order recording with an offset correction of 7 x 9 frames:
// 63 samples, so one whole packing group and 31 samples after it.
inline VornRecipe SevenByNineCorrected(int32_t frames) {
    VornRecipe desc;
    desc.width = 7;
    desc.height = 9;
    desc.frameCount = frames;
    desc.correction.kind = 3;
    desc.correction.mapWidth = 7;
    desc.correction.mapHeight = 9;
    for (int e = 0; e < 63; ++e) {
        desc.correction.offsets.push_back(static_cast<int8_t>(e % 5 + 1));
    }
    return desc;
}
