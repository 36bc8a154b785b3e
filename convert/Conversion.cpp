// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Conversion.h"

#include "convert/OutputGuard.h"
#include "convert/OutputPath.h"
#include "convert/Stack.h"
#include "recording/CVornDoc.h"
#include "recording/RecordingInfo.h"
#include "recording/TimeBase.h"
#include "recording/VornReader.h"

#include <chrono>
#include <filesystem>
#include <string>

#include <thread>

namespace {

BatchOptions BatchOptionsOf(const ConversionRequest& request) {
    BatchOptions options;
    options.files = request.recordings;
    options.output = request.output;
    options.rangeGiven = request.first.has_value() || request.last.has_value();
    options.stack = request.stack;
    options.bigtiff = request.bigtiff;
    options.skipExisting = request.skipExisting;
    options.manifest = request.manifest;
    options.outputIsFolder = request.outputIsFolder;
    options.timestamps = request.timestamps;
    options.rate = request.rate;
    return options;
}

int JobCount(int asked) {
    if (asked > 0) {
        return asked;
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(cores > 0 ? cores : 1);
}

// Why `path` cannot receive an output file, or empty: a folder, FIFO,
// socket or device there is never replaced.
std::string OutputRefused(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_status there = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::exists(there) || std::filesystem::is_regular_file(there) ||
        std::filesystem::is_symlink(there)) {
        return {};
    }
    return std::filesystem::is_directory(there) ? "a folder has that name" : "not a regular file";
}

// Why the stack cannot be written at its name, found before any frame is
// decoded (the manifest, written last, is refused when it is written).
std::string UnusableStack(const OutputPattern& output, const ConversionRequest& request) {
    return request.stack ? OutputRefused(StackFileName(output)) : std::string();
}

std::string FailureMessage(const std::string& file, const ConvertOutcome& outcome) {
    if (outcome.failedFile.empty()) {
        return "cannot open " + file + ": " + outcome.reason;
    }
    return file + ": frame " + std::to_string(outcome.failedFrame) + " (" + outcome.failedFile +
           "): " + outcome.reason;
}

// Names the request that does not fit and the frames there are.
std::string RangeProblem(int first, int last, int frames) {
    const std::string lastFrame = std::to_string(frames - 1);
    if (frames <= 0) {
        return "the recording holds no frames";
    }
    if (first >= frames) {
        return "--first " + std::to_string(first) + " is after the last frame, " + lastFrame;
    }
    if (last >= frames) {
        return "--last " + std::to_string(last) + " is after the last frame, " + lastFrame;
    }
    return "frames " + std::to_string(first) + " to " + std::to_string(last) +
           " are not all in 0 to " + lastFrame;
}

} // namespace

std::string CorrectionWarning(const VornReader& reader) {
    const CorrectionNote note = reader.correctionNote;
    if (note == CorrectionNote::None || note == CorrectionNote::NoChunk ||
        note == CorrectionNote::NotRequested) {
        return {};
    }
    const std::string why = note == CorrectionNote::UnknownKind
                                ? "unknown correction kind " + std::to_string(reader.fpnpKind)
                                : CorrectionNoteText(note);
    return "fixed-pattern correction not applied: " + why;
}

// The range of one recording: indices as given, numbers and times looked up
// in its own time axis. False with `message` set when a frame lies outside.
bool ResolveFrameRange(const FrameRangeRequest& request, const TimeBase& time,
                       const std::string& file, int& first, int& last, std::string& message) {
    first = request.first.value_or(0);
    last = request.last.value_or(time.Count() - 1);
    const struct {
        const std::string& text;
        const char* option;
        int& index;
    } named[] = {{request.firstFrame, "--first", first}, {request.lastFrame, "--last", last}};
    for (const auto& [text, option, index] : named) {
        std::string error;
        int32_t found = 0;
        if (text.empty()) {
            continue;
        }
        if (!time.ParseFrame(text, found, error)) {
            message = file + ": " + option + " " + text + ": " + error;
            return false;
        }
        index = found;
    }
    if (!request.firstFrame.empty() || !request.lastFrame.empty()) {
        if (first > last) {
            message = file + ": the first frame " + std::to_string(first) +
                      " lies after the last frame " + std::to_string(last);
            return false;
        }
    }
    if (first < 0 || last >= time.Count() || first > last) {
        message = file + ": " + RangeProblem(first, last, time.Count());
        return false;
    }
    return true;
}


std::string CheckConversion(const ConversionRequest& request) {
    if (std::string problem = CheckBatch(BatchOptionsOf(request)); !problem.empty()) {
        return problem;
    }
    if (request.first && request.last && *request.first > *request.last) {
        return "--first " + std::to_string(*request.first) + " lies after --last " +
               std::to_string(*request.last);
    }
    if (request.step < 1) {
        return "--step must be a whole number of at least 1";
    }
    if (request.crop && (request.crop->width < 1 || request.crop->height < 1 ||
                         request.crop->x < 0 || request.crop->y < 0)) {
        return "--crop takes X,Y,W,H with X and Y at least 0 and W and H at least 1";
    }
    if (request.stack && request.skipExisting && (request.step != 1 || request.crop)) {
        return "--skip-existing with --stack does not combine with --step or --crop";
    }
    return CheckOutputsSpareInputs(
        {request.recordings, request.output, request.stack, request.manifest});
}

