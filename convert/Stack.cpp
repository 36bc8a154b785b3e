// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Stack.h"
#include "convert/BatchFrames.h"

#include "convert/FrameDecoder.h"
#include "convert/StackFile.h"
#include "recording/CVornDoc.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <memory>
#include <new>
#include <vector>

namespace {

struct PageLoop {
    int failedFrame = -1;
    std::string reason;
    bool cancelled = false;
};

bool CancelRequested(const ConvertRequest& r) {
    return r.cancel != nullptr && r.cancel->load();
}

// Writes the page of `frame` in pieces; `offset` receives where its strip went.
bool WritePage(StackFile& file, FrameDecoder& decoder, const DecodedFrame& frame,
               const std::string& description, const std::string& software, uint64_t& offset) {
    file.StartPage(decoder.Width(), decoder.Height(), decoder.Bits(), description, software);
    return decoder.ForEachPiece(frame,
                                [&](const uint8_t* data, std::size_t size) {
                                    return file.AppendToStrip(data, size);
                                }) &&
           file.FinishPage(offset);
}

// Hashes the strip just written at `offset`, piece by piece again.
bool HashPage(StackHash& hash, FrameDecoder& decoder, const DecodedFrame& frame, uint64_t offset) {
    return decoder.ForEachPiece(frame, [&](const uint8_t* data, std::size_t size) {
        const bool added = hash.AddStrip(offset, data, size);
        offset += size;
        return added;
    });
}

// Appends every page in frame order; worker w's read stage decodes frames
// first + w, first + w + jobs, ... two ahead of the writer.
PageLoop WritePages(const StackRequest& request, std::vector<std::unique_ptr<CVornDoc>>& docs,
                    StackFile& file, StackHash* hash, const ConvertTick& tick,
                    const std::string& target) {
    const ConvertRequest& r = request.convert;
    const int jobs = static_cast<int>(docs.size());
    const int depth = r.bits == 16 ? 16 : 8;
    const std::string software = ProgramNameAndVersion();
    const int64_t total = FrameCount(r);
    PageLoop loop;
    std::vector<std::unique_ptr<FrameDecoder>> decoders;
    for (int w = 0; w < jobs; ++w) {
        decoders.push_back(
            std::make_unique<FrameDecoder>(*docs[static_cast<std::size_t>(w)], depth, false));
        if (r.crop) {
            decoders.back()->SetCrop(*r.crop);
        }
        decoders.back()->SetPieceBytes(
            WritePieceBytes(r.output.directory, decoders.back()->StripBytes()));
        decoders.back()->Start(r.first + w * r.step, r.last + 1, jobs * r.step,
                               [&r](int) { return !CancelRequested(r); });
    }
    auto lastTick = std::chrono::steady_clock::now();
    for (int64_t page = 0; page < total && loop.failedFrame < 0 && !loop.cancelled; ++page) {
        const int i = static_cast<int>(r.first + page * r.step);
        FrameDecoder& decoder = *decoders[static_cast<std::size_t>(page % jobs)];
        const DecodedFrame* frame = nullptr;
        while (!(loop.cancelled = CancelRequested(r)) &&
               !decoder.Next(std::chrono::milliseconds(100), frame)) {
            if (tick) {
                tick(page, total);
            }
        }
        if (loop.cancelled || (frame == nullptr && (loop.cancelled = CancelRequested(r)))) {
            break;
        }
        uint64_t offset = 0;
        if (frame == nullptr || !frame->failure.empty()) {
            loop = {i, frame == nullptr ? "frame refused" : frame->failure, false};
        } else if (!WritePage(file, decoder, *frame,
                              PageDescription(i, request.firstFrameNo, request.rate), software,
                              offset)) {
            loop = {i, "cannot write the file: " + DescribeWriteFailure(target, file.Error()), false};
        } else if (hash != nullptr && !HashPage(*hash, decoder, *frame, offset)) {
            loop = {i, "cannot read the file back for its hash", false};
        }
        decoder.Release();
        const auto now = std::chrono::steady_clock::now();
        if (tick && now - lastTick >= std::chrono::milliseconds(100)) {
            tick(page + 1, total);
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

// Whether page k of the open stack `fd` holds frame first + k's samples.
bool PagesHold(int fd, int64_t fileSize, const std::vector<StripPlace>& strips,
               const ConvertRequest& r, CVornDoc& doc) {
    FrameDecoder decoder(doc, r.bits, false);
    decoder.Start(r.first, r.last + 1, 1, [&r](int) { return !CancelRequested(r); });
    for (const StripPlace& strip : strips) {
        const DecodedFrame* frame = decoder.Next();
        auto at = static_cast<int64_t>(strip.offset);
        const bool same =
            frame != nullptr && frame->failure.empty() && strip.bytes == decoder.StripBytes() &&
            strip.offset + strip.bytes <= static_cast<uint64_t>(fileSize) &&
            decoder.ForEachPiece(*frame, [&](const uint8_t* data, std::size_t size) {
                const bool piece = FileRangeHolds(fd, at, data, size);
                at += static_cast<int64_t>(size);
                return piece;
            });
        decoder.Release();
        if (!same) {
            return false;
        }
    }
    return true;
}

// Whether every page of the stack at `path` holds the samples this run
// would write there: each frame is decoded again and compared with its
// page's strip, so the proof costs a read instead of a write.
bool StackHolds(const std::string& path, const StackRequest& request, CVornDoc& doc) {
    const ConvertRequest& r = request.convert;
    const std::vector<StripPlace> strips = StackStrips(path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat info {};
    bool same = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                strips.size() == static_cast<std::size_t>(int64_t{r.last} - r.first + 1);
    try {
        if (same) {
            same = PagesHold(fd, info.st_size, strips, r, doc);
        }
    } catch (const std::bad_alloc&) {
        same = false;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return same;
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
    const int64_t total = FrameCount(r);
    const int jobs = static_cast<int>(std::clamp<int64_t>(r.jobs, 1, std::max<int64_t>(total, 1)));
    const std::string target = StackFileName(r.output);
    std::string reason;
    std::vector<std::unique_ptr<CVornDoc>> docs = OpenWorkerDocuments(r.recording, jobs, reason);
    if (docs.empty()) {
        return Failure(r.first, {}, reason);
    }
    const int width = r.crop ? r.crop->width : docs[0]->m_nWidth;
    const int height = r.crop ? r.crop->height : docs[0]->m_nHeight;
    bool rewriting = false;
    if (request.skipExisting) {
        switch (CheckExistingStack(target, request, width, height)) {
        case ExistingFile::Ours:
            if (StackHolds(target, request, *docs[0])) {
                skipped = true;
                return KeepExisting(request, target);
            }
            rewriting = true; // not provably this run's stack: written anew
            break;
        case ExistingFile::Foreign:
            return Failure(r.first, target, "a different file already has this name");
        case ExistingFile::Absent:
            break;
        }
    }
    const int64_t pageBytes = int64_t{width} * height * (r.bits == 16 ? 2 : 1);
    StackFile file;
    if (!file.Open(target, request.bigtiff || StackNeedsBigTiff(total, pageBytes))) {
        return Failure(r.first, target,
                       "cannot write the file: " + DescribeWriteFailure(target, file.Error()));
    }
    std::unique_ptr<StackHash> hash;
    if (request.log != nullptr) {
        hash = std::make_unique<StackHash>(file.HashDescriptor());
    }
    PageLoop loop;
    try {
        loop = WritePages(request, docs, file, hash.get(), tick, target);
    } catch (const std::bad_alloc&) {
        loop = {r.first, "out of memory", false};
    }
    if (loop.failedFrame >= 0) {
        return Failure(loop.failedFrame, target, loop.reason);
    }
    ConvertOutcome outcome;
    if (loop.cancelled) {
        outcome.status = ConvertStatus::Cancelled;
        return outcome; // the temporary file goes with `file`
    }
    if (!file.Close()) {
        return Failure(r.last, target,
                       "cannot write the file: " + DescribeWriteFailure(target, file.Error()));
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
    outcome.rewritten = rewriting ? 1 : 0;
    outcome.bytes = size;
    if (tick) {
        tick(total, total);
    }
    return outcome;
}
