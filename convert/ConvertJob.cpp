// SPDX-License-Identifier: BSD-3-Clause
#include "convert/ConvertJob.h"
#include "convert/BatchFrames.h"
#include "convert/FrameDecoder.h"
#include "convert/Temporaries.h"

#include "framework/Document.h"
#include "framework/SplitPath.h"
#include "recording/CVornDoc.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <sys/stat.h>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define QUORVANE_ACCESS _access
#define QUORVANE_W_OK 2
#else
#include <unistd.h>
#define QUORVANE_ACCESS access
#define QUORVANE_W_OK W_OK
#endif

namespace fs = std::filesystem;

namespace {

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && IsPathSeparator(path.back());
}

struct WrittenFile {
    int index;
    std::string name;
    int64_t bytes;
    FrameResult result;
    bool existed = false; // something had the name before: never removed
};

// State shared by the workers of one run.
class RunState {
public:
    explicit RunState(int workers) : m_workers(workers) {}

    // Lowest failing frame so far; INT_MAX while none failed.
    int FirstFailure() const { return m_firstFailure.load(); }

    void Fail(int index, std::string file, std::string reason) {
        std::lock_guard lock(m_mutex);
        if (index < m_firstFailure.load()) {
            m_firstFailure.store(index);
            m_failedFile = std::move(file);
            m_reason = std::move(reason);
        }
    }

    void FrameDone() { m_done.fetch_add(1); }
    void Cancelled() { m_cancelled.store(true); }

    void WorkerFinished() {
        {
            std::lock_guard lock(m_mutex);
            ++m_finished;
        }
        m_wake.notify_all();
    }

    // Waits for every worker, ticking about ten times a second meanwhile.
    void WaitAll(const ConvertTick& tick, int64_t total) {
        std::unique_lock lock(m_mutex);
        while (m_finished < m_workers) {
            m_wake.wait_for(lock, std::chrono::milliseconds(100));
            if (tick) {
                lock.unlock();
                tick(m_done.load(), total);
                lock.lock();
            }
        }
    }

    bool WasCancelled() const { return m_cancelled.load(); }
    std::string FailedFile() const { return m_failedFile; }
    std::string Reason() const { return m_reason; }

private:
    const int m_workers;
    std::atomic<int> m_firstFailure{INT_MAX};
    std::atomic<int64_t> m_done{0};
    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_finished = 0;
    std::string m_failedFile;
    std::string m_reason;
};

std::string RenderFailureText(const CVornDoc& doc, const std::string& file) {
    switch (doc.GetRenderError()) {
    case RenderError::ShortFrame:
        return "frame could not be read whole";
    case RenderError::SaveFailed:
        return "cannot write the file: " + DescribeWriteFailure(file, doc.GetSaveErrno());
    case RenderError::Refused:
    case RenderError::None:
        break;
    }
    return "frame refused";
}

bool Cancelled(const ConvertRequest& request) {
    return request.cancel != nullptr && request.cancel->load();
}

// Whether anything has the name now (a link counts, unfollowed).
bool NameTaken(const std::string& name) {
    struct stat info {};
    return ::lstat(name.c_str(), &info) == 0;
}

// The write stage of one job: frames [begin, end) with its own document,
// read and decoded ahead by the job's read stage. Stops when cancelled or
// when a lower frame has failed, and so does the read stage.
void WriteShare(const ConvertRequest& request, FrameDecoder& decoder, int begin, int end,
                RunState& state, std::vector<WrittenFile>& written) {
    const OutputPattern& out = request.output;
    decoder.Start(begin, end, request.step,
                  [&](int i) { return !Cancelled(request) && i <= state.FirstFailure(); });
    for (int i = begin; i < end; i += request.step) {
        const DecodedFrame* frame = decoder.Next();
        if (Cancelled(request)) {
            state.Cancelled();
            return;
        }
        if (frame == nullptr || i > state.FirstFailure()) {
            return;
        }
        std::string name = FrameFileName(out.directory, out.baseName, i, out.extension);
        std::string reason;
        // The first share never writes past where the run stops.
        const bool existed = begin > request.first && NameTaken(name);
        const FrameResult result = WriteFrameFile(request, decoder, *frame, name, reason);
        decoder.Release();
        if (result == FrameResult::Failed) {
            state.Fail(i, name, reason);
            return;
        }
        const int64_t bytes =
            result == FrameResult::Kept
                ? 0
                : static_cast<int64_t>(decoder.Header().size() + decoder.StripBytes());
        written.push_back({i, std::move(name), bytes, result, existed});
        state.FrameDone();
    }
}

