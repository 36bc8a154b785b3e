// SPDX-License-Identifier: BSD-3-Clause
#include "display/ZoomState.h"

#include <algorithm>
#include <cmath>

namespace {
double LevelZoom(int level) {
    return std::ldexp(1.0, level);
}
} // namespace

void ZoomState::SetLevel(int level) {
    m_nLevel = std::clamp(level, kMinLevel, kMaxLevel);
    m_bFit = false;
}

bool ZoomState::StepIn(double fitZoom) {
    int next = m_nLevel + 1;
    if (m_bFit) {
        // The smallest power of two that is clearly larger than the fit.
        next = kMinLevel;
        while (next < kMaxLevel && LevelZoom(next) <= fitZoom * 1.0001)
            ++next;
    }
    if (next > kMaxLevel || (!m_bFit && m_nLevel == kMaxLevel))
        return false;
    SetLevel(next);
    return true;
}

bool ZoomState::StepOut(double fitZoom) {
    int next = m_nLevel - 1;
    if (m_bFit) {
        next = kMaxLevel;
        while (next > kMinLevel && LevelZoom(next) >= fitZoom * 0.9999)
            --next;
    }
    if (next < kMinLevel || (!m_bFit && m_nLevel == kMinLevel))
        return false;
    SetLevel(next);
    return true;
}
