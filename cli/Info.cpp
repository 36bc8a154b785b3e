#include "cli/Info.h"

#include "framework/Document.h"
#include "recording/VornReader.h"

#include <cstdio>
#include <string>

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
    info.width = reader.width;
    info.height = reader.height;
    info.frames = reader.GetFrameCount();
    info.frameBytes = reader.frameBytes;
    info.quadrants = reader.pixelLayout == 1;
    info.littleEndian = reader.littleEndian != 0;
    info.correction = CorrectionText(reader);
    return true;
}

std::string FormatInfoText(const RecordingInfo& info) {
    std::string text;
    text += "width: " + std::to_string(info.width) + "\n";
    text += "height: " + std::to_string(info.height) + "\n";
    text += "frames: " + std::to_string(info.frames) + "\n";
    text += "frame-bytes: " + std::to_string(info.frameBytes) + "\n";
    text += std::string("layout: ") + (info.quadrants ? "quadrants" : "lanes") + "\n";
    text += std::string("byte-order: ") + (info.littleEndian ? "little" : "big") + "\n";
    text += "correction: " + info.correction + "\n";
    return text;
}

std::string FormatInfoJson(const RecordingInfo& info) {
    std::string json = "{";
    json += "\"width\": " + std::to_string(info.width);
    json += ", \"height\": " + std::to_string(info.height);
    json += ", \"frames\": " + std::to_string(info.frames);
    json += ", \"frame-bytes\": " + std::to_string(info.frameBytes);
    json += ", \"layout\": " + JsonQuote(info.quadrants ? "quadrants" : "lanes");
    json += ", \"byte-order\": " + JsonQuote(info.littleEndian ? "little" : "big");
    json += ", \"correction\": " + JsonQuote(info.correction);
    json += "}\n";
    return json;
}

std::string JsonQuote(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(byte));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}
