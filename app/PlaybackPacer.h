// SPDX-License-Identifier: BSD-3-Clause
// Timing of a paced playback: frame k is due k periods after the first, and
// a playback that falls behind (decoding slower than the rate) carries on
// from now instead of rushing to catch up. Every frame is shown; none is
// skipped. Rate 0 means as fast as frames decode. Also measures the rate
// achieved, over roughly the last half second.
#pragma once

#include <chrono>
#include <functional>

class PlaybackPacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit PlaybackPacer(int framesPerSecond);

    // Waits until the next frame is due, calling `pump` (which returns false
    // to abort) at least once and then while waiting. False when aborted.
    bool WaitForTurn(const std::function<bool()>& pump);

    // The frame has been shown: schedules the next and updates the measure.
    void FrameShown();

    // Frames per second over the measuring window; 0 before two frames.
    double AchievedRate() const { return m_achieved; }

    // True when the achieved rate changed enough to be shown again (at most
    // four times a second).
    bool TakeRateUpdate();

private:
    int m_nRate;
    Clock::duration m_period{};
    Clock::time_point m_due{};
    bool m_bStarted = false;

    Clock::time_point m_windowStart{};
    int m_nWindowFrames = 0;
    double m_achieved = 0.0;
    bool m_bRateUpdate = false;
};

// The frame a playback shows next: from `start` up to `limit`, then (with
// loop) again from `first`. Empty ranges give nothing.
class PlaybackSequence {
public:
    PlaybackSequence(int first, int limit, int start, bool loop)
        : m_nFirst(first), m_nLimit(limit), m_nNext(start), m_bLoop(loop) {}

    // The next frame index, or false when the playback is over.
    bool Next(int& index);

private:
    int m_nFirst;
    int m_nLimit;
    int m_nNext;
    bool m_bLoop;
};
