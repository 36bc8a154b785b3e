// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Suggest.h"

#include <algorithm>

int EditDistance(const std::string& a, const std::string& b) {
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    // Three rows: the one before last is needed for the swap.
    std::vector<int> before(m + 1), last(m + 1), row(m + 1);
    for (std::size_t j = 0; j <= m; ++j) {
        last[j] = static_cast<int>(j);
    }
    for (std::size_t i = 1; i <= n; ++i) {
        row[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                row[j] = std::min(row[j], before[j - 2] + 1);
            }
        }
        std::swap(before, last);
        std::swap(last, row);
    }
    return last[m];
}

std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates) {
    const std::size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
    if (letters < 3) {
        return {}; // "-x" is one edit from every short option
    }
    const int allowed = letters >= 6 ? 2 : 1;
    std::string best;
    int bestDistance = allowed + 1;
    for (const std::string& candidate : candidates) {
        const int distance = EditDistance(word, candidate);
        if (distance < bestDistance && candidate != word) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}
