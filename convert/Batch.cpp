// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Batch.h"

#include "convert/BatchFrames.h"
#include "convert/Manifest.h"
#include "convert/OutputPath.h"
#include "convert/Stack.h"
#include "framework/SplitPath.h"
#include "recording/VornReader.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <optional>

namespace fs = std::filesystem;

std::string CheckBatch(const BatchOptions& options) {
    if (options.bigtiff && !options.stack) {
        return "--bigtiff applies only with --stack";
    }
    if (std::string problem = CheckOutputPath(options.output); !problem.empty()) {
        return problem;
    }
    if (options.files.size() < 2) {
        return {};
    }
    if (options.rangeGiven) {
        return "--first and --last take one recording only";
    }
    std::error_code ec;
    if (options.output.empty() || !fs::is_directory(options.output, ec)) {
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
        std::error_code ec;
        fs::remove(manifestPath, ec);
        hasher.emplace(request.recording);
    }
    const int32_t firstFrameNo =
        options.manifest || options.stack ? FirstFrameNumber(request.recording) : 0;
    if (options.stack) {
        StackRequest stack{request, options.bigtiff, options.skipExisting, firstFrameNo, logged};
        bool skipped = false;
        result.outcome = RunStack(stack, tick, skipped);
        result.skipped = skipped ? int64_t{request.last} - request.first + 1 : 0;
    } else {
        std::atomic<int64_t> skipped{0};
        ConvertRequest run = request;
        if (options.skipExisting || options.manifest) {
            run.writeFrame =
                MakeFrameWriter({request.bits, options.skipExisting, firstFrameNo, logged, &skipped});
        }
        result.outcome = RunConvert(run, tick);
        result.skipped = skipped.load();
    }
    if (options.manifest && result.outcome.status != ConvertStatus::Failed) {
        ManifestRun described{request.recording, request,      options.stack,
                              options.bigtiff,   options.skipExisting, options.output};
        std::string reason;
        if (!WriteManifest(manifestPath, described, *hasher,
                           RemainingFiles(log.Files(), result.outcome.status), reason)) {
            result.manifestError = "cannot write " + manifestPath + ": " + reason;
        }
    }
    return result;
}
