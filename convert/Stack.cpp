// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Stack.h"

#include "convert/StackFile.h"
#include "image/Packers.h"
#include "recording/CVornDoc.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

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

} // namespace

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
                                 PageDescription(i, request.firstFrameNo, request.rate), software,
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
    if (!file.Commit(reason)) {
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
