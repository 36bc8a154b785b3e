#include "Conversion.h"

#include "framework/SplitPath.h"
#include "recording/CVornDoc.h"

std::vector<std::string> FrameFileNames(const std::string& recording, const std::string& output,
                                        int32_t first, int32_t last) {
    const OutputPattern pattern = ResolveOutputPattern(recording, output);
    std::vector<std::string> names;
    for (int32_t i = first; i <= last; ++i) {
        names.push_back(FrameFileName(pattern.directory, pattern.baseName, i, pattern.extension));
    }
    return names;
}

ConvertSummary ConvertFrames(const std::string& recording, const std::string& output, int bits,
                             int32_t first, int32_t last, int jobs,
                             const std::atomic<bool>* cancel, const ConvertTick& tick) {
    ConvertRequest request;
    request.recording = recording;
    request.output = ResolveOutputPattern(recording, output);
    request.bits = bits;
    request.first = first;
    request.last = last;
    request.jobs = jobs;
    request.cancel = cancel;
    const ConvertOutcome outcome = RunConvert(request, tick);

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

int32_t ProbeFrameCount(const std::string& path, std::string& message) {
    CVornDoc probe;
    if (probe.OnOpenDocument(path.c_str()) == 0) {
        message = "cannot open " + path + ": " + probe.GetOpenError();
        return 0;
    }
    return probe.m_nFrameCount;
}
