// SPDX-License-Identifier: BSD-3-Clause
// `quorvane-cli verify MANIFEST...`: re-reads the recording and every file a
// manifest lists and compares sizes and SHA-256 hashes.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// 0 when everything matches (one line per manifest on `out`); 1 otherwise,
// with one line on `err` per missing or changed file or unreadable manifest.
int RunVerify(const std::vector<std::string>& manifests, std::FILE* out, std::FILE* err);
