// SPDX-License-Identifier: BSD-3-Clause
// `quorvane-cli info`: what a recording holds, as `key: value` lines or as
// one JSON object with the same keys.
#pragma once

#include "recording/RecordingInfo.h"

#include <string>

std::string FormatInfoText(const RecordingInfo& info);
std::string FormatInfoJson(const RecordingInfo& info);

// `bytes` with control bytes, the backslash and, when `asciiOnly`, every byte
// above 0x7f written as \xHH, so the text stays on one printable line.
std::string EscapeBytes(const std::string& bytes, bool asciiOnly);

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(const std::string& text);