void ConvertShare(const ConvertRequest& request, CVornDoc& doc, int begin, int end,
                  RunState& state, std::vector<WrittenFile>& written) {
    try {
        FrameDecoder decoder(doc, request.bits, request.log != nullptr);
        if (request.crop) {
            decoder.SetCrop(*request.crop);
        }
        decoder.SetPieceBytes(WritePieceBytes(request.output.directory, decoder.StripBytes()));
        WriteShare(request, decoder, begin, end, state, written);
    } catch (const std::bad_alloc&) {
        // An exception must not leave a worker thread: it would end the process.
        const int at = begin + static_cast<int>(written.size()) * request.step;
        const OutputPattern& out = request.output;
        state.Fail(at, FrameFileName(out.directory, out.baseName, at, out.extension),
                   "out of memory");
    }
}

// Opens one document per worker before any worker starts, so every worker
// reads the same file and a recording that vanishes or changes while the run
// starts fails before anything is written. Empty result: `reason` says why.
std::vector<std::unique_ptr<CVornDoc>> OpenDocuments(const std::string& path, int count,
                                                     std::string& reason) {
    std::vector<std::unique_ptr<CVornDoc>> docs;
    try {
        for (int w = 0; w < count; ++w) {
            auto doc = std::make_unique<CVornDoc>();
            if (doc->OnOpenDocument(path.c_str()) == 0) {
                reason = doc->GetOpenError();
                return {};
            }
            docs.push_back(std::move(doc));
        }
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        return {};
    }
    return docs;
}

// The first frame index of first, first + step, ... that was not written,
// and at most `failed`.
int ContiguousEnd(const std::vector<std::vector<WrittenFile>>& written, int first, int step,
                  int failed) {
    std::vector<int> indices;
    for (const auto& share : written) {
        for (const WrittenFile& file : share) {
            indices.push_back(file.index);
        }
    }
    std::sort(indices.begin(), indices.end());
    int end = first;
    for (const int index : indices) {
        if (index != end || index >= failed) {
            break;
        }
        end += step;
    }
    return end;
}

} // namespace

std::string DescribeRenderFailure(const CVornDoc& doc, const std::string& file) {
    return RenderFailureText(doc, file);
}

OutputPattern ResolveOutputPattern(const std::string& recordingPath, const std::string& output) {
    const std::string defaultBase = OutputBaseName(recordingPath);
    std::string path = output;
    std::error_code ec;
    if (path.empty()) {
        path = defaultBase + ".tif";
    } else if (EndsWithSeparator(path) || fs::is_directory(path, ec)) {
        path += (EndsWithSeparator(path) ? "" : "/") + defaultBase + ".tif";
    }
    OutputPattern pattern;
    SplitPath(path, &pattern.directory, &pattern.baseName, &pattern.extension);
    if (pattern.extension.empty()) {
        pattern.extension = "tif";
    }
    return pattern;
}

