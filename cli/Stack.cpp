// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Stack.h"

#include "cli/AtomicFile.h"
#include "image/Packers.h"
#include "recording/CVornDoc.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Tags, IFD and values of one page, generously: the rest of a page is its strip.
constexpr int64_t kPageOverhead = 512;
constexpr uint64_t kClassicLimit = 0xFFFFFFFFull;

std::string PageDescription(int index, int64_t recorded) {
    return "frame=" + std::to_string(index) + " recorded=" + std::to_string(recorded);
}

// One decoded frame handed from a worker to the writing thread.
struct Slot {
    enum class State { Empty, Full, Failed } state = State::Empty;
    int index = -1;
    const uint8_t* data = nullptr;
    std::string reason;
};

class Handoff {
public:
    explicit Handoff(int workers) : m_slots(static_cast<std::size_t>(workers)) {}

    // Worker side: waits until its slot is free again. False once stopped.
    bool WaitEmpty(int worker) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stop || SlotOf(worker).state == Slot::State::Empty; });
        return !m_stop;
    }

    void Put(int worker, Slot slot) {
        {
            std::lock_guard lock(m_mutex);
            SlotOf(worker) = std::move(slot);
        }
        m_wake.notify_all();
    }

    // Writer side: the slot once it is no longer empty, or nullopt after
    // `wait` without news (so the caller can tick and look at the cancel flag).
    std::optional<Slot> Take(int worker, std::chrono::milliseconds wait) {
        std::unique_lock lock(m_mutex);
        if (!m_wake.wait_for(lock, wait,
                             [&] { return SlotOf(worker).state != Slot::State::Empty; })) {
            return std::nullopt;
        }
        return SlotOf(worker);
    }

    void Release(int worker) {
        {
            std::lock_guard lock(m_mutex);
            SlotOf(worker) = Slot{};
        }
        m_wake.notify_all();
    }

    void Stop() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
    }

private:
    Slot& SlotOf(int worker) { return m_slots[static_cast<std::size_t>(worker)]; }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Slot> m_slots;
    bool m_stop = false;
};

// Decodes frames first + worker, first + worker + jobs, ... into its slot.
void DecodeShare(const StackRequest& request, CVornDoc& doc, int worker, int jobs,
                 Handoff& handoff) {
    const ConvertRequest& r = request.convert;
    const bool eight = r.bits != 16;
    std::vector<uint8_t> packed;
    for (int i = r.first + worker; i <= r.last; i += jobs) {
        if (!handoff.WaitEmpty(worker)) {
            return;
        }
        Slot slot;
        slot.index = i;
        try {
            if (doc.RenderFrame(i, 0, nullptr, eight ? 10 : 16, eight ? 8 : 16) == 0) {
                slot.state = Slot::State::Failed;
                slot.reason = DescribeRenderFailure(doc, {});
            } else if (eight) {
                // The samples of the 8-bit frame file: the top 8 of the 10 bits.
                packed.resize(static_cast<std::size_t>(doc.m_nWidth) *
                              static_cast<std::size_t>(doc.m_nHeight));
                PackGrayTiff(packed.data(), 258, 10, doc.m_nWidth, doc.m_nHeight,
                             doc.m_pRawPixels);
                slot.data = packed.data();
                slot.state = Slot::State::Full;
            } else {
                slot.data = reinterpret_cast<const uint8_t*>(doc.m_pRawPixels);
                slot.state = Slot::State::Full;
            }
        } catch (const std::bad_alloc&) {
            slot.state = Slot::State::Failed;
            slot.reason = "out of memory";
        }
        const bool failed = slot.state == Slot::State::Failed;
        handoff.Put(worker, std::move(slot));
        if (failed) {
            return;
        }
    }
    // The last page still points into `packed` until it is written.
    handoff.WaitEmpty(worker);
}

