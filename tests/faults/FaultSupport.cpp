// SPDX-License-Identifier: BSD-3-Clause
#include "FaultSupport.h"

#include "recording/VornWriter.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <regex>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;

TmpfsMount::TmpfsMount(const fs::path& dir, const std::string& size) : dir_(dir) {
    const std::string options = "size=" + size + ",mode=0755";
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0) {
        mounted_ = true;
    } else {
        why_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    }
}

TmpfsMount::~TmpfsMount() {
    if (mounted_) {
        umount2(dir_.c_str(), MNT_DETACH);
    }
}

bool TmpfsMount::RemountReadOnly() {
    return mounted_ && mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

FolderWatch::FolderWatch(const fs::path& dir) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0 && inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
        close(fd_);
        fd_ = -1;
    }
}

FolderWatch::~FolderWatch() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

int FolderWatch::WaitFor(int count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    alignas(inotify_event) char buffer[16384];
    while (seen_ < count && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) {
            continue;
        }
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // Temporaries start with a dot; only files under their own name
            // count as published.
            const bool temporary = event->len > 0 && event->name[0] == '.';
            if (!temporary && (event->mask & (IN_MOVED_TO | IN_CLOSE_WRITE)) != 0) {
                ++seen_;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return seen_;
}

TestRecording WriteTestRecording(const fs::path& path, int32_t frames, int32_t width,
                                 int32_t height) {
    VornRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.frameCount = frames;
    const VornLayout layout = VornLayoutOf(recipe);
    TestRecording rec;
    if (!WriteVorn(path.c_str(), recipe)) {
        return rec;
    }
    rec.width = width;
    rec.height = height;
    rec.frames = frames;
    rec.framPos = layout.framPos;
    rec.stride = recipe.FrameStride();
    return rec;
}

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

std::string CheckSamples(TIFF* tiff, const TestRecording& rec, int index, int bits) {
    const tmsize_t stripBytes = TIFFStripSize(tiff);
    const tmsize_t expected = tmsize_t{rec.width} * rec.height * (bits / 8);
    if (stripBytes != expected) {
        return "strip of " + std::to_string(stripBytes) + " bytes";
    }
    std::vector<uint8_t> strip(static_cast<size_t>(stripBytes));
    if (TIFFReadEncodedStrip(tiff, 0, strip.data(), stripBytes) != stripBytes) {
        return "strip cannot be read whole";
    }
    for (int32_t y = 0; y < rec.height; ++y) {
        for (int32_t x = 0; x < rec.width; ++x) {
            const uint16_t want = VornPatternSample(index, x, y);
            const size_t at =
                static_cast<size_t>(y) * static_cast<size_t>(rec.width) + static_cast<size_t>(x);
            const uint16_t got =
                bits == 16 ? static_cast<uint16_t>(strip[2 * at] | (strip[2 * at + 1] << 8))
                           : strip[at];
            if (got != (bits == 16 ? want : (want >> 2))) {
                return "sample (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                       std::to_string(got);
            }
        }
    }
    return {};
}

} // namespace

std::string CheckTiff(const fs::path& file, const TestRecording& rec, int index, int bits) {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    const auto expectedSize = static_cast<uintmax_t>(200 + rec.width * rec.height * (bits / 8));
    if (ec || size != expectedSize) {
        return file.filename().string() + ": " + std::to_string(size) + " bytes, expected " +
               std::to_string(expectedSize);
    }
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(file.c_str(), "r"));
    if (!tiff) {
        return file.filename().string() + ": not a readable TIFF file";
    }
    uint32_t w = 0, h = 0;
    uint16_t bps = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bps);
    if (w != uint32_t(rec.width) || h != uint32_t(rec.height) || bps != bits) {
        return file.filename().string() + ": wrong geometry or depth";
    }
    const std::string samples = CheckSamples(tiff.get(), rec, index, bits);
    return samples.empty() ? samples : file.filename().string() + ": " + samples;
}

OutputCheck CheckOutputFolder(const fs::path& dir, const std::string& base,
                              const TestRecording& rec, int bits) {
    OutputCheck check;
    const std::regex pattern(base + "_([0-9]{6,})\\.tif");
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        std::smatch m;
        if (!name.empty() && name[0] == '.') {
            check.temporaries.push_back(name);
            continue;
        }
        if (!std::regex_match(name, m, pattern)) {
            check.problems.push_back("unexpected entry " + name);
            continue;
        }
        const int index = std::stoi(m[1]);
        check.indices.push_back(index);
        if (std::string problem = CheckTiff(entry.path(), rec, index, bits); !problem.empty()) {
            check.problems.push_back(problem);
        }
    }
    std::sort(check.indices.begin(), check.indices.end());
    return check;
}

bool IsRun(const std::vector<int>& indices, int first) {
    for (size_t i = 0; i < indices.size(); ++i) {
        if (indices[i] != first + static_cast<int>(i)) {
            return false;
        }
    }
    return true;
}
