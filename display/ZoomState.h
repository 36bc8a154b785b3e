// SPDX-License-Identifier: BSD-3-Clause
// The zoom of one frame view: fit (the whole frame in the window) or a power
// of two from 1/16 to 32, with the image point shown at the client centre.
// Plain arithmetic, no toolkit: the view turns it into a surface layout.
#pragma once

#include <cstdint>

class ZoomState {
public:
    static constexpr int kMinLevel = -4; // 1/16
    static constexpr int kMaxLevel = 5;  // 32

    bool IsFit() const { return m_bFit; }
    int Level() const { return m_nLevel; }

    // The zoom as the surface's fraction: 2^level / 1 or 1 / 2^-level.
    int32_t Num() const { return m_nLevel >= 0 ? int32_t{1} << m_nLevel : 1; }
    int32_t Den() const { return m_nLevel >= 0 ? 1 : int32_t{1} << -m_nLevel; }
    double Zoom() const { return static_cast<double>(Num()) / Den(); }

    void SetFit() { m_bFit = true; }
    void SetLevel(int level); // clamped to kMinLevel..kMaxLevel

    // One step up or down from the current zoom; from fit the step goes to
    // the next power of two beyond `fitZoom`. False when already at the end.
    bool StepIn(double fitZoom);
    bool StepOut(double fitZoom);

    double centreX = 0.0; // image column at the client centre
    double centreY = 0.0; // image row at the client centre

private:
    bool m_bFit = true;
    int m_nLevel = 0;
};
