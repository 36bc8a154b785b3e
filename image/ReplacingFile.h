// SPDX-License-Identifier: BSD-3-Clause
// A file written under a fresh hidden temporary name beside its target and
// renamed over the target only once every byte was written and the file
// closed cleanly: a failed or interrupted save never leaves a partial file
// under the target's name and never damages a file already there. The bytes
// may be written in any number of pieces, so a producer can hand them over
// while they are still in the CPU's caches. They reach the system in 128 KiB
// write() calls by default: on ext4 one multi-megabyte write() per file
// measured 2-4x slower.
//
// While it is written, the temporary is locked (flock) by its writer: a
// clean-up of stale temporaries takes that lock first, so it only ever
// removes temporaries whose writer is gone.
//
// A symbolic link at the target is replaced, never followed; a folder, FIFO,
// socket or device there is refused without being opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile(); // removes the temporary unless committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary for `target`; false (nothing created) when the
    // target cannot be replaced or the folder refuses a new file.
    bool Open(const char* target);

    // Appends `length` bytes; false on a failed write (then Commit fails too).
    bool Write(const uint8_t* data, size_t length);

    // Bytes handed to the system per write() call: 128 KiB unless set.
    void SetWritePiece(size_t bytes) { m_piece = bytes == 0 ? 1 : bytes; }

    // Closes the temporary and renames it over the target; on any failure,
    // now or before, removes it and returns false.
    bool Commit();

    // The system's error number of the first failure, 0 when none is known.
    int Error() const { return m_error; }

    // The open temporary (read and write), for writers that need a
    // descriptor: give them a dup() of it, and read back with pread; -1 when
    // not open. Commit closes it.
    int Descriptor() const { return m_fd; }

    // Marks the file failed with `error` (a writer working on Descriptor()
    // reports its own failure); Commit then removes the temporary.
    void SetFailed(int error);

private:
    void Fail();
    void Discard();
    void ReleaseLock();

    std::string m_target;
    std::string m_tempPath;
    int m_fd = -1;
    int m_lockFd = -1; // holds the live lock until the rename or removal
    bool m_failed = false;
    int m_error = 0;
    size_t m_piece = size_t{128} * 1024;
};

// Replaces `target` with `size` bytes of `data`. False when any step failed,
// with `error` set to the first errno (0 when none is known); nothing is
// left under either name then.
bool ReplaceFileWith(const char* target, const void* data, size_t size, int& error);
