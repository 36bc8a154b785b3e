// SPDX-License-Identifier: BSD-3-Clause
// Close matches for a mistyped command or option name ("--frist" -> "--first").
#pragma once

#include <string>
#include <vector>

// The edit distance of two words, counting a swap of neighbours as one edit.
int EditDistance(const std::string& a, const std::string& b);

// The candidate nearest to `word` when it is near enough to be a typo (one
// edit for short names, two for names of six letters or more, not counting
// leading dashes; none for names under three letters), else empty. Ties go to the first candidate.
std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates);
