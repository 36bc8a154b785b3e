// SPDX-License-Identifier: BSD-3-Clause
#include "app/MeasurePlots.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/LineProfileWindow.h"
#include "app/PlotOverTimeWindow.h"
#include "recording/CVornDoc.h"

#include <algorithm>

namespace {

// The frames the frame bar plays for `doc`: the conversion bar's range while
// `doc` is the active recording, else the range stored with it.
std::pair<int, int> BarRange(const CMainFrame* main, const CVornDoc& doc) {
    const int last = doc.m_nFrameCount - 1;
    int start = 0;
    int end = last;
    bool all = true;
    if (main && main->m_pTrackedDoc == &doc) {
        all = main->m_nRangeMode != 0;
        start = main->m_nStartFrame;
        end = main->m_nEndFrame;
    } else {
        all = doc.GetFrameRange(&start, &end) != 0;
    }
    if (all)
        return {0, last};
    start = std::clamp(start, 0, last);
    return {start, std::clamp(end, start, last)};
}

void Show(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void OpenPlotOverTime(CChildFrame* frame, const Region& region) {
    CVornDoc* doc = frame ? frame->GetActiveDocument() : nullptr;
    if (!doc)
        return;
    auto* main = qobject_cast<CMainFrame*>(frame->window());
    if (const std::string refused = CheckRegion(region, doc->m_nWidth, doc->m_nHeight);
        !refused.empty()) {
        if (main)
            main->ShowMessage(QString::fromStdString(refused));
        return;
    }
    const auto [first, last] = BarRange(main, *doc);
    Show(new PlotOverTimeWindow(frame, region, first, last)); // owned by the frame
}

void OpenLineProfile(CChildFrame* frame, const Line& line) {
    CVornDoc* doc = frame ? frame->GetActiveDocument() : nullptr;
    if (!doc)
        return;
    if (const std::string refused = CheckLine(line, doc->m_nWidth, doc->m_nHeight);
        !refused.empty()) {
        if (auto* main = qobject_cast<CMainFrame*>(frame->window()))
            main->ShowMessage(QString::fromStdString(refused));
        return;
    }
    Show(new LineProfileWindow(frame, line)); // owned by the frame
}
