// SPDX-License-Identifier: BSD-3-Clause
// Test fixture: a fresh temporary directory per test, removed afterwards,
// and helpers to write recordings into it and open them.
#pragma once

#include "recording/VornReader.h"
#include "recording/VornWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorn-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Opens `bytes` as a recording; the reader's result is in `opened`.
    std::unique_ptr<VornReader> OpenBytes(const std::vector<uint8_t>& bytes, int& opened,
                                          int loadCorrection = 1) {
        const std::string path = Path("r.vrn");
        EXPECT_TRUE(WriteBytes(path.c_str(), bytes));
        auto reader = std::make_unique<VornReader>();
        opened = reader->Open(path.c_str(), loadCorrection);
        return reader;
    }

    // Opens a recording that must be accepted.
    std::unique_ptr<VornReader> OpenRecording(const VornRecipe& desc,
                                              const VornFrameSource& frames = {},
                                              int loadCorrection = 1) {
        int opened = 0;
        auto reader = OpenBytes(BuildVorn(desc, frames), opened, loadCorrection);
        EXPECT_EQ(opened, 1) << VornErrorText(reader->error);
        return reader;
    }

    // The error of a recording that must be refused.
    VornError Refusal(const std::vector<uint8_t>& bytes) {
        int opened = 1;
        auto reader = OpenBytes(bytes, opened);
        EXPECT_EQ(opened, 0);
        return reader->error;
    }

    static VornTag Tag(const char* text) { return {text[0], text[1], text[2], text[3]}; }
    static VornChunkEntry Chunk(const char* tag, int32_t leadIn = 0) {
        return {Tag(tag), leadIn, {}, {}};
    }

    std::filesystem::path dir_;
};
