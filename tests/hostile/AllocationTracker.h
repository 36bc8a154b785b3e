// SPDX-License-Identifier: BSD-3-Clause
// Replaces the global operator new/delete of the test program to measure
// what a piece of code allocates: the largest single request and the peak of
// live heap bytes since the last Reset. A request above the armed limit is
// not attempted: it is recorded and fails with std::bad_alloc at once, so a
// hostile file that asks for gigabytes costs nothing to test.
#pragma once

#include <cstddef>

namespace alloc_tracker {

struct Stats {
    size_t largest = 0; // largest single request
    size_t peak = 0;    // peak live bytes above the level at Reset
    size_t refused = 0; // largest request refused by the limit, 0 if none
};

// Starts a measurement; requests above `limit` bytes are refused.
void Reset(size_t limit);
Stats Get();
// Lifts the limit (measurement goes on).
void Disarm();

} // namespace alloc_tracker
