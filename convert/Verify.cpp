// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Verify.h"

#include "convert/Manifest.h"
#include "convert/ManifestFormat.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// Manifests are small; anything far larger is not one.
constexpr off_t kMaxManifestBytes = off_t{1} << 30;

std::string ErrnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// The manifest's text, read only from a regular file, checked before it is
// opened (a FIFO would block) and again once open. Empty `problem` on success.
std::string ReadManifestText(const std::string& path, std::string& problem) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        problem = errno == ENOENT ? "missing" : ErrnoText(errno);
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        problem = S_ISDIR(info.st_mode) ? "Is a directory" : "not a regular file";
        return {};
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        problem = ErrnoText(errno);
        return {};
    }
    std::string text;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = "not a regular file";
    } else if (info.st_size > kMaxManifestBytes) {
        problem = "not a manifest of quorvane-cli";
    } else {
        text.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t got = ::read(fd, text.data() + done, text.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        text.resize(done);
    }
    ::close(fd);
    return text;
}

// Compares one listed file; null when it matches. The name is opened as it
// stands: a link there is not followed, and a FIFO or device is not read.
const char* CompareListed(const std::string& path, const ManifestEntry& entry) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return errno == ENOENT ? "missing" : errno == ELOOP ? "a symbolic link" : "unreadable";
    }
    std::string digest;
    int64_t size = 0;
    std::string reason;
    const bool read = Sha256OfDescriptor(fd, digest, size, reason);
    ::close(fd);
    if (!read) {
        return reason == "not a regular file" ? "not a regular file" : "unreadable";
    }
    return size == entry.size && digest == entry.sha256 ? nullptr : "changed";
}

// The recording is wherever the manifest says it was; it must be a regular file.
const char* CompareRecording(const ManifestEntry& recording) {
    std::string digest;
    int64_t size = 0;
    std::string reason;
    if (!Sha256OfFile(recording.name, digest, size, reason)) {
        struct stat info {};
        return ::stat(recording.name.c_str(), &info) != 0 ? "missing"
               : reason == "Is a directory" || reason == "not a regular file"
                   ? "not a regular file"
                   : "unreadable";
    }
    return size == recording.size && digest == recording.sha256 ? nullptr : "changed";
}

std::string FolderOf(const std::string& manifest) {
    const std::size_t slash = manifest.rfind('/');
    return slash == std::string::npos ? std::string() : manifest.substr(0, slash + 1);
}

} // namespace

ManifestVerdict VerifyManifest(const std::string& manifest) {
    ManifestVerdict verdict;
    std::string problem;
    const std::string text = ReadManifestText(manifest, problem);
    ManifestContents contents;
    if (!problem.empty() || !ParseManifest(text, contents, problem)) {
        verdict.problems.push_back({manifest, problem});
        return verdict;
    }
    verdict.files = contents.files.size();
    if (const char* what = CompareRecording(contents.recording)) {
        verdict.problems.push_back({contents.recording.name, what});
    }
    const std::string folder = FolderOf(manifest);
    for (const ManifestEntry& file : contents.files) {
        const std::string path = folder + file.name;
        if (const char* what = CompareListed(path, file)) {
            verdict.problems.push_back({path, what});
        }
    }
    return verdict;
}
