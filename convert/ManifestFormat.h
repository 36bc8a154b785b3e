// SPDX-License-Identifier: BSD-3-Clause
// The manifest as `verify` reads it: only what is compared, every value of
// the right type, and every listed file a bare name in the manifest's own
// folder. Names are kept as the bytes the file system uses: a name that is
// not UTF-8 is stored beside its readable form as "name_bytes" (hex).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ManifestEntry {
    std::string name; // the exact bytes; for files a bare name
    int64_t size = 0;
    std::string sha256; // 64 lower-case hex digits
};

struct ManifestContents {
    ManifestEntry recording; // `name` holds its path
    std::vector<ManifestEntry> files;
};

// Parses a manifest's text. False with `problem` set to one line naming what
// is wrong ("not a manifest of quorvane-cli", "entry 3: ...").
bool ParseManifest(const std::string& text, ManifestContents& contents, std::string& problem);

// The bytes of HexOf's text; false when `hex` is not an even number of hex digits.
bool BytesOfHex(const std::string& hex, std::string& bytes);
