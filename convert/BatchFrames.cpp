// SPDX-License-Identifier: BSD-3-Clause
#include "convert/BatchFrames.h"

#include "image/ImageBuffer.h"
#include "image/TiffWriter.h"
#include "recording/CVornDoc.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

namespace {

FrameResult SkipFrame(const FrameWriterOptions& options, int index, const std::string& name,
                      std::string& reason) {
    if (options.log != nullptr) {
        ManifestFile file{index, int64_t{options.firstFrameNo} + index, 0, name, 0, {}};
        if (!Sha256OfFile(name, file.sha256, file.size, reason)) {
            reason = "cannot read the existing file: " + reason;
            return FrameResult::Failed;
        }
        options.log->Add(std::move(file));
    }
    if (options.skipped != nullptr) {
        options.skipped->fetch_add(1);
    }
    return FrameResult::Skipped;
}

FrameResult WriteFrame(const FrameWriterOptions& options, CVornDoc& doc, int index,
                       const std::string& name, std::string& reason) {
    const int sourceBits = options.bits == 16 ? 16 : 10;
    const int outputBits = options.bits == 16 ? 16 : 8;
    if (options.skipExisting) {
        switch (CheckExistingFrame(name, doc.m_nWidth, doc.m_nHeight, outputBits)) {
        case ExistingFile::Ours:
            return SkipFrame(options, index, name, reason);
        case ExistingFile::Foreign:
            reason = "a different file already has this name";
            return FrameResult::Failed;
        case ExistingFile::Absent:
            break;
        }
    }
    // Decode only; the file is written here so its bytes can be hashed.
    if (doc.RenderFrame(index, 0, nullptr, sourceBits, outputBits) == 0) {
        reason = DescribeRenderFailure(doc, name);
        return FrameResult::Failed;
    }
    const ImageBuffer* image = doc.m_pFrameImage.get();
    ImageBuffer converted;
    if (outputBits == 8) {
        // The same 8-bit file image the document builds for an 8-bit save.
        if (converted.CreateTiff(0, (sourceBits + 7) / 8 + outputBits * 32, sourceBits,
                                 doc.m_nWidth, doc.m_nHeight, 0, doc.m_pRawPixels) == nullptr) {
            reason = "frame refused";
            return FrameResult::Failed;
        }
        image = &converted;
    }
    errno = 0;
    if (image->SaveTiff(name.c_str()) == 0) {
        reason = "cannot write the file: " + DescribeWriteFailure(name, errno);
        return FrameResult::Failed;
    }
    if (options.log != nullptr) {
        const int64_t length = int64_t{GetTiffValue(image->tiff.get(), 273)} +
                               GetTiffValue(image->tiff.get(), 279);
        options.log->Add({index, int64_t{options.firstFrameNo} + index, 0, name, length,
                          Sha256Of(image->tiff.get(), static_cast<std::size_t>(length))});
    }
    return FrameResult::Written;
}

} // namespace

FrameWriter MakeFrameWriter(const FrameWriterOptions& options) {
    return [options](CVornDoc& doc, int index, const std::string& name, std::string& reason) {
        return WriteFrame(options, doc, index, name, reason);
    };
}
