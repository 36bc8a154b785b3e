// SPDX-License-Identifier: BSD-3-Clause
// The multi-page TIFF of `convert --stack` at the libtiff level: the pages'
// tags and descriptions, the temporary file they are appended to, the hash
// of the bytes as they are written, and the check of a stack an earlier run
// left.
#pragma once

#include "convert/Manifest.h"
#include "image/ReplacingFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct tiff;

// "frame=<index> recorded=<number>", the ImageDescription of every page of
// a recording whose frame 0 has number `firstFrameNo`; with a rate
// " time=<seconds>" follows.
std::string PageDescription(int index, int32_t firstFrameNo, std::optional<double> rate);

// Where each page's one strip lies in the stack at `path`, page by page:
// offset and byte count. Empty when libtiff cannot read it or a page has
// more than one strip.
struct StripPlace {
    uint64_t offset = 0;
    uint64_t bytes = 0;
};
std::vector<StripPlace> StackStrips(const std::string& path);

// SHA-256 of the stack as it is written: each strip from memory, and the few
// bytes of tags between strips read back once libtiff no longer changes them
// (it links each new page into the previous page's IFD).
class StackHash {
public:
    explicit StackHash(int fd) : m_fd(fd) {}

    bool AddStrip(uint64_t offset, const uint8_t* data, std::size_t size);
    // After the file is closed: the last page's tags.
    bool Finish(uint64_t size, std::string& digest);

private:
    bool AddFileBytes(uint64_t end);

    int m_fd;
    uint64_t m_hashed = 0;
    Sha256 m_hash;
};

// The open temporary stack: libtiff writes through a descriptor of its own;
// the replacing file's descriptor serves for hashing and the final size.
class StackFile {
public:
    StackFile() = default;
    ~StackFile();
    StackFile(const StackFile&) = delete;
    StackFile& operator=(const StackFile&) = delete;

    // False (nothing left behind) when the target cannot be replaced.
    bool Open(const std::string& target, bool bigtiff);

    // Appends one page: its tags (no ImageDescription when `description` is
    // empty), then its one strip in any number of
    // pieces, then the page is closed; `stripOffset` receives where the
    // samples went.
    void StartPage(int width, int height, int depth, const std::string& description,
                   const std::string& software);
    bool AppendToStrip(const uint8_t* data, std::size_t size);
    bool FinishPage(uint64_t& stripOffset);

    // Flushes and closes libtiff; the file stays under its temporary name.
    bool Close();

    int64_t Size() const;

    // Renames the complete stack over its target; `reason` says why not.
    bool Commit(std::string& reason);

    int HashDescriptor() const { return m_file.Descriptor(); }

    // The errno of the first failure known, 0 when none.
    int Error() const { return m_file.Error() != 0 ? m_file.Error() : m_errno; }

private:
    ReplacingFile m_file;
    struct tiff* m_tiff = nullptr;
    std::string m_error;
    std::string m_warning;
    int m_errno = 0; // saved when libtiff's writes failed
};