// SHA-256 of the stack as it is written: each strip from memory, and the few
// bytes of tags between strips read back once libtiff no longer changes them
// (it links each new page into the previous page's IFD).
class StackHash {
public:
    explicit StackHash(int fd) : m_fd(fd) {}

    bool AddStrip(uint64_t offset, const uint8_t* data, std::size_t size) {
        if (!AddFileBytes(offset)) {
            return false;
        }
        m_hash.Update(data, size);
        m_hashed = offset + size;
        return true;
    }

    // After the file is closed: the last page's tags.
    bool Finish(uint64_t size, std::string& digest) {
        if (!AddFileBytes(size)) {
            return false;
        }
        digest = m_hash.Finish();
        return true;
    }

private:
    bool AddFileBytes(uint64_t end) {
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

    int m_fd;
    uint64_t m_hashed = 0;
    Sha256 m_hash;
};

int KeepErrors(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* text = static_cast<std::string*>(user);
    if (text->empty()) {
        char message[256];
        std::vsnprintf(message, sizeof message, format, args);
        *text = message;
    }
    return 1; // handled: libtiff prints nothing
}

// The open temporary stack: libtiff on its own descriptor, and one kept for
// hashing and for the final size.
class StackFile {
public:
    StackFile() = default;
    ~StackFile() {
        Close();
        if (m_keep >= 0) {
            ::close(m_keep);
        }
        if (!m_temp.empty()) {
            ::unlink(m_temp.c_str());
        }
    }
    StackFile(const StackFile&) = delete;
    StackFile& operator=(const StackFile&) = delete;

    bool Open(const std::string& target, bool bigtiff) {
        const int fd = CreateTempBeside(target, m_temp);
        if (fd < 0) {
            m_temp.clear();
            return false;
        }
        m_keep = ::dup(fd);
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, KeepErrors, &m_error);
        TIFFOpenOptionsSetWarningHandlerExtR(options, KeepErrors, &m_warning);
        m_tiff = TIFFFdOpenExt(fd, m_temp.c_str(), bigtiff ? "w8l" : "wl", options);
        TIFFOpenOptionsFree(options);
        if (m_tiff == nullptr) {
            ::close(fd);
        }
        return m_tiff != nullptr && m_keep >= 0;
    }

    // Appends one page; `stripOffset` receives where its samples went.
    bool AddPage(int width, int height, int depth, const std::string& description,
                 const std::string& software, const uint8_t* data, uint64_t& stripOffset) {
        TIFF* t = m_tiff;
        const auto bytes = static_cast<tmsize_t>(width) * height * (depth / 8);
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
        TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
        TIFFSetField(t, TIFFTAG_SOFTWARE, software.c_str());
        // Uncompressed, little-endian like the machine: the samples go as they are.
        if (TIFFWriteRawStrip(t, 0, const_cast<uint8_t*>(data), bytes) != bytes) {
            return false;
        }
        uint64_t* offsets = nullptr;
        if (TIFFGetField(t, TIFFTAG_STRIPOFFSETS, &offsets) != 1 || offsets == nullptr) {
            return false;
        }
        stripOffset = offsets[0];
        return TIFFWriteDirectory(t) == 1;
    }

    // Flushes and closes; the file stays under its temporary name.
    bool Close() {
        if (m_tiff == nullptr) {
            return true;
        }
        const bool flushed = TIFFFlush(m_tiff) == 1;
        TIFFClose(m_tiff);
        m_tiff = nullptr;
        return flushed && m_error.empty();
    }

