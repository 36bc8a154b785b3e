// SPDX-License-Identifier: BSD-3-Clause
// Fuzz target: a manifest's text as `verify` reads it. Whatever is accepted
// names only bare files in the manifest's folder, with sizes and digests of
// the right form; names stored as hex come back byte for byte.
// Input: the manifest text.
#include "convert/ManifestFormat.h"
#include "framework/TextEscape.h"
#include "fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>

namespace {

bool IsDigest(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ManifestContents contents;
    std::string problem;
    if (!ParseManifest(text, contents, problem)) {
        FUZZ_CHECK(!problem.empty());
        return 0;
    }
    FUZZ_CHECK(!contents.recording.name.empty());
    FUZZ_CHECK(contents.recording.name.find('\0') == std::string::npos);
    FUZZ_CHECK(contents.recording.size >= 0 && IsDigest(contents.recording.sha256));
    for (const ManifestEntry& file : contents.files) {
        FUZZ_CHECK(!file.name.empty() && file.name != "." && file.name != "..");
        FUZZ_CHECK(file.name.find('/') == std::string::npos);
        FUZZ_CHECK(file.name.find('\0') == std::string::npos);
        FUZZ_CHECK(file.size >= 0 && IsDigest(file.sha256));
        std::string back;
        FUZZ_CHECK(BytesOfHex(HexOf(file.name), back) && back == file.name);
    }
    return 0;
}
