// SPDX-License-Identifier: BSD-3-Clause
// Re-checks what a `--manifest` run wrote: the recording and every file the
// manifest lists, by size and SHA-256.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct VerifyProblem {
    std::string path; // the file (or the manifest itself)
    std::string what; // "missing", "changed", "not a manifest of quorvane-cli", ...
};

struct ManifestVerdict {
    std::vector<VerifyProblem> problems; // empty: everything matches
    std::size_t files = 0;              // files the manifest lists
};

ManifestVerdict VerifyManifest(const std::string& manifest);
