// SPDX-License-Identifier: BSD-3-Clause
// Reads stored frames one step ahead on a thread of its own: while the
// caller decodes one frame, the next is read into the other of two slots, so
// reading the file and decoding overlap on two cores. At most two frames are
// in flight, so memory stays flat over any number of frames.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

struct FetchSlot {
    std::unique_ptr<uint8_t[]> bytes; // kept from frame to frame
    int32_t result = 0;               // what the fetch returned
    int64_t begin = 0;                // the samples the bytes hold
    int64_t end = 0;
};

class FetchAhead {
public:
    // Calls fetch(n, slot) for n = 0..count-1 in order on its own thread; a
    // fetch returning false is the last one.
    using Fetch = std::function<bool(int64_t n, FetchSlot& slot)>;
    FetchAhead(int64_t count, Fetch fetch);
    // Stops the thread (it finishes a fetch under way) and waits for it.
    ~FetchAhead() = default;
    FetchAhead(const FetchAhead&) = delete;
    FetchAhead& operator=(const FetchAhead&) = delete;

    // The next slot in order once fetched; call Release() when done with it
    // and never past the last fetch.
    FetchSlot& Next();
    void Release();

private:
    void Run(const std::stop_token& stop);

    int64_t m_count;
    Fetch m_fetch;
    std::array<FetchSlot, 2> m_slots;
    std::array<bool, 2> m_filled{};
    int64_t m_taken = 0;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::jthread m_thread; // last: stopped and joined before the rest goes
};
