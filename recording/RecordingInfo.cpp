// SPDX-License-Identifier: BSD-3-Clause
#include "recording/RecordingInfo.h"

#include "framework/Document.h"
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <algorithm>
#include <string>
#include <utility>

std::string CorrectionNotApplied(const VornReader& reader) {
    if (reader.correctionKind == 3 || reader.correctionKind == 6) {
        return {};
    }
    const CorrectionNote note = reader.correctionNote;
    if (note == CorrectionNote::UnknownKind ||
        (note == CorrectionNote::None && reader.correctionKind != 0)) {
        return "unknown correction kind " + std::to_string(reader.fpnpKind);
    }
    if (note != CorrectionNote::None && note != CorrectionNote::NoChunk) {
        return CorrectionNoteText(note);
    }
    return {};
}

namespace {

std::string CorrectionText(const VornReader& reader) {
    switch (reader.correctionKind) {
    case 3:
        return "offset";
    case 6:
        return "offset-gain";
    default:
        break;
    }
    const std::string why = CorrectionNotApplied(reader);
    return why.empty() ? "none" : "none (" + why + ")";
}

// The camera model tag, which the reader compares but does not keep.
std::string ModelTag(VornReader& reader) {
    char tag[4] = {};
    if (!reader.file.Seek(int64_t{reader.genpPos} + 80) || reader.file.Read(tag, 4) != 4) {
        return {};
    }
    reader.currentFrame = -2; // the position moved; a frame read would seek again
    return std::string(tag, 4);
}

int32_t CompleteFrames(const VornReader& reader) {
    const int64_t size = reader.file.Size();
    if (size <= reader.framPos || reader.frameBytes <= 0) {
        return 0;
    }
    const int64_t whole = (size - reader.framPos) / reader.frameBytes;
    return static_cast<int32_t>(std::min<int64_t>(whole, reader.frameCount));
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool ReadRecordingInfo(const std::string& path, RecordingInfo& info, std::string& error) {
    // The document's standard open words a missing or unreadable file the
    // way convert does.
    CDocument probe;
    if (probe.OnOpenDocument(path.c_str()) == 0) {
        error = probe.GetOpenError();
        return false;
    }
    VornReader reader;
    if (reader.Open(path.c_str(), 1) == 0) {
        error = VornErrorText(reader.error);
        return false;
    }
    // Whatever convert refuses at open, info refuses with the same reason.
    if (std::string why = CVornDoc::CheckRecording(reader); !why.empty()) {
        error = std::move(why);
        return false;
    }
    info.width = reader.width;
    info.height = reader.height;
    info.frames = reader.GetFrameCount();
    info.frameBytes = reader.frameBytes;
    info.quadrants = reader.pixelLayout == 1;
    info.littleEndian = reader.littleEndian != 0;
    info.correction = CorrectionText(reader);
    info.name = BaseName(path);
    info.model = ModelTag(reader);
    info.firstFrameNumber = reader.firstFrameNo;
    info.lastFrameNumber = reader.lastFrameNo;
    info.calibration = reader.calibValue;
    info.completeFrames = CompleteFrames(reader);
    return true;
}

int32_t CompleteFrameCount(const VornReader& reader) {
    return CompleteFrames(reader);
}
