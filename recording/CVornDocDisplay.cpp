// The document's display range: how the frame image becomes the display
// image. The standard range is the plain repack; any other goes through one
// lookup table built for the frame being shown.
#include "recording/CVornDoc.h"

#include "image/Packers.h"

#include <cstddef>

void CVornDoc::RepackDisplay() {
    if (m_pRawPixels == nullptr || !m_pDisplayImage)
        return;
    uint8_t* rows = m_pDisplayImage->GetBits(nullptr);
    if (m_displayRange.mode == DisplayRangeMode::Standard) {
        PackGray8(rows, m_nSampleBytes, m_nSampleBits, m_nWidth, m_nHeight, m_pRawPixels);
        return;
    }
    const size_t count = static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight);
    PackGray8Lut(rows, m_nWidth, m_nHeight, m_pRawPixels,
                 BuildDisplayLut(m_displayRange, m_pRawPixels, count));
}

void CVornDoc::SetDisplayRange(const DisplayRange& range) {
    if (range == m_displayRange)
        return;
    m_displayRange = range;
    RepackDisplay();
    for (CView* view : GetViews())
        view->RepaintNow();
}
