// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Temporaries.h"

#include "framework/SplitPath.h"
#include "image/SaveTemporary.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

int FrameIndexOfName(const std::string& name, const OutputPattern& pattern) {
    const std::string head = pattern.baseName + "_";
    const std::string tail = "." + pattern.extension;
    if (name.size() < head.size() + 6 + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
        return -1;
    }
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    const long long index = std::stoll(digits);
    if (index > 0x7FFFFFFF ||
        FrameFileName({}, pattern.baseName, static_cast<int>(index), pattern.extension) != name) {
        return -1;
    }
    return static_cast<int>(index);
}

int RemoveStaleTemporaries(const OutputPattern& pattern, int first, int last) {
    const fs::path folder = pattern.directory.empty() ? fs::path(".") : fs::path(pattern.directory);
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    int removed = 0;
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        // ".<frame name>.XXXXXX": the frame name lies between the first and
        // the last dot.
        const std::size_t lastDot = entry.rfind('.');
        if (entry.size() < 2 || entry[0] != '.' || lastDot == 0 || lastDot == std::string::npos) {
            continue;
        }
        const std::string name = entry.substr(1, lastDot - 1);
        const int index = FrameIndexOfName(name, pattern);
        if (index < first || index > last || !IsSaveTemporaryOf(entry, name)) {
            continue;
        }
        if (RemoveIfStale(it->path().string())) {
            ++removed;
        }
    }
    return removed;
}

bool RemoveIfStale(const std::string& path) {
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0) {
        return false;
    }
    if (S_ISLNK(named.st_mode)) {
        // Never one of ours (temporaries are plain files): a leftover name.
        return ::unlink(path.c_str()) == 0;
    }
    if (!S_ISREG(named.st_mode)) {
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // A writer holds the lock for the temporary's whole life: only a
    // temporary whose lock can be taken is stale. The name must still be the
    // file that was locked, or another run's new temporary could go.
    struct stat opened {};
    bool removed = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino) {
        removed = ::unlink(path.c_str()) == 0;
    }
    ::close(fd);
    return removed;
}
