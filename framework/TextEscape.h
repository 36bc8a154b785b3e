// SPDX-License-Identifier: BSD-3-Clause
// Text from outside the program (file names above all) made safe to print: a
// name may hold escape sequences that would drive the user's terminal. Every
// name this program prints goes through PrintableName; JSON carries the real
// name through JsonString.
#pragma once

#include <string>

// `text` with every control character written as "\xNN" (lower-case hex):
// C0 controls, DEL, and the C1 controls U+0080..U+009F in their UTF-8 form
// (each of the two bytes escaped). Everything else is kept as it is, and line
// feeds too when `keepNewlines` (for whole messages of several lines).
std::string PrintableName(const std::string& text, bool keepNewlines = false);

// `text` as a JSON string literal, quotes included (RFC 8259): quotation mark,
// reverse solidus and control characters escaped, valid UTF-8 kept, and each
// byte that is not part of valid UTF-8 replaced by U+FFFD so the result is
// always valid JSON text. DEL and the C1 controls are escaped as well.
std::string JsonString(const std::string& text);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& bytes);

// The bytes as lower-case hex digits, two per byte: a name that is not text,
// stored losslessly.
std::string HexOf(const std::string& bytes);
