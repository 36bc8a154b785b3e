// SPDX-License-Identifier: BSD-3-Clause
// A generated set of damaged and malicious recordings: every header field,
// directory entry and chunk field pushed to its extremes, built from sound
// recordings with the writer and raw byte pokes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct HostileCase {
    std::string group; // header, directory, geometry, frames, correction, maps, truncation
    std::string name;  // unique, e.g. "fszp-width=-1/k3"
    std::vector<uint8_t> bytes;
};

std::vector<HostileCase> MakeHostileCases();

// The groups, in the order MakeHostileCases produces them.
std::vector<std::string> HostileGroups();
