// SPDX-License-Identifier: BSD-3-Clause
#include "convert/RecordingDescription.h"

#include "framework/TextEscape.h"
#include "recording/TimeBase.h"

#include <cstdio>
#include <string>

std::string EscapeBytes(const std::string& bytes, bool asciiOnly) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || (asciiOnly && byte > 0x7f) || c == '\\') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(byte));
            text += escape;
        } else {
            text += c;
        }
    }
    return text;
}

std::string FormatInfoText(const RecordingInfo& info, std::optional<double> rate) {
    std::string text;
    text += "width: " + std::to_string(info.width) + "\n";
    text += "height: " + std::to_string(info.height) + "\n";
    text += "frames: " + std::to_string(info.frames) + "\n";
    text += "frame-bytes: " + std::to_string(info.frameBytes) + "\n";
    text += std::string("layout: ") + (info.quadrants ? "quadrants" : "lanes") + "\n";
    text += std::string("byte-order: ") + (info.littleEndian ? "little" : "big") + "\n";
    text += "correction: " + info.correction + "\n";
    text += "name: " + PrintableName(info.name) + "\n";
    text += "model: " + EscapeBytes(info.model, true) + "\n";
    text += "first-frame-number: " + std::to_string(info.firstFrameNumber) + "\n";
    text += "last-frame-number: " + std::to_string(info.lastFrameNumber) + "\n";
    text += "calibration: " + std::to_string(info.calibration) + "\n";
    text += "complete-frames: " + std::to_string(info.completeFrames) + "\n";
    const TimeBase time(info.firstFrameNumber, info.frames, rate);
    const auto trigger = time.TriggerIndex();
    text += "trigger-index: " + (trigger ? std::to_string(*trigger) : std::string("none")) + "\n";
    if (time.Rate()) {
        text += "rate: " + FormatRate(*time.Rate()) + "\n";
        text += "first-time: " + FormatTime(*time.TimeOf(0)) + "\n";
        text += "last-time: " + FormatTime(*time.TimeOf(info.frames - 1)) + "\n";
        text += "duration: " + FormatTime(*time.Duration()) + "\n";
    }
    return text;
}

std::string FormatInfoJson(const RecordingInfo& info, std::optional<double> rate) {
    std::string json = "{";
    json += "\"width\": " + std::to_string(info.width);
    json += ", \"height\": " + std::to_string(info.height);
    json += ", \"frames\": " + std::to_string(info.frames);
    json += ", \"frame-bytes\": " + std::to_string(info.frameBytes);
    json += ", \"layout\": " + JsonQuote(info.quadrants ? "quadrants" : "lanes");
    json += ", \"byte-order\": " + JsonQuote(info.littleEndian ? "little" : "big");
    json += ", \"correction\": " + JsonQuote(info.correction);
    json += ", \"name\": " + JsonString(info.name);
    if (!IsUtf8(info.name)) {
        json += ", \"name_bytes\": " + JsonString(HexOf(info.name));
    }
    json += ", \"model\": " + JsonQuote(EscapeBytes(info.model, true));
    json += ", \"first-frame-number\": " + std::to_string(info.firstFrameNumber);
    json += ", \"last-frame-number\": " + std::to_string(info.lastFrameNumber);
    json += ", \"calibration\": " + std::to_string(info.calibration);
    json += ", \"complete-frames\": " + std::to_string(info.completeFrames);
    const TimeBase time(info.firstFrameNumber, info.frames, rate);
    if (const auto trigger = time.TriggerIndex()) {
        json += ", \"trigger-index\": " + std::to_string(*trigger);
    }
    if (time.Rate()) {
        json += ", \"rate\": " + FormatRate(*time.Rate());
        json += ", \"first-time\": " + SecondsText(*time.TimeOf(0));
        json += ", \"last-time\": " + SecondsText(*time.TimeOf(info.frames - 1));
        json += ", \"duration\": " + SecondsText(*time.Duration());
    }
    json += "}\n";
    return json;
}

std::string JsonQuote(const std::string& text) {
    return JsonString(text);
}
