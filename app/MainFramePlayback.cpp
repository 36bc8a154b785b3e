// SPDX-License-Identifier: BSD-3-Clause
// The main frame's side of navigation: the navigator is created with the
// frame, and a playback runs paced (or as fast as frames decode), from a
// start frame, looping when asked. It is a run like any other: the same
// busy state, abort and progress bar.
#include "app/CMainFrame.h"

#include "app/ConversionBar.h"
#include "app/ExportRun.h"
#include "app/FrameNavigator.h"
#include "app/MeasureTools.h"
#include "app/PlaybackPacer.h"
#include "app/PropertiesDialog.h"
#include "app/TimeAxis.h"
#include "recording/CVornDoc.h"

#include <QProgressBar>

#include <climits>

void CMainFrame::InitNavigation() {
    m_pNavigator = new FrameNavigator(this);
    if (m_menus129.size() >= 3)
        m_pNavigator->AddMenuItems(m_menus129[0], m_menus129[2]);
    m_pTimeAxis = new TimeAxis(this);
    if (m_menus129.size() >= 4)
        m_pTimeAxis->AddMenuItems(m_menus129[2], m_menus129[3]);
    m_pNavigator->SetPropertiesExtension(
        [this](PropertiesDialog& dialog, CVornDoc& doc) { m_pTimeAxis->ExtendProperties(dialog, doc); });
    new ExportCommand(this, m_menus129.value(0), m_pActConvert); // File > Export...
    // Tools goes before Window in the document menu.
    m_pMeasure = new MeasureTools(this);
    if (m_menus129.size() >= 4) {
        m_pMeasure->AddViewItems(m_menus129[2]);
        m_menus129.insert(3, m_pMeasure->ToolsMenu());
    }
}

void CMainFrame::PlayFrames(CVornDoc* doc, int first, int limit, int start) {
    const bool loop = m_pNavigator && m_pNavigator->Loop();
    PlaybackPacer pacer(m_pNavigator ? m_pNavigator->Rate() : 0);
    PlaybackSequence sequence(first, limit, start, loop);
    if (m_pNavigator) {
        m_pNavigator->SetPlaying(true);
        m_pNavigator->ShowAchievedRate(0);
    }
    // The run's own counter is not the frame shown once a loop wraps: the
    // outcome is kept here in frame indices.
    RunOutcome played;
    bool firstFrame = true;
    bool over = false;
    // A looping run has no end of its own: it stops at abort or failure.
    RunFrames(doc, start, loop ? INT_MAX : limit, [&](int) {
        int index = 0;
        if (!sequence.Next(index)) {
            over = true;
            return 0;
        }
        if (m_wndDlgBar && (firstFrame || index == first)) {
            // The bar shows the range being played, also when looping.
            const int from = firstFrame ? start : first;
            QProgressBar* bar = m_wndDlgBar->Progress();
            bar->setRange(from, limit > from ? limit : from + 1);
            bar->reset();
        }
        firstFrame = false;
        if (!pacer.WaitForTurn([this] {
                PumpMessages();
                return m_bAbort == 0;
            }))
            return 1; // aborted while waiting: the run sees the flag next
        const int result = doc->RenderFrame(index, 0, nullptr, 16, 8);
        pacer.FrameShown();
        if (result == 0) {
            played.failedFrame = index;
            return 0;
        }
        ++played.done;
        played.lastDone = index;
        if (m_pNavigator && pacer.TakeRateUpdate())
            m_pNavigator->ShowAchievedRate(pacer.AchievedRate());
        return result;
    });
    played.aborted = m_bAbort != 0 && played.failedFrame == kNoFrame && !over &&
                     (loop || played.lastDone + 1 < limit);
    if (m_pNavigator)
        m_pNavigator->SetPlaying(false);
    ReportRun(*doc, played, std::string());
}
