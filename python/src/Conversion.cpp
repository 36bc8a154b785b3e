// SPDX-License-Identifier: BSD-3-Clause
#include "Conversion.h"

#include "cli/Batch.h"
#include "cli/BatchFrames.h"
#include "cli/Stack.h"
#include "framework/SplitPath.h"
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <algorithm>

std::vector<std::string> FrameFileNames(const std::string& recording, const std::string& output,
                                        int32_t first, int32_t last) {
    const OutputPattern pattern = ResolveOutputPattern(recording, output);
    std::vector<std::string> names;
    for (int32_t i = first; i <= last; ++i) {
        names.push_back(FrameFileName(pattern.directory, pattern.baseName, i, pattern.extension));
    }
    return names;
}

namespace {

ConvertRequest MakeRequest(const std::string& recording, const std::string& output, int bits,
                           int32_t first, int32_t last, int jobs) {
    ConvertRequest request;
    request.recording = recording;
    request.output = ResolveOutputPattern(recording, output);
    request.bits = bits;
    request.first = first;
    request.last = last;
    request.jobs = jobs;
    return request;
}

ConvertSummary Summarize(const std::string& recording, const ConvertOutcome& outcome) {
    ConvertSummary summary;
    summary.files = outcome.files;
    summary.failedFrame = outcome.failedFrame;
    summary.failedFile = outcome.failedFile;
    summary.reason = outcome.reason;
    switch (outcome.status) {
    case ConvertStatus::Done:
        summary.status = "done";
        break;
    case ConvertStatus::Cancelled:
        summary.status = "cancelled";
        break;
    case ConvertStatus::Failed:
        summary.status = "failed";
        // The texts quorvane-cli prints after its "quorvane-cli: " prefix.
        summary.message = outcome.failedFile.empty()
                              ? "cannot open " + recording + ": " + outcome.reason
                              : recording + ": frame " + std::to_string(outcome.failedFrame) +
                                    " (" + outcome.failedFile + "): " + outcome.reason;
        break;
    }
    return summary;
}

int32_t FirstFrameNumber(const std::string& recording) {
    VornReader reader;
    return reader.Open(recording.c_str(), 0) != 0 ? reader.firstFrameNo : 0;
}

} // namespace

ConvertSummary ConvertFrames(const std::string& recording, const std::string& output, int bits,
                             int32_t first, int32_t last, int jobs, const ConvertExtras& extras,
                             const std::atomic<bool>* cancel, const ConvertTick& tick) {
    ConvertRequest request = MakeRequest(recording, output, bits, first, last, jobs);
    request.cancel = cancel;
    BatchOptions options;
    options.files = {recording};
    options.output = output;
    options.rangeGiven = true;
    options.stack = extras.stack;
    options.skipExisting = extras.skipExisting;
    options.manifest = extras.manifest;
    const RecordingResult result = ConvertRecording(request, options, tick);
    ConvertSummary summary = Summarize(recording, result.outcome);
    summary.skipped = result.skipped;
    summary.manifestError = result.manifestError;
    return summary;
}

std::string StackName(const std::string& recording, const std::string& output) {
    return StackFileName(ResolveOutputPattern(recording, output));
}

std::string ManifestName(const std::string& recording, const std::string& output) {
    return ManifestPath(ResolveOutputPattern(recording, output));
}

ConvertSummary ConvertHashedPart(const std::string& recording, const std::string& output,
                                 int bits, int32_t first, int32_t last,
                                 std::vector<ManifestFile>& files) {
    ConvertRequest request = MakeRequest(recording, output, bits, first, last, 1);
    ManifestLog log;
    request.writeFrame = MakeFrameWriter({bits, false, FirstFrameNumber(recording), &log, nullptr});
    const ConvertOutcome outcome = RunConvert(request);
    files = log.Files();
    // A failing part removes nothing it wrote before the failure; entries
    // past it belong to no file.
    if (outcome.status == ConvertStatus::Failed) {
        std::erase_if(files,
                      [&](const ManifestFile& file) { return file.frame >= outcome.failedFrame; });
    }
    return Summarize(recording, outcome);
}

std::string WritePartsManifest(const std::string& recording, const std::string& output, int bits,
                               int32_t first, int32_t last, int jobs,
                               const std::vector<ManifestFile>& files) {
    const ConvertRequest request = MakeRequest(recording, output, bits, first, last, jobs);
    const ManifestRun run{recording, request, false, false, false, output};
    const std::string path = ManifestPath(request.output);
    RecordingHasher hasher(recording);
    std::vector<ManifestFile> sorted = files;
    std::sort(sorted.begin(), sorted.end(),
              [](const ManifestFile& a, const ManifestFile& b) { return a.frame < b.frame; });
    std::string reason;
    return WriteManifest(path, run, hasher, sorted, reason) ? std::string()
                                                            : "cannot write " + path + ": " + reason;
}

int32_t ProbeFrameCount(const std::string& path, std::string& message) {
    CVornDoc probe;
    if (probe.OnOpenDocument(path.c_str()) == 0) {
        message = "cannot open " + path + ": " + probe.GetOpenError();
        return 0;
    }
    return probe.m_nFrameCount;
}
