// SPDX-License-Identifier: BSD-3-Clause
// `quorvane-cli info`: what a recording holds, as `key: value` lines or as
// one JSON object with the same keys.
#pragma once

#include "recording/RecordingInfo.h"

#include <optional>
#include <string>

// Beside the stored fields: "trigger-index" (a number, or none; absent from
// the JSON when there is none), and with a rate "rate", "first-time",
// "last-time" and "duration" (seconds as numbers in the JSON).
std::string FormatInfoText(const RecordingInfo& info, std::optional<double> rate = {});
std::string FormatInfoJson(const RecordingInfo& info, std::optional<double> rate = {});

// `bytes` with control bytes, the backslash and, when `asciiOnly`, every byte
// above 0x7f written as \xHH, so the text stays on one printable line.
std::string EscapeBytes(const std::string& bytes, bool asciiOnly);

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(const std::string& text);