    int64_t Size() const {
        struct stat info {};
        return ::fstat(m_keep, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
    }

    bool Commit(const std::string& target, std::string& reason) {
        const bool moved = CommitTemp(m_temp, target, reason);
        m_temp.clear();
        return moved;
    }

    int HashDescriptor() const { return m_keep; }
    const std::string& Error() const { return m_error; }

private:
    TIFF* m_tiff = nullptr;
    int m_keep = -1;
    std::string m_temp;
    std::string m_error;
    std::string m_warning;
};

} // namespace

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
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepErrors, &ignored);
    TIFFOpenOptionsSetWarningHandlerExtR(options, KeepErrors, &ignored);
    TIFF* t = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
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
                              PageDescription(index, int64_t{request.firstFrameNo} + index));
        ++index;
    } while (matches && TIFFReadDirectory(t) == 1);
    TIFFClose(t);
    return matches && index == r.last + 1 ? ExistingFile::Ours : ExistingFile::Foreign;
}

namespace {

struct PageLoop {
    int failedFrame = -1;
    std::string reason;
    bool cancelled = false;
};

bool CancelRequested(const ConvertRequest& r) {
    return r.cancel != nullptr && r.cancel->load();
}

// Starts the decoding workers and appends every page in frame order.
PageLoop WritePages(const StackRequest& request, std::vector<std::unique_ptr<CVornDoc>>& docs,
                    StackFile& file, StackHash* hash, const ConvertTick& tick,
                    const std::string& target) {
    const ConvertRequest& r = request.convert;
    const int jobs = static_cast<int>(docs.size());
    const int width = docs[0]->m_nWidth;
    const int height = docs[0]->m_nHeight;
    const int depth = r.bits == 16 ? 16 : 8;
    const auto stripBytes = static_cast<std::size_t>(int64_t{width} * height * (depth / 8));
    const std::string software = ProgramNameAndVersion();
    const int64_t total = int64_t{r.last} - r.first + 1;
    Handoff handoff(jobs);
    PageLoop loop;
    // Stops the workers on every way out, before they are joined.
    struct StopOnExit {
        Handoff& handoff;
        ~StopOnExit() { handoff.Stop(); }
    };
    std::vector<std::jthread> workers;
    const StopOnExit stopper{handoff};
    workers.reserve(docs.size());
    for (int w = 0; w < jobs; ++w) {
        try {
            workers.emplace_back(
                [&, w] { DecodeShare(request, *docs[static_cast<std::size_t>(w)], w, jobs, handoff); });
        } catch (const std::system_error& e) {
            handoff.Put(w, Slot{Slot::State::Failed, r.first + w, nullptr,
                                std::string("cannot start a worker: ") + e.what()});
        }
    }
    auto lastTick = std::chrono::steady_clock::now();
    for (int i = r.first; i <= r.last && loop.failedFrame < 0 && !loop.cancelled; ++i) {
        const int w = (i - r.first) % jobs;
        std::optional<Slot> slot;
        while (!(loop.cancelled = CancelRequested(r)) &&
               !(slot = handoff.Take(w, std::chrono::milliseconds(100)))) {
            if (tick) {
                tick(i - r.first, total);
            }
        }
        if (loop.cancelled) {
            break;
        }
        uint64_t offset = 0;
        if (slot->state == Slot::State::Failed) {
            loop = {i, slot->reason, false};
        } else if (!file.AddPage(width, height, depth,
                                 PageDescription(i, int64_t{request.firstFrameNo} + i), software,
                                 slot->data, offset)) {
            loop = {i, "cannot write the file: " + DescribeWriteFailure(target), false};
        } else if (hash != nullptr &&
                   !hash->AddStrip(offset, slot->data, stripBytes)) {
            loop = {i, "cannot read the file back for its hash", false};
        }
        handoff.Release(w);
        const auto now = std::chrono::steady_clock::now();
        if (tick && now - lastTick >= std::chrono::milliseconds(100)) {
            tick(i - r.first + 1, total);
            lastTick = now;
        }
    }
    return loop;
}

// One document per worker, all opened before any starts; empty with
// `reason` set when the recording is refused.
std::vector<std::unique_ptr<CVornDoc>> OpenWorkerDocuments(const std::string& path, int count,
                                                           std::string& reason) {
    std::vector<std::unique_ptr<CVornDoc>> docs;
    while (static_cast<int>(docs.size()) < count) {
        docs.push_back(std::make_unique<CVornDoc>());
        if (docs.back()->OnOpenDocument(path.c_str()) == 0) {
            reason = docs.back()->GetOpenError();
            return {};
        }
    }
    return docs;
}

ConvertOutcome Failure(int frame, std::string file, std::string reason) {
    ConvertOutcome outcome;
    outcome.status = ConvertStatus::Failed;
    outcome.failedFrame = frame;
    outcome.failedFile = std::move(file);
    outcome.reason = std::move(reason);
    return outcome;
}

// A complete stack from an earlier run stays; the manifest lists it.
ConvertOutcome KeepExisting(const StackRequest& request, const std::string& target) {
    const ConvertRequest& r = request.convert;
    if (request.log == nullptr) {
        return {};
    }
    ManifestFile existing{r.first, int64_t{request.firstFrameNo} + r.first, r.last - r.first + 1,
                          target, 0, {}};
    std::string reason;
    if (!Sha256OfFile(target, existing.sha256, existing.size, reason)) {
        return Failure(r.first, target, "cannot read the existing file: " + reason);
    }
    request.log->Add(std::move(existing));
    return {};
}

} // namespace

