// SPDX-License-Identifier: BSD-3-Clause
#include "framework/TextEscape.h"

#include <cstddef>
#include <cstdint>

namespace {

// Length of the valid UTF-8 sequence at text[at], or 0 when the byte there
// does not start one (overlong forms, surrogates and values above U+10FFFF
// are invalid).
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[at + k]); };
    const uint8_t lead = byte(0);
    std::size_t length = 0;
    uint32_t value = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0u) != 0x80u) {
            return 0;
        }
        value = value << 6 | (byte(k) & 0x3Fu);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        return 0;
    }
    return length;
}

bool IsC1Control(const std::string& text, std::size_t at) {
    return at + 1 < text.size() && static_cast<uint8_t>(text[at]) == 0xC2 &&
           static_cast<uint8_t>(text[at + 1]) >= 0x80 && static_cast<uint8_t>(text[at + 1]) <= 0x9F;
}

constexpr char kHex[] = "0123456789abcdef";

// `prefix` and the byte in two lower-case hex digits: "\x1b", "\u001b".
void AppendEscape(std::string& out, const char* prefix, uint8_t byte) {
    out += prefix;
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

} // namespace

std::string PrintableName(const std::string& text, bool keepNewlines) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<uint8_t>(text[at]);
        if (IsC1Control(text, at)) {
            AppendEscape(out, "\\x", byte);
            AppendEscape(out, "\\x", static_cast<uint8_t>(text[++at]));
        } else if ((byte < 0x20 && !(keepNewlines && byte == '\n')) || byte == 0x7F) {
            AppendEscape(out, "\\x", byte);
        } else {
            out += text[at];
        }
    }
    return out;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        const auto byte = static_cast<uint8_t>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscape(out, "\\u00", byte);
        } else if (IsC1Control(text, at)) {
            AppendEscape(out, "\\u00", static_cast<uint8_t>(text[at + 1]));
            ++at;
        } else if (const std::size_t length = Utf8Length(text, at); length == 0) {
            out += "\\ufffd";
        } else {
            out.append(text, at, length);
            at += length;
            continue;
        }
        ++at;
    }
    out += '"';
    return out;
}

bool IsUtf8(const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8Length(bytes, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string HexOf(const std::string& bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}
