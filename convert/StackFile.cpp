// SPDX-License-Identifier: BSD-3-Clause
#include "convert/StackFile.h"
#include "convert/Stack.h"
#include "recording/TimeBase.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

// Tags, IFD and values of one page, generously: the rest of a page is its strip.
constexpr int64_t kPageOverhead = 512;
constexpr uint64_t kClassicLimit = 0xFFFFFFFFull;

int KeepErrors(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* text = static_cast<std::string*>(user);
    if (text->empty()) {
        char message[256];
        std::vsnprintf(message, sizeof message, format, args);
        *text = message;
    }
    return 1; // handled: libtiff prints nothing
}

// Opens `path` for reading; libtiff's messages go into `messages` (which
// must outlive the handle) instead of stderr.
TIFF* OpenQuietly(const std::string& path, std::string& messages) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepErrors, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options, KeepErrors, &messages);
    TIFF* t = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    return t;
}

} // namespace

std::string PageDescription(int index, int32_t firstFrameNo, std::optional<double> rate) {
    const TimeBase time(firstFrameNo, index + 1, rate);
    std::string text =
        "frame=" + std::to_string(index) + " recorded=" + std::to_string(time.NumberOf(index));
    if (const auto seconds = time.TimeOf(index))
        text += " time=" + SecondsText(*seconds);
    return text;
}

bool StackHash::AddStrip(uint64_t offset, const uint8_t* data, std::size_t size) {
    if (!AddFileBytes(offset)) {
        return false;
    }
    m_hash.Update(data, size);
    m_hashed = offset + size;
    return true;
}

bool StackHash::Finish(uint64_t size, std::string& digest) {
    if (!AddFileBytes(size)) {
        return false;
    }
    digest = m_hash.Finish();
    return true;
}

bool StackHash::AddFileBytes(uint64_t end) {
    if (end < m_hashed) {
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(end - m_hashed));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(m_fd, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(m_hashed + done));
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    m_hash.Update(bytes.data(), bytes.size());
    m_hashed = end;
    return true;
}

StackFile::~StackFile() {
    Close();
}

bool StackFile::Open(const std::string& target, bool bigtiff) {
    if (!m_file.Open(target.c_str())) {
        return false;
    }
    const int fd = ::dup(m_file.Descriptor());
    if (fd < 0) {
        m_file.SetFailed(errno);
        return false;
    }
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepErrors, &m_error);
    TIFFOpenOptionsSetWarningHandlerExtR(options, KeepErrors, &m_warning);
    m_tiff = TIFFFdOpenExt(fd, target.c_str(), bigtiff ? "w8l" : "wl", options);
    TIFFOpenOptionsFree(options);
    if (m_tiff == nullptr) {
        ::close(fd);
        return false;
    }
    return true;
}

void StackFile::StartPage(int width, int height, int depth, const std::string& description,
                          const std::string& software) {
    TIFF* t = m_tiff;
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, uint32_t{0});
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(depth));
    TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t{COMPRESSION_NONE});
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_MINISBLACK});
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t{1});
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(height));
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 1.0);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 1.0);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t{PLANARCONFIG_CONTIG});
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, uint16_t{RESUNIT_NONE});
    if (!description.empty()) {
        TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
    }
    TIFFSetField(t, TIFFTAG_SOFTWARE, software.c_str());
}

bool StackFile::AppendToStrip(const uint8_t* data, std::size_t size) {
    // Uncompressed, little-endian like the machine: the samples go as they are.
    const auto bytes = static_cast<tmsize_t>(size);
    errno = 0;
    if (TIFFWriteRawStrip(m_tiff, 0, const_cast<uint8_t*>(data), bytes) != bytes) {
        m_errno = errno;
        return false;
    }
    return true;
}

