// SPDX-License-Identifier: BSD-3-Clause
#include "convert/BatchFrames.h"

#include "convert/Manifest.h"
#include "image/ReplacingFile.h"
#include "image/TiffWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif
#include <vector>

ExistingFile CheckExistingFrame(const std::string& path, int width, int height, int depth) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? ExistingFile::Absent : ExistingFile::Foreign;
    }
    const int32_t headerLength = TiffHeaderLength(false, 0);
    const int64_t expected =
        headerLength + int64_t{width} * height * (depth > 8 ? 2 : 1);
    if (!S_ISREG(info.st_mode) || info.st_size != expected) {
        return ExistingFile::Foreign;
    }
    std::vector<uint8_t> wanted(static_cast<std::size_t>(headerLength));
    if (BuildTiffHeader(wanted.data(), false, depth, width, height, 0) == nullptr) {
        return ExistingFile::Foreign;
    }
    std::vector<uint8_t> found(wanted.size());
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return ExistingFile::Foreign;
    }
    const ssize_t got = ::pread(fd, found.data(), found.size(), 0);
    ::close(fd);
    return got == static_cast<ssize_t>(found.size()) && found == wanted ? ExistingFile::Ours
                                                                         : ExistingFile::Foreign;
}

bool FileRangeHolds(int fd, int64_t offset, const uint8_t* data, std::size_t size) {
    std::vector<uint8_t> buffer(std::min(size, std::size_t{128} * 1024));
    std::size_t done = 0;
    while (done < size) {
        const std::size_t want = std::min(buffer.size(), size - done);
        const ssize_t got = ::pread(fd, buffer.data(), want, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || std::memcmp(buffer.data(), data + done, static_cast<std::size_t>(got)) != 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool FileHoldsFrame(const std::string& path, FrameDecoder& decoder, const DecodedFrame& frame) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const std::vector<uint8_t>& header = decoder.Header();
    struct stat info {};
    auto at = static_cast<int64_t>(header.size());
    const bool same =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<uint64_t>(info.st_size) == header.size() + decoder.StripBytes() &&
        FileRangeHolds(fd, 0, header.data(), header.size()) &&
        decoder.ForEachPiece(frame, [&](const uint8_t* data, std::size_t size) {
            const bool piece = FileRangeHolds(fd, at, data, size);
            at += static_cast<int64_t>(size);
            return piece;
        });
    ::close(fd);
    return same;
}

std::size_t WritePieceBytes(const std::string& folder, std::size_t stripBytes) {
    constexpr std::size_t kPiece = std::size_t{128} * 1024;
#ifdef __linux__
    constexpr decltype(statfs::f_type) kTmpfs = 0x01021994;
    struct statfs info {};
    if (::statfs(folder.empty() ? "." : folder.c_str(), &info) == 0 && info.f_type == kTmpfs) {
        return std::max(stripBytes, kPiece);
    }
#else
    (void)folder;
    (void)stripBytes;
#endif
    return kPiece;
}

FrameResult WriteFrameFile(const ConvertRequest& request, FrameDecoder& decoder,
                           const DecodedFrame& frame, const std::string& name,
                           std::string& reason) {
    const std::vector<uint8_t>& header = decoder.Header();
    const std::size_t bytes = decoder.StripBytes();
    const ExistingFile existing =
        request.skipExisting
            ? CheckExistingFrame(name, decoder.Width(), decoder.Height(), decoder.Bits())
            : ExistingFile::Absent;
    if (existing == ExistingFile::Foreign) {
        reason = "a different file already has this name";
        return FrameResult::Failed;
    }
    if (!frame.failure.empty()) {
        reason = frame.failure;
        return FrameResult::Failed;
    }
    // One of ours is kept only when it is what this run would write; anything
    // else (a changed pixel, another recording's frame) is written anew.
    FrameResult result = FrameResult::Written;
    if (existing == ExistingFile::Ours) {
        result = FileHoldsFrame(name, decoder, frame) ? FrameResult::Kept
                                                      : FrameResult::Rewritten;
    }
    if (result != FrameResult::Kept) {
        ReplacingFile file;
        file.SetWritePiece(decoder.PieceBytes());
        if (!file.Open(name.c_str()) || !file.Write(header.data(), header.size()) ||
            !decoder.ForEachPiece(frame,
                                  [&](const uint8_t* data, std::size_t size) {
                                      return file.Write(data, size);
                                  }) ||
            !file.Commit()) {
            reason = "cannot write the file: " + DescribeWriteFailure(name, file.Error());
            return FrameResult::Failed;
        }
    }
    if (request.log != nullptr) {
        request.log->Add({frame.index, int64_t{request.firstFrameNo} + frame.index, 0, name,
                          static_cast<int64_t>(header.size() + bytes), frame.digest});
    }
    return result;
}