RecordingReport ConvertOneRecording(const ConversionRequest& request, const std::string& file,
                                    const ConversionHooks& hooks) {
    RecordingReport report;
    report.recording = file;
    int frames = 0;
    int32_t firstNumber = 0;
    int width = 0;
    int height = 0;
    {
        CVornDoc probe;
        if (probe.OnOpenDocument(file.c_str()) == 0) {
            report.status = RecordingStatus::Failed;
            report.outcome.status = ConvertStatus::Failed;
            report.outcome.failedFrame = request.first.value_or(0);
            report.outcome.reason = probe.GetOpenError();
            report.message = FailureMessage(file, report.outcome);
            return report;
        }
        frames = probe.m_nFrameCount;
        width = probe.m_nWidth;
        height = probe.m_nHeight;
        firstNumber = probe.m_pReader->firstFrameNo;
        if (const std::string note = CorrectionWarning(*probe.m_pReader);
            !note.empty() && hooks.warning) {
            hooks.warning(file, note);
        }
    }
    ConvertRequest run;
    run.recording = file;
    run.bits = request.bits;
    const FrameRangeRequest range{request.first, request.last, request.firstFrame,
                                  request.lastFrame};
    const bool inside = ResolveFrameRange(range, TimeBase(firstNumber, frames, request.rate), file,
                                          run.first, run.last, report.message);
    report.first = run.first;
    report.last = run.last;
    if (!inside) {
        report.status = RecordingStatus::Refused;
        return report;
    }
    if (request.crop) {
        if (const std::string problem = CropProblem(*request.crop, width, height);
            !problem.empty()) {
            report.status = RecordingStatus::Refused;
            report.message = file + ": " + problem;
            return report;
        }
    }
    run.step = request.step;
    run.crop = request.crop;
    run.output = ResolveOutputPattern(file, request.output);
    if (const std::string why = UnusableStack(run.output, request); !why.empty()) {
        const std::string target = StackFileName(run.output);
        report.status = RecordingStatus::Failed;
        report.outcome.status = ConvertStatus::Failed;
        report.outcome.failedFrame = run.first;
        report.outcome.failedFile = target;
        report.outcome.reason = why;
        report.message = file + ": cannot write " + target + ": " + why;
        return report;
    }
    run.jobs = JobCount(request.jobs);
    run.cancel = hooks.cancel;

    if (hooks.started) {
        hooks.started(file);
    }
    const auto start = std::chrono::steady_clock::now();
    const RecordingResult result = ConvertRecording(run, BatchOptionsOf(request), hooks.progress);
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    report.outcome = result.outcome;
    report.skipped = result.skipped;
    report.noManifest = result.manifestInterrupted;
    if (result.outcome.status == ConvertStatus::Failed) {
        report.status = RecordingStatus::Failed;
        report.message = FailureMessage(file, result.outcome);
    } else if (!result.manifestError.empty()) {
        report.status = RecordingStatus::Failed;
        report.message = result.manifestError;
        report.manifestOnly = true;
    } else if (result.outcome.status == ConvertStatus::Cancelled) {
        report.status = RecordingStatus::Cancelled;
    }
    return report;
}

ConversionSummary RunConversion(const ConversionRequest& request, const ConversionHooks& hooks) {
    ConversionSummary summary;
    summary.usageError = CheckConversion(request);
    if (!summary.usageError.empty()) {
        return summary;
    }
    if (const std::string note = OutputExtensionWarning(request.output, request.stack);
        !note.empty() && hooks.warning) {
        hooks.warning(request.output, note);
    }
    for (const std::string& file : request.recordings) {
        RecordingReport report = ConvertOneRecording(request, file, hooks);
        // A recording that failed at a frame adds nothing to the totals; one
        // whose manifest failed keeps its files and counts them.
        if (report.outcome.status != ConvertStatus::Failed) {
            summary.files += report.outcome.files;
            summary.bytes += report.outcome.bytes;
            summary.skipped += report.skipped;
            summary.rewritten += report.outcome.rewritten;
        }
        summary.seconds += report.seconds;
        if (hooks.finished) {
            hooks.finished(report);
        }
        const RecordingStatus status = report.status;
        summary.recordings.push_back(std::move(report));
        if (status == RecordingStatus::Refused) {
            summary.refused = true;
            break;
        }
        if (status == RecordingStatus::Cancelled) {
            summary.cancelled = true;
            break;
        }
        if (status == RecordingStatus::Failed) {
            summary.failed.push_back(file);
        }
    }
    return summary;
}
