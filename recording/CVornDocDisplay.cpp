// SPDX-License-Identifier: BSD-3-Clause
// The document's display range: how the frame image becomes the display
// image. The standard range is the plain repack; any other goes through one
// lookup table built for the frame being shown.
#include "recording/CVornDoc.h"

#include "image/Packers.h"

#include <cstddef>

void CVornDoc::RepackDisplay() {
    if (m_pRawPixels == nullptr || !m_pDisplayImage)
        return;
    m_bDisplayStale = false;
    uint8_t* rows = m_pDisplayImage->GetBits(nullptr);
    if (m_displayRange.mode == DisplayRangeMode::Standard) {
        PackGray8(rows, m_nSampleBytes, m_nSampleBits, m_nWidth, m_nHeight, m_pRawPixels);
        return;
    }
    // The window's table is linear: computed in place of a lookup, which
    // gives the table's bytes at the speed of the plain repack.
    const size_t count = static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight);
    const SampleBounds window = RangeWindow(m_displayRange, m_pRawPixels, count);
    PackGray8Window(rows, m_nWidth, m_nHeight, m_pRawPixels, window.low, window.high);
}

void CVornDoc::SetDisplayRange(const DisplayRange& range) {
    if (range == m_displayRange)
        return;
    m_displayRange = range;
    RepackDisplay();
    for (CView* view : GetViews())
        view->RepaintNow();
}

void CVornDoc::RefreshDisplay() {
    if (m_bDisplayStale)
        RepackDisplay();
}

void CVornDoc::OnViewAdded(CView* /*view*/) {
    RefreshDisplay();
}
