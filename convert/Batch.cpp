// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Batch.h"

#include "convert/BatchFrames.h"
#include "convert/Manifest.h"
#include "convert/OutputPath.h"
#include "convert/Stack.h"
#include "convert/Timestamps.h"
#include "framework/SplitPath.h"
#include "recording/VornReader.h"

#include <filesystem>
#include <map>
#include <optional>

namespace fs = std::filesystem;

std::string CheckBatch(const BatchOptions& options) {
    if (options.bigtiff && !options.stack) {
        return "--bigtiff applies only with --stack";
    }
    // A folder vouched for by the caller may exist only where the tasks run.
    if (std::string problem = options.outputIsFolder ? std::string() : CheckOutputPath(options.output);
        !problem.empty()) {
        return problem;
    }
    if (options.files.size() < 2) {
        return {};
    }
    if (options.rangeGiven) {
        return "--first and --last as indices take one recording only; a number (#0) or a time "
               "is looked up in each";
    }
    std::error_code ec;
    if (options.output.empty() ||
        (!options.outputIsFolder && !fs::is_directory(options.output, ec))) {
        return "with several recordings -o must name an existing folder";
    }
    std::map<std::string, std::string> names;
    for (const std::string& file : options.files) {
        const OutputPattern pattern = ResolveOutputPattern(file, options.output);
        const auto [it, added] = names.emplace(pattern.baseName, file);
        if (!added) {
            return it->second + " and " + file + " would both write " + pattern.baseName + "_*." +
                   pattern.extension;
        }
    }
    return {};
}

namespace {

int32_t FirstFrameNumber(const std::string& recording) {
    VornReader reader;
    return reader.Open(recording.c_str(), 0) != 0 ? reader.firstFrameNo : 0;
}

// The files an interrupted run left complete; a finished run keeps them all.
std::vector<ManifestFile> RemainingFiles(std::vector<ManifestFile> files, ConvertStatus status) {
    if (status != ConvertStatus::Cancelled) {
        return files;
    }
    std::erase_if(files, [](const ManifestFile& file) {
        std::error_code ec;
        const auto size = fs::file_size(file.path, ec);
        return ec || static_cast<int64_t>(size) != file.size;
    });
    return files;
}

} // namespace

RecordingResult ConvertRecording(const ConvertRequest& request, const BatchOptions& options,
                                 const ConvertTick& tick) {
    RecordingResult result;
    ManifestLog log;
    ManifestLog* const logged = options.manifest ? &log : nullptr;
    std::optional<RecordingHasher> hasher;
    const std::string manifestPath = ManifestPath(request.output);
    if (options.manifest) {
        // A manifest stands for a finished run: an earlier one goes first.
        // Only a file (or a link at the name) is one; anything else there was
        // refused before the run started.
        std::error_code ec;
        const fs::file_status there = fs::symlink_status(manifestPath, ec);
        if (fs::is_regular_file(there) || fs::is_symlink(there)) {
            fs::remove(manifestPath, ec);
        }
        hasher.emplace(request.recording, request.cancel);
    }
    const std::string timestampsPath = TimestampsPath(request.output);
    if (options.timestamps) {
        // Like the manifest, the table stands for a finished run only.
        std::error_code ec;
        fs::remove(timestampsPath, ec);
    }
    const int32_t firstFrameNo = options.manifest || options.stack || options.timestamps
                                     ? FirstFrameNumber(request.recording)
                                     : 0;
    if (options.stack) {
        StackRequest stack{request, options.bigtiff, options.skipExisting, firstFrameNo, logged,
                           options.rate};
        bool skipped = false;
        result.outcome = RunStack(stack, tick, skipped);
        result.skipped = skipped ? int64_t{request.last} - request.first + 1 : 0;
    } else {
        ConvertRequest run = request;
        run.skipExisting = options.skipExisting;
        run.log = logged;
        run.firstFrameNo = firstFrameNo;
        result.outcome = RunConvert(run, tick);
        result.skipped = result.outcome.kept;
    }
    if (options.timestamps && result.outcome.status == ConvertStatus::Done) {
        const TimeBase time(firstFrameNo, request.last + 1, options.rate);
        std::string reason;
        if (!WriteTimestamps(timestampsPath, time, request.first, request.last, request.output,
                             options.stack, reason, request.step)) {
            result.manifestError = "cannot write " + timestampsPath + ": " + reason;
            return result;
        }
    }
    if (options.manifest && result.outcome.status != ConvertStatus::Failed) {
        ManifestRun described{request.recording, request,      options.stack,
                              options.bigtiff,   options.skipExisting, options.output,
                              options.rate};
        described.step = request.step;
        described.crop = request.crop ? CropText(*request.crop) : std::string();
        std::string reason;
        if (!WriteManifest(manifestPath, described, *hasher,
                           RemainingFiles(log.Files(), result.outcome.status), reason)) {
            if (request.cancel != nullptr && request.cancel->load()) {
                // Interrupted while the recording was hashed: the run ends as
                // interrupted, without a manifest.
                result.outcome.status = ConvertStatus::Cancelled;
                result.manifestInterrupted = true;
            } else {
                result.manifestError = "cannot write " + manifestPath + ": " + reason;
            }
        }
    }
    return result;
}
