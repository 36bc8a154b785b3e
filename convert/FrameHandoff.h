// SPDX-License-Identifier: BSD-3-Clause
// The bounded hand-over between one read stage and one write stage: a fixed
// number of frame slots used in turn, so at most that many frames are held
// however long the recording, and frames reach the writer in the order they
// were read.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class FrameHandoff {
public:
    explicit FrameHandoff(int slots) : m_slots(static_cast<uint64_t>(slots)) {}

    int Slots() const { return static_cast<int>(m_slots); }

    // Read stage: waits for the next free slot and returns it; -1 once stopped.
    int NextEmpty() {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stopped || m_filled - m_emptied < m_slots; });
        return m_stopped ? -1 : static_cast<int>(m_filled % m_slots);
    }

    // Read stage: the slot from NextEmpty holds its frame.
    void Filled() { Change([&] { ++m_filled; }); }

    // Read stage: no frame follows.
    void Finish() { Change([&] { m_finished = true; }); }

    // Write stage: the next full slot in turn; -1 when the read stage
    // finished and every frame was taken, or the hand-over was stopped; -2
    // when nothing arrived within `wait`.
    int NextFull(std::chrono::milliseconds wait) {
        std::unique_lock lock(m_mutex);
        const bool ready = m_wake.wait_for(
            lock, wait, [&] { return m_stopped || m_finished || m_filled > m_emptied; });
        if (!ready) {
            return -2;
        }
        if (m_stopped || m_filled == m_emptied) {
            return -1;
        }
        return static_cast<int>(m_emptied % m_slots);
    }

    // Write stage: the slot from NextFull may be refilled.
    void Emptied() { Change([&] { ++m_emptied; }); }

    // Either stage: ends the hand-over; every wait returns at once.
    void Stop() { Change([&] { m_stopped = true; }); }

    // Frames filled and not yet emptied, at most Slots().
    int Held() const {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_filled - m_emptied);
    }

private:
    template <typename Step>
    void Change(Step step) {
        {
            std::lock_guard lock(m_mutex);
            step();
        }
        m_wake.notify_all();
    }

    const uint64_t m_slots;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    uint64_t m_filled = 0;
    uint64_t m_emptied = 0;
    bool m_finished = false;
    bool m_stopped = false;
};
