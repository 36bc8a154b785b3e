// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Parts.h"

#include "convert/Stack.h"
#include "framework/SplitPath.h"
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <algorithm>

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

int32_t FirstFrameNumber(const std::string& recording) {
    VornReader reader;
    return reader.Open(recording.c_str(), 0) != 0 ? reader.firstFrameNo : 0;
}

} // namespace

std::vector<std::string> FrameFileNames(const std::string& recording, const std::string& output,
                                        int32_t first, int32_t last) {
    const OutputPattern pattern = ResolveOutputPattern(recording, output);
    std::vector<std::string> names;
    for (int32_t i = first; i <= last; ++i) {
        names.push_back(FrameFileName(pattern.directory, pattern.baseName, i, pattern.extension));
    }
    return names;
}

std::string StackName(const std::string& recording, const std::string& output) {
    return StackFileName(ResolveOutputPattern(recording, output));
}

std::string ManifestName(const std::string& recording, const std::string& output) {
    return ManifestPath(ResolveOutputPattern(recording, output));
}

ConvertOutcome ConvertHashedPart(const std::string& recording, const std::string& output,
                                 int bits, int32_t first, int32_t last,
                                 std::vector<ManifestFile>& files) {
    ConvertRequest request = MakeRequest(recording, output, bits, first, last, 1);
    ManifestLog log;
    request.log = &log;
    request.firstFrameNo = FirstFrameNumber(recording);
    const ConvertOutcome outcome = RunConvert(request);
    files = log.Files();
    // A failing part removes nothing it wrote before the failure; entries
    // past it belong to no file.
    if (outcome.status == ConvertStatus::Failed) {
        std::erase_if(files,
                      [&](const ManifestFile& file) { return file.frame >= outcome.failedFrame; });
    }
    return outcome;
}

std::string WritePartsManifest(const std::string& recording, const std::string& output, int bits,
                               int32_t first, int32_t last, int jobs,
                               const std::vector<ManifestFile>& files) {
    const ConvertRequest request = MakeRequest(recording, output, bits, first, last, jobs);
    const ManifestRun run{recording, request, false, false, false, output, std::nullopt};
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
