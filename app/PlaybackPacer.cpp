// SPDX-License-Identifier: BSD-3-Clause
#include "app/PlaybackPacer.h"

#include <thread>

namespace {
constexpr auto kMeasureWindow = std::chrono::milliseconds(250);
// Longest sleep between two looks at the event queue while waiting.
constexpr auto kPumpInterval = std::chrono::milliseconds(2);
} // namespace

PlaybackPacer::PlaybackPacer(int framesPerSecond)
    : m_nRate(framesPerSecond > 0 ? framesPerSecond : 0) {
    if (m_nRate > 0) {
        m_period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(1.0 / m_nRate));
    }
}

bool PlaybackPacer::WaitForTurn(const std::function<bool()>& pump) {
    if (!pump())
        return false;
    if (m_nRate == 0 || !m_bStarted)
        return true;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= m_due)
            return true;
        const Clock::duration left = m_due - now;
        // Sleep a little short of the due time; the last stretch is spent
        // in the queue so a click or key is never kept waiting long.
        if (left > kPumpInterval)
            std::this_thread::sleep_for(kPumpInterval);
        else if (left > std::chrono::microseconds(300))
            std::this_thread::sleep_for(left - std::chrono::microseconds(200));
        if (!pump())
            return false;
    }
}

void PlaybackPacer::FrameShown() {
    const Clock::time_point now = Clock::now();
    if (!m_bStarted) {
        m_bStarted = true;
        m_due = now;
        m_windowStart = now;
        m_nWindowFrames = 0;
    }
    if (m_nRate > 0) {
        m_due += m_period;
        // Behind the schedule: the next frame follows as soon as it can, but
        // later frames are not squeezed together to make up for it.
        if (m_due < now)
            m_due = now;
    }
    ++m_nWindowFrames;
    const auto span = now - m_windowStart;
    if (span >= kMeasureWindow && m_nWindowFrames > 1) {
        m_achieved = (m_nWindowFrames - 1) / std::chrono::duration<double>(span).count();
        m_bRateUpdate = true;
        m_windowStart = now;
        m_nWindowFrames = 1;
    }
}

bool PlaybackPacer::TakeRateUpdate() {
    const bool update = m_bRateUpdate;
    m_bRateUpdate = false;
    return update;
}

bool PlaybackSequence::Next(int& index) {
    if (m_nNext >= m_nLimit) {
        if (!m_bLoop || m_nFirst >= m_nLimit)
            return false;
        m_nNext = m_nFirst;
    }
    index = m_nNext++;
    return true;
}