std::string DescribeWriteFailure(const std::string& path, int error) {
    std::error_code ec;
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (!fs::exists(folder, ec)) {
        return "folder " + folder.string() + " does not exist";
    }
    if (!fs::is_directory(folder, ec)) {
        return folder.string() + " is not a folder";
    }
    if (QUORVANE_ACCESS(folder.string().c_str(), QUORVANE_W_OK) != 0) {
        return std::error_code(errno, std::generic_category()).message();
    }
    // A link at the name is replaced, so only what sits there itself counts.
    const fs::file_status target = fs::symlink_status(path, ec);
    if (fs::is_directory(target)) {
        return "a folder has that name";
    }
    if (fs::exists(target) && !fs::is_regular_file(target) && !fs::is_symlink(target)) {
        return "not a regular file";
    }
    // The folder is fine, so the system's own reason stands.
    if (error == ENOENT) {
        return "its temporary file was removed while it was written";
    }
    if (error != 0) {
        return std::error_code(error, std::generic_category()).message();
    }
    return "write failed";
}

ConvertOutcome RunConvert(const ConvertRequest& request, const ConvertTick& tick) {
    const int64_t total = FrameCount(request);
    const int jobs =
        static_cast<int>(std::clamp<int64_t>(request.jobs, 1, std::max<int64_t>(total, 1)));

    ConvertOutcome outcome;
    std::string openError;
    const std::vector<std::unique_ptr<CVornDoc>> docs =
        OpenDocuments(request.recording, jobs, openError);
    if (docs.empty()) {
        outcome.status = ConvertStatus::Failed;
        outcome.failedFrame = static_cast<int>(request.first);
        outcome.reason = openError;
        return outcome;
    }

    // Hidden temporaries that a killed earlier run left under these names.
    RemoveStaleTemporaries(request.output, request.first, request.last);

    RunState state(jobs);
    std::vector<std::vector<WrittenFile>> written(static_cast<std::size_t>(jobs));
    {
        std::vector<std::jthread> workers;
        workers.reserve(static_cast<std::size_t>(jobs));
        for (int w = 0; w < jobs; ++w) {
            // Contiguous shares, so every worker reads its frames in order.
            const int64_t step = request.step;
            const int begin = static_cast<int>(request.first + total * w / jobs * step);
            const int end = static_cast<int>(std::min<int64_t>(
                request.first + total * (w + 1) / jobs * step, int64_t{request.last} + 1));
            try {
                workers.emplace_back([&, begin, end, w] {
                    ConvertShare(request, *docs[static_cast<std::size_t>(w)], begin, end, state,
                                 written[static_cast<std::size_t>(w)]);
                    state.WorkerFinished();
                });
            } catch (const std::system_error& e) {
                // No thread (address space or thread limit): this share fails at
                // its first frame, so the outcome is what one job failing there
                // would leave.
                const OutputPattern& out = request.output;
                state.Fail(begin, FrameFileName(out.directory, out.baseName, begin, out.extension),
                           std::string("cannot start a worker: ") + e.what());
                state.WorkerFinished();
            }
        }
        state.WaitAll(tick, total);
    }

    const int failed = state.FirstFailure();
    // Whatever stopped the run, it leaves the frames from the first one up to
    // the first frame not written, as one job would: later files that other
    // workers wrote ahead are removed.
    const int kept = ContiguousEnd(written, request.first, request.step, failed);
    outcome.completeEnd = kept;
    for (const auto& share : written) {
        for (const WrittenFile& file : share) {
            if (file.result == FrameResult::Kept) {
                ++outcome.kept; // not this run's file: never removed, not counted as written
                continue;
            }
            if (file.index >= kept) {
                // Frames that other workers wrote ahead go again, unless the
                // name was taken before this run: one job would not have
                // touched that file, so it is not this run's to remove.
                std::error_code ec;
                if (!file.existed) {
                    fs::remove(file.name, ec);
                }
                continue;
            }
            ++outcome.files;
            outcome.rewritten += file.result == FrameResult::Rewritten ? 1 : 0;
            outcome.bytes += file.bytes;
        }
    }
    if (failed != INT_MAX) {
        outcome.status = ConvertStatus::Failed;
        outcome.failedFrame = failed;
        outcome.failedFile = state.FailedFile();
        outcome.reason = state.Reason();
    } else if (state.WasCancelled()) {
        outcome.status = ConvertStatus::Cancelled;
    }
    if (tick) {
        tick(outcome.files, total);
    }
    return outcome;
}
