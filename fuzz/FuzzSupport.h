// SPDX-License-Identifier: BSD-3-Clause
// Helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A failed property is a finding: report where and abort, so both libFuzzer
// and the replay driver treat it like a crash.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// The input bytes as a file the reader can open by path: an anonymous
// in-memory file reached through /proc/self/fd, so nothing touches the disk
// and nothing is left behind.
class FuzzFile {
public:
    FuzzFile(const uint8_t* data, size_t size);
    ~FuzzFile();
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    bool Ok() const { return fd_ >= 0; }
    const char* Path() const { return path_.c_str(); }

private:
    int fd_ = -1;
    std::string path_;
};

// Reads fixed-size little-endian values from the front of the input.
class FuzzBytes {
public:
    FuzzBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t Byte() {
        if (size_ == 0) {
            return 0;
        }
        --size_;
        return *data_++;
    }
    uint16_t Word() {
        const auto lo = Byte();
        return static_cast<uint16_t>(lo | (Byte() << 8));
    }
    uint32_t Dword() {
        const uint32_t lo = Word();
        return lo | (uint32_t{Word()} << 16);
    }
    const uint8_t* Rest() const { return data_; }
    size_t RestSize() const { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
};
