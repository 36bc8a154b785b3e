// SPDX-License-Identifier: BSD-3-Clause
// Tools for injecting faults into a conversion: a small tmpfs that fills up
// or turns read-only, a watch on the output folder, and reading the written
// TIFF files back to check that each one is complete and right.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A tmpfs mounted on `dir` for the life of the object (needs root). Not
// mounted when the system refuses: Ok() is false, Why() says why.
class TmpfsMount {
public:
    TmpfsMount(const std::filesystem::path& dir, const std::string& size);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool Ok() const { return mounted_; }
    const std::string& Why() const { return why_; }
    // Remounts read-only; fails (EBUSY) while a file on it is open for writing.
    bool RemountReadOnly();

private:
    std::filesystem::path dir_;
    bool mounted_ = false;
    std::string why_;
};

// Counts files published in a folder (renamed into place or closed after
// writing) as they appear.
class FolderWatch {
public:
    explicit FolderWatch(const std::filesystem::path& dir);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool Ok() const { return fd_ >= 0; }
    // Waits until at least `count` files were published since the watch
    // began, or `timeoutMs` passed. Returns the count seen.
    int WaitFor(int count, int timeoutMs);

private:
    int fd_ = -1;
    int seen_ = 0;
};

// The recording every fault test converts: width x height frames whose
// samples are VornPatternSample(index, x, y), in lane order, uncorrected.
struct TestRecording {
    int32_t width = 32;
    int32_t height = 16;
    int32_t frames = 0;
    int64_t framPos = 0;
    int64_t stride = 0;
};

TestRecording WriteTestRecording(const std::filesystem::path& path, int32_t frames,
                                 int32_t width = 32, int32_t height = 16);

// Checks one written file with libtiff: geometry, depth and every sample of
// frame `index`. Empty when right, else what is wrong.
std::string CheckTiff(const std::filesystem::path& file, const TestRecording& rec, int index,
                      int bits);

struct OutputCheck {
    std::vector<int> indices;             // frame indices of the files found, ascending
    std::vector<std::string> problems;    // wrong files, stray names
    std::vector<std::string> temporaries; // hidden ".name.XXXXXX" files left behind
};

// Looks at every entry of `dir`: each must be "<base>_NNNNNN.tif" holding
// frame NNNNNN completely and correctly; hidden temporaries are listed apart,
// anything else is a problem.
OutputCheck CheckOutputFolder(const std::filesystem::path& dir, const std::string& base,
                              const TestRecording& rec, int bits);

// True when `indices` is exactly first, first + 1, ..., first + n - 1.
bool IsRun(const std::vector<int>& indices, int first);