ConvertOutcome RunStack(const StackRequest& request, const ConvertTick& tick, bool& skipped) {
    skipped = false;
    const ConvertRequest& r = request.convert;
    const int64_t total = int64_t{r.last} - r.first + 1;
    const int jobs = static_cast<int>(std::clamp<int64_t>(r.jobs, 1, std::max<int64_t>(total, 1)));
    const std::string target = StackFileName(r.output);
    std::string reason;
    std::vector<std::unique_ptr<CVornDoc>> docs = OpenWorkerDocuments(r.recording, jobs, reason);
    if (docs.empty()) {
        return Failure(r.first, {}, reason);
    }
    const int width = docs[0]->m_nWidth;
    const int height = docs[0]->m_nHeight;
    if (request.skipExisting) {
        switch (CheckExistingStack(target, request, width, height)) {
        case ExistingFile::Ours:
            skipped = true;
            return KeepExisting(request, target);
        case ExistingFile::Foreign:
            return Failure(r.first, target, "a different file already has this name");
        case ExistingFile::Absent:
            break;
        }
    }
    const int64_t pageBytes = int64_t{width} * height * (r.bits == 16 ? 2 : 1);
    StackFile file;
    if (!file.Open(target, request.bigtiff || StackNeedsBigTiff(total, pageBytes))) {
        return Failure(r.first, target, "cannot write the file: " + DescribeWriteFailure(target));
    }
    std::unique_ptr<StackHash> hash;
    if (request.log != nullptr) {
        hash = std::make_unique<StackHash>(file.HashDescriptor());
    }
    const PageLoop loop = WritePages(request, docs, file, hash.get(), tick, target);
    if (loop.failedFrame >= 0) {
        return Failure(loop.failedFrame, target, loop.reason);
    }
    ConvertOutcome outcome;
    if (loop.cancelled) {
        outcome.status = ConvertStatus::Cancelled;
        return outcome; // the temporary file goes with `file`
    }
    if (!file.Close()) {
        return Failure(r.last, target, "cannot write the file: " + DescribeWriteFailure(target));
    }
    const int64_t size = file.Size();
    std::string digest;
    if (hash && !hash->Finish(static_cast<uint64_t>(size), digest)) {
        return Failure(r.last, target, "cannot read the file back for its hash");
    }
    if (!file.Commit(target, reason)) {
        return Failure(r.last, target, "cannot write the file: " + reason);
    }
    if (request.log != nullptr) {
        request.log->Add({r.first, int64_t{request.firstFrameNo} + r.first,
                          static_cast<int>(total), target, size, digest});
    }
    outcome.files = 1;
    outcome.bytes = size;
    if (tick) {
        tick(total, total);
    }
    return outcome;
}
