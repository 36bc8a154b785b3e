// SPDX-License-Identifier: BSD-3-Clause
#include "recording/VornFile.h"

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <limits>

VornFile::~VornFile() {
    Close();
}

bool VornFile::Open(const char* path, bool* notRegular) {
    Close();
    seekCount = 0;
    lastSeekTarget = -1;
    position_ = 0;
    if (notRegular != nullptr) {
        *notRegular = false;
    }
    if (path == nullptr) {
        return false;
    }
#ifdef _WIN32
    // Shared for reading and writing: the camera software may still hold it.
    int fd = -1;
    if (_sopen_s(&fd, path, _O_RDONLY | _O_BINARY | _O_RANDOM, _SH_DENYNO, 0) != 0) {
        return false;
    }
    fd_ = fd;
    struct _stat64 info {};
    const bool regular = _fstat64(fd_, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
#else
    // Anything but a regular file is refused before it is opened (opening a
    // device may have effects, a socket cannot be opened at all).
    struct stat named {};
    if (::stat(path, &named) == 0 && !S_ISREG(named.st_mode)) {
        if (notRegular != nullptr) {
            *notRegular = true;
        }
        return false;
    }
    // Without O_NONBLOCK the open of a FIFO swapped in meanwhile would wait
    // for a writer forever; fstat below refuses it.
    do {
        fd_ = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        return false;
    }
    struct stat info {};
    const bool regular = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
    if (regular) {
        // Reads of a regular file never block anyway; clear the flag so they
        // behave as plain reads everywhere.
        const int flags = ::fcntl(fd_, F_GETFL);
        if (flags >= 0) {
            ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
        }
    }
#endif
    if (!regular) {
        Close();
        if (notRegular != nullptr) {
            *notRegular = true;
        }
        return false;
    }
    return true;
}

void VornFile::Close() {
    if (fd_ >= 0) {
#ifdef _WIN32
        _close(fd_);
#else
        ::close(fd_);
#endif
        fd_ = -1;
    }
}

int64_t VornFile::Read(void* buffer, int64_t size) {
    if (fd_ < 0 || size < 0) {
        return -1;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    int64_t total = 0;
#ifdef _WIN32
    if (_lseeki64(fd_, position_, SEEK_SET) != position_) {
        return -1;
    }
#endif
    // One call may deliver less than asked (network file systems, signals);
    // keep going until the end of the file.
    while (total < size) {
#ifdef _WIN32
        const int64_t chunk = std::min<int64_t>(size - total, std::numeric_limits<int>::max());
        const int got = _read(fd_, out + total, static_cast<unsigned>(chunk));
#else
        const int64_t chunk = std::min<int64_t>(size - total, 1 << 30);
        const ssize_t got = ::pread(fd_, out + total, static_cast<size_t>(chunk),
                                    static_cast<off_t>(position_ + total));
        if (got < 0 && errno == EINTR) {
            continue;
        }
#endif
        if (got < 0) {
            position_ += total;
            return -1;
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    position_ += total;
    return total;
}

bool VornFile::Seek(int64_t position) {
    ++seekCount;
    lastSeekTarget = position;
    if (fd_ < 0 || position < 0) {
        return false;
    }
#ifndef _WIN32
    static_assert(sizeof(off_t) >= 8, "64-bit file offsets required");
#endif
    position_ = position;
    return true;
}

bool VornFile::Skip(int64_t bytes) {
    if (fd_ < 0 || bytes < 0 || bytes > std::numeric_limits<int64_t>::max() - position_) {
        return false;
    }
    position_ += bytes;
    return true;
}

int64_t VornFile::Size() const {
    if (fd_ < 0) {
        return -1;
    }
#ifdef _WIN32
    struct _stat64 info {};
    if (_fstat64(fd_, &info) != 0) {
        return -1;
    }
    return info.st_size;
#else
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        return -1;
    }
    return info.st_size;
#endif
}
