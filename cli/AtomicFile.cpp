// SPDX-License-Identifier: BSD-3-Clause
#include "cli/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <unistd.h>

namespace {

std::string ErrnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

std::string RandomSuffix() {
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 engine{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string suffix(6, 'x');
    for (char& c : suffix) {
        c = kChars[pick(engine)];
    }
    return suffix;
}

} // namespace

int CreateTempBeside(const std::string& target, std::string& tempPath) {
    const std::size_t slash = target.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // Long names are cut so the temporary name still fits the folder's limit.
    const std::string prefix =
        target.substr(0, nameStart) + "." + target.substr(nameStart, 200) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = prefix + RandomSuffix();
        const int fd = ::open(tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool CommitTemp(const std::string& tempPath, const std::string& target, std::string& reason) {
    if (std::rename(tempPath.c_str(), target.c_str()) == 0) {
        return true;
    }
    reason = ErrnoText(errno);
    ::unlink(tempPath.c_str());
    return false;
}

bool WriteFileAtomically(const std::string& target, const std::string& data, std::string& reason) {
    std::string tempPath;
    const int fd = CreateTempBeside(target, tempPath);
    if (fd < 0) {
        reason = ErrnoText(errno);
        return false;
    }
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            reason = written < 0 ? ErrnoText(errno) : "short write (disk full?)";
            ::close(fd);
            ::unlink(tempPath.c_str());
            return false;
        }
        p += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0) {
        reason = ErrnoText(errno);
        ::unlink(tempPath.c_str());
        return false;
    }
    return CommitTemp(tempPath, target, reason);
}
