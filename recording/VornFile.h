// SPDX-License-Identifier: BSD-3-Clause
// Read-only file access for recordings: open shared (others may read and
// write meanwhile), read, 64-bit absolute seek, close. POSIX here, the C
// runtime's _sopen/_lseeki64 on Windows.
//
// The position is the object's own, not the open file description's: reads
// are positioned (pread), so a descriptor shared with another process after
// fork, or duplicated, never moves under this reader.
#pragma once

#include <cstdint>

class VornFile {
public:
    VornFile() = default;
    ~VornFile();
    VornFile(const VornFile&) = delete;
    VornFile& operator=(const VornFile&) = delete;

    // Opens `path` read-only in binary mode; false when it cannot be opened
    // or is not a regular file (then `notRegular` is set, when given). The
    // open never blocks: a FIFO or device at `path` is refused, not waited on.
    bool Open(const char* path, bool* notRegular = nullptr);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Reads up to `size` bytes at the current position, retrying short reads
    // until end of file. Returns the bytes read, or -1 on an I/O error.
    int64_t Read(void* buffer, int64_t size);

    // Absolute seek from the start of the file; false on failure.
    bool Seek(int64_t position);

    // Moves `bytes` forward from the current position (over the padding after
    // a stored frame); false on failure. Not counted in seekCount.
    bool Skip(int64_t bytes);

    // Size of the open file in bytes, or -1.
    int64_t Size() const;

    // Seeks made since Open; tests use them to check that sequential frame
    // reads do not seek.
    int64_t seekCount = 0;
    int64_t lastSeekTarget = -1;

private:
    int fd_ = -1;
    int64_t position_ = 0;
};