bool StackFile::FinishPage(uint64_t& stripOffset) {
    uint64_t* offsets = nullptr;
    if (TIFFGetField(m_tiff, TIFFTAG_STRIPOFFSETS, &offsets) != 1 || offsets == nullptr) {
        return false;
    }
    stripOffset = offsets[0];
    errno = 0;
    if (TIFFWriteDirectory(m_tiff) != 1) {
        m_errno = errno;
        return false;
    }
    return true;
}

bool StackFile::Close() {
    if (m_tiff == nullptr) {
        return true;
    }
    errno = 0;
    const bool flushed = TIFFFlush(m_tiff) == 1;
    if (!flushed && m_errno == 0) {
        m_errno = errno;
    }
    TIFFClose(m_tiff);
    m_tiff = nullptr;
    return flushed && m_error.empty();
}

int64_t StackFile::Size() const {
    struct stat info {};
    return ::fstat(m_file.Descriptor(), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

bool StackFile::Commit(std::string& reason) {
    if (m_file.Commit()) {
        return true;
    }
    reason = std::error_code(m_file.Error(), std::generic_category()).message();
    return false;
}

std::string StackFileName(const OutputPattern& output) {
    return output.directory + output.baseName + "." + output.extension;
}

bool StackNeedsBigTiff(int64_t pages, int64_t pageBytes) {
    return static_cast<uint64_t>(16 + pages * (pageBytes + kPageOverhead)) > kClassicLimit;
}

namespace {

bool PageMatches(TIFF* t, int width, int height, int depth, const std::string& description) {
    uint32_t w = 0;
    uint32_t h = 0;
    uint16_t bits = 0;
    uint16_t compression = 0;
    char* text = nullptr;
    uint64_t* counts = nullptr;
    return TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) == 1 && w == static_cast<uint32_t>(width) &&
           TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h) == 1 && h == static_cast<uint32_t>(height) &&
           TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bits) == 1 && bits == depth &&
           TIFFGetField(t, TIFFTAG_COMPRESSION, &compression) == 1 &&
           compression == COMPRESSION_NONE && TIFFNumberOfStrips(t) == 1 &&
           TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts) == 1 && counts != nullptr &&
           counts[0] == uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) *
                            static_cast<uint32_t>(depth / 8) &&
           TIFFGetField(t, TIFFTAG_IMAGEDESCRIPTION, &text) == 1 && text != nullptr &&
           description == text;
}

} // namespace

std::vector<StripPlace> StackStrips(const std::string& path) {
    std::string ignored;
    TIFF* t = OpenQuietly(path, ignored);
    std::vector<StripPlace> strips;
    if (t == nullptr) {
        return strips;
    }
    do {
        uint64_t* offsets = nullptr;
        uint64_t* counts = nullptr;
        if (TIFFNumberOfStrips(t) != 1 || TIFFGetField(t, TIFFTAG_STRIPOFFSETS, &offsets) != 1 ||
            TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts) != 1 || offsets == nullptr ||
            counts == nullptr) {
            strips.clear();
            break;
        }
        strips.push_back({offsets[0], counts[0]});
    } while (TIFFReadDirectory(t) == 1);
    TIFFClose(t);
    return strips;
}

ExistingFile CheckExistingStack(const std::string& path, const StackRequest& request, int width,
                                int height) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? ExistingFile::Absent : ExistingFile::Foreign;
    }
    if (!S_ISREG(info.st_mode)) {
        return ExistingFile::Foreign;
    }
    std::string ignored;
    TIFF* t = OpenQuietly(path, ignored);
    if (t == nullptr) {
        return ExistingFile::Foreign;
    }
    const ConvertRequest& r = request.convert;
    const int depth = r.bits == 16 ? 16 : 8;
    int index = r.first;
    bool matches = true;
    do {
        matches = index <= r.last &&
                  PageMatches(t, width, height, depth,
                              PageDescription(index, request.firstFrameNo, request.rate));
        ++index;
    } while (matches && TIFFReadDirectory(t) == 1);
    TIFFClose(t);
    return matches && index == r.last + 1 ? ExistingFile::Ours : ExistingFile::Foreign;
}
