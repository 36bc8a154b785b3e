// SPDX-License-Identifier: BSD-3-Clause
// The one way this program replaces a file: a hidden temporary beside the
// target, renamed over it once complete. There is no fsync per file: it
// would cost far more than the write on a long export, and a crash after the
// rename can at worst lose the newest files, not corrupt old ones.

#include "image/ReplacingFile.h"
#include "image/SaveTemporary.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Keeps ".<name>.XXXXXX" within the usual 255-byte name limit.
constexpr size_t kMaxTempStem = 200;
constexpr size_t kTempSuffixLength = 6;
constexpr int kCreateAttempts = 64;

#ifdef _WIN32
int OpenExclusive(const std::string& path) {
    return _open(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
}
long long WritePiece(int fd, const uint8_t* p, size_t n) {
    return _write(fd, p, static_cast<unsigned>(n));
}
int CloseFile(int fd) {
    return _close(fd);
}
void RemoveFile(const std::string& path) {
    _unlink(path.c_str());
}
bool MoveOver(const std::string& from, const char* to) {
    return MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING) != 0;
}
#else
int OpenExclusive(const std::string& path) {
    // 0666 before the umask, as a plain fopen("wb") would create it.
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
long long WritePiece(int fd, const uint8_t* p, size_t n) {
    return ::write(fd, p, n);
}
int CloseFile(int fd) {
    return ::close(fd);
}
void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());
}
bool MoveOver(const std::string& from, const char* to) {
    return std::rename(from.c_str(), to) == 0;
}

// Marks the new temporary as live: a read-only descriptor of its own holds
// an exclusive lock until the file is renamed or removed, so a clean-up by
// another run (which takes the lock first) never removes it. Read-only, so
// closing it after the rename is no second "written" event for watchers.
// Returns that descriptor; kTaken when a clean-up took the name in the moment
// between creating and locking (the caller makes another); kNoLock when the
// file system has no locks (the file is written unlocked, as before).
constexpr int kTaken = -1;
constexpr int kNoLock = -2;
int LockLive(int fd, const std::string& path) {
    const int lockFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (lockFd < 0)
        return errno == ENOENT ? kTaken : kNoLock;
    if (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(lockFd);
        return error == EWOULDBLOCK ? kTaken : kNoLock;
    }
    struct stat opened {};
    struct stat locked {};
    if (::fstat(fd, &opened) != 0 || ::fstat(lockFd, &locked) != 0 ||
        opened.st_dev != locked.st_dev || opened.st_ino != locked.st_ino) {
        ::close(lockFd);
        return kTaken;
    }
    return lockFd;
}

// What sits at the target name now. A symbolic link is never followed: the
// new file replaces the link itself, so its target is never opened, written
// or replaced (it may lie outside the chosen folder and belong to someone
// else). A FIFO, socket or device would block or swallow the frame; a folder
// cannot be replaced.
bool TargetReplaceable(const char* path) {
    struct stat info {};
    if (::lstat(path, &info) != 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode) || S_ISLNK(info.st_mode);
}
#endif

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// "<dir>/.<name>." for the target path, or empty when the path names no file.
std::string TempPrefix(const std::string& target) {
    size_t nameStart = target.size();
    while (nameStart > 0 && !IsSeparator(target[nameStart - 1]))
        --nameStart;
    if (nameStart == target.size())
        return {};
    return target.substr(0, nameStart) + SaveTemporaryStem(target.substr(nameStart));
}

std::string RandomSuffix() {
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 engine{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
    std::string suffix(kTempSuffixLength, 'x');
    for (char& c : suffix)
        c = kChars[pick(engine)];
    return suffix;
}

// Creates a new, empty temporary file beside the target, locked as live
// (`lockFd`) where the system has locks; -1 on failure.
int CreateTemp(const std::string& prefix, std::string& tempPath, int& lockFd) {
    lockFd = -1;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        tempPath = prefix + RandomSuffix();
        const int fd = OpenExclusive(tempPath);
        if (fd < 0 && errno == EEXIST)
            continue;
#ifndef _WIN32
        if (fd >= 0 && (lockFd = LockLive(fd, tempPath)) == kTaken) {
            // Taken by a clean-up before it was locked: it is gone or going.
            CloseFile(fd);
            continue;
        }
        lockFd = lockFd < 0 ? -1 : lockFd;
#endif
        return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

ReplacingFile::~ReplacingFile() {
    Discard();
}

void ReplacingFile::Fail() {
    if (!m_failed)
        m_error = errno;
    m_failed = true;
}

void ReplacingFile::SetFailed(int error) {
    if (!m_failed)
        m_error = error;
    m_failed = true;
}

void ReplacingFile::Discard() {
    if (m_fd >= 0) {
        CloseFile(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        RemoveFile(m_tempPath);
        m_tempPath.clear();
    }
    ReleaseLock();
}

void ReplacingFile::ReleaseLock() {
    if (m_lockFd >= 0) {
        CloseFile(m_lockFd);
        m_lockFd = -1;
    }
}

bool ReplacingFile::Open(const char* target) {
    Discard();
    m_failed = false;
    m_error = 0;
    errno = 0;
    if (target == nullptr)
        return false;
    m_target = target;
    const std::string prefix = TempPrefix(m_target);
#ifndef _WIN32
    if (!TargetReplaceable(target)) {
        Fail();
        return false;
    }
#endif
    if (prefix.empty()) {
        Fail();
        return false;
    }
    m_fd = CreateTemp(prefix, m_tempPath, m_lockFd);
    if (m_fd < 0) {
        Fail();
        m_tempPath.clear();
        return false;
    }
    return true;
}

bool ReplacingFile::Write(const uint8_t* data, size_t length) {
    if (m_fd < 0 || m_failed)
        return false;
    while (length > 0) {
        const size_t piece = length < m_piece ? length : m_piece;
        const long long written = WritePiece(m_fd, data, piece);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // A write that takes nothing means the device is full.
            if (written == 0)
                errno = ENOSPC;
            Fail();
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

bool ReplacingFile::Commit() {
    if (m_fd < 0)
        return false;
    // The lock descriptor keeps the temporary marked live until it is renamed.
    const bool closed = CloseFile(m_fd) == 0;
    m_fd = -1;
    if (!closed)
        Fail();
    if (!m_failed && MoveOver(m_tempPath, m_target.c_str())) {
        m_tempPath.clear();
        ReleaseLock();
        return true;
    }
    Fail();
    Discard();
    return false;
}

std::string SaveTemporaryStem(const std::string& fileName) {
    std::string stem;
    const size_t kept = fileName.size() < kMaxTempStem ? fileName.size() : kMaxTempStem;
    stem.reserve(kept + 2);
    stem.push_back('.');
    stem.append(fileName, 0, kept);
    stem.push_back('.');
    return stem;
}

bool IsSaveTemporaryOf(const std::string& entryName, const std::string& fileName) {
    const std::string stem = SaveTemporaryStem(fileName);
    if (entryName.size() != stem.size() + kTempSuffixLength ||
        entryName.compare(0, stem.size(), stem) != 0)
        return false;
    for (size_t i = stem.size(); i < entryName.size(); ++i) {
        const char c = entryName[i];
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum)
            return false;
    }
    return true;
}

bool ReplaceFileWith(const char* target, const void* data, size_t size, int& error) {
    ReplacingFile file;
    const bool done = file.Open(target) && file.Write(static_cast<const uint8_t*>(data), size) &&
                      file.Commit();
    error = done ? 0 : file.Error();
    return done;
}
