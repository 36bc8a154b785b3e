// SPDX-License-Identifier: BSD-3-Clause
#include "Conversion.h"

#include "convert/Conversion.h"
#include "convert/OutputPath.h"

namespace {

const char* StatusText(ConvertStatus status) {
    switch (status) {
    case ConvertStatus::Cancelled:
        return "cancelled";
    case ConvertStatus::Failed:
        return "failed";
    case ConvertStatus::Done:
        break;
    }
    return "done";
}

void CopyOutcome(const ConvertOutcome& outcome, ConvertSummary& summary) {
    summary.status = StatusText(outcome.status);
    summary.files = outcome.files;
    summary.failedFrame = outcome.failedFrame;
    summary.failedFile = outcome.failedFile;
    summary.reason = outcome.reason;
}

} // namespace

ConvertSummary ConvertFrames(const std::string& recording, const std::string& output, int bits,
                             int32_t first, int32_t last, int jobs, const ConvertExtras& extras,
                             const std::atomic<bool>* cancel, const ConvertTick& tick) {
    ConversionRequest request;
    request.recordings = {recording};
    request.output = output;
    request.bits = bits;
    request.first = first;
    request.last = last;
    request.jobs = jobs;
    request.stack = extras.stack;
    request.skipExisting = extras.skipExisting;
    request.manifest = extras.manifest;
    request.rate = extras.rate;
    request.timestamps = extras.timestamps;
    ConvertSummary summary;
    // Refused before anything is written, with the command line's words.
    if (const std::string problem = CheckOutputFolder(output); !problem.empty()) {
        summary.status = "failed";
        summary.message = summary.reason = problem;
        summary.failedFile = output;
        return summary;
    }
    if (std::string problem = CheckConversion(request); !problem.empty()) {
        summary.status = "refused";
        summary.message = std::move(problem);
        return summary;
    }
    ConversionHooks hooks;
    hooks.cancel = cancel;
    hooks.progress = tick;
    const RecordingReport report = ConvertOneRecording(request, recording, hooks);

    CopyOutcome(report.outcome, summary);
    summary.skipped = report.skipped;
    if (report.manifestOnly) {
        summary.manifestError = report.message;
    } else if (report.status == RecordingStatus::Failed ||
               report.status == RecordingStatus::Refused) {
        summary.status = "failed";
        summary.message = report.message;
        if (report.outcome.status != ConvertStatus::Failed) {
            summary.reason = report.message; // the range no longer fits the recording
        }
    }
    return summary;
}

ConvertSummary ConvertOnePart(const std::string& recording, const std::string& output, int bits,
                           int32_t first, int32_t last, std::vector<ManifestFile>& files) {
    const ConvertOutcome outcome = ConvertHashedPart(recording, output, bits, first, last, files);
    ConvertSummary summary;
    CopyOutcome(outcome, summary);
    if (outcome.status == ConvertStatus::Failed) {
        summary.message = outcome.failedFile.empty()
                              ? "cannot open " + recording + ": " + outcome.reason
                              : recording + ": frame " + std::to_string(outcome.failedFrame) +
                                    " (" + outcome.failedFile + "): " + outcome.reason;
    }
    return summary;
}
