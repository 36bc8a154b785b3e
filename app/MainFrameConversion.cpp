// SPDX-License-Identifier: BSD-3-Clause
// The conversion bar's side of the main frame: the bar's idle update, its
// commands, and the playback and conversion runs. A run is a synchronous loop
// over the document's RenderFrame that drains the event queue between frames,
// so the abort button (and everything else) stays responsive; every handler
// reachable from that queue respects m_bBusy.

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CmdUI.h"
#include "app/ConversionBar.h"
#include "app/FrameNavigator.h"
#include "app/Language.h"
#include "app/Profile.h"
#include "app/RunReport.h"
#include "framework/SplitPath.h"
#include "recording/CVornDoc.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

namespace {

constexpr int kConvertCommand = 32771; // ID_CONVERT_TIFF

// One past the typed end frame, without overflow. No frame index can be
// INT_MAX (the count is an int), so clamping loses nothing.
int LimitAfter(int last) {
    return last == INT_MAX ? INT_MAX : last + 1;
}

// Range (first, last) and the position first - 1, which the control takes
// as first: the bar shows empty. An empty or inverted range is shown as an
// empty bar too (Qt would otherwise draw a busy indicator for a 0..0 range).
void SetupProgress(QProgressBar* bar, int first, int last) {
    if (!bar)
        return;
    bar->setRange(first, last > first ? last : (first == INT_MAX ? first : first + 1));
    bar->setValue(bar->minimum());
}

// One step forward; a run of first..limit - 1 therefore ends at limit: full.
void StepProgress(QProgressBar* bar) {
    if (!bar)
        return;
    const int value = std::max(bar->value(), bar->minimum());
    // Past the end the bar starts over, as the control does.
    bar->setValue(value < bar->maximum() ? value + 1 : bar->minimum());
}

QString DefaultSaveDialog(QWidget* parent, const QString& folder, const QString& proposedName) {
    const QString filter = CMainFrame::tr("TIFF Files (*.tif)");
    QFileDialog dialog(parent, QString(), folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("tif"));
    dialog.setNameFilter(filter);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    // With the default extension shown, accepting the proposal keeps a dotted
    // name whole ("my.take" would otherwise read as name "my", extension "take").
    dialog.selectFile(proposedName + QStringLiteral(".tif"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

void CMainFrame::InitConversionBar() {
    m_nBitSel = ReadBitSel();

    m_wndDlgBar = new ConversionBar(UiIsJapanese(), this);
    connect(m_wndDlgBar, &ConversionBar::Command, this, &CMainFrame::OnBarCommand);
}

void CMainFrame::InstallIdleHook() {
    auto* dispatcher = QAbstractEventDispatcher::instance(thread());
    if (!dispatcher)
        return;
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        // Never inside a run (its pump does no idle processing), and never
        // nested: an update may itself spin an event loop.
        if (m_bBusy || m_bInIdle)
            return;
        m_bInIdle = true;
        OnIdle();
        m_bInIdle = false;
    });
}

void CMainFrame::OnIdle() {
    if (m_wndDlgBar) {
        const int modeBefore = m_nRangeMode;
        for (int id = kBarFirstId; id <= kBarLastId; ++id) {
            CWidgetCmdUI cmdUI(id, m_wndDlgBar->Control(id));
            OnUpdateBar(&cmdUI);
        }
        // Text typed into a frame box selects the typed range after the
        // radios were refreshed: show it now rather than at the next event.
        if (m_nRangeMode != modeBefore) {
            for (int id : {IDC_RANGE_SEL, IDC_ALL_FRAMES}) {
                CWidgetCmdUI cmdUI(id, m_wndDlgBar->Control(id));
                OnUpdateBar(&cmdUI);
            }
        }
    }
    for (QAction* action : {m_pActConvert, m_pToolConvert}) {
        if (action) {
            CActionCmdUI cmdUI(kConvertCommand, action);
            OnUpdateConvert(&cmdUI);
        }
    }
}

void CMainFrame::OnUpdateBar(CCmdUI* pCmdUI) {
    CVornDoc* pDoc = GetActiveDocument();

    // Leaving a document: hand the bar's range back to it, unless its window
    // is gone (then so is the document, and it must not be touched).
    if (pDoc != m_pTrackedDoc && m_pTrackedDoc) {
        if (!m_hTrackedFrame.isNull()) {
            m_pTrackedDoc->SetFrameRange(m_nRangeMode, m_nStartFrame, m_nEndFrame);
        } else {
            m_pTrackedFrame = nullptr;
            m_hTrackedFrame = nullptr;
            m_pTrackedDoc = nullptr;
        }
    }
    if (!pDoc) {
        pCmdUI->Enable(false);
        m_pTrackedFrame = nullptr;
        m_pTrackedDoc = nullptr;
        return;
    }
    if (pDoc != m_pTrackedDoc) {
        m_nRangeMode = pDoc->GetFrameRange(&m_nStartFrame, &m_nEndFrame) ? 1 : 0;
        if (m_wndDlgBar) {
            m_wndDlgBar->SetControlText(IDC_START_FRAME, QString::number(m_nStartFrame));
            m_wndDlgBar->SetControlText(IDC_END_FRAME, QString::number(m_nEndFrame));
        }
        m_pTrackedFrame = MDIGetActive();
        m_hTrackedFrame = m_pTrackedFrame;
        m_pTrackedDoc = pDoc;
    }

    const bool enabled = !m_bBusy;
    switch (pCmdUI->m_nID) {
    case IDC_RANGE_SEL:
    case IDC_ALL_FRAMES:
        pCmdUI->SetRadio(m_nRangeMode == pCmdUI->m_nID - IDC_RANGE_SEL);
        pCmdUI->Enable(enabled);
        break;
    case IDC_START_FRAME:
    case IDC_END_FRAME: {
        const int value =
            m_wndDlgBar ? LeadingInteger(m_wndDlgBar->ControlText(pCmdUI->m_nID).toStdString()) : 0;
        int& field = pCmdUI->m_nID == IDC_START_FRAME ? m_nStartFrame : m_nEndFrame;
        if (value != field) {
            field = value;
            m_nRangeMode = 0;
        }
        pCmdUI->Enable(enabled);
        break;
    }
    case IDC_ABORT:
        pCmdUI->Enable(true);
        break;
    case IDC_8BITS:
    case IDC_16BITS:
        pCmdUI->SetRadio(m_nBitSel == pCmdUI->m_nID - IDC_8BITS);
        pCmdUI->Enable(enabled);
        break;
    default: // progress, label, top, play
        pCmdUI->Enable(enabled);
        break;
    }
}

void CMainFrame::OnUpdateConvert(CCmdUI* pCmdUI) {
    pCmdUI->Enable(GetActiveDocument() != nullptr && !m_bBusy);
}

void CMainFrame::SelectRangeMode(int mode) {
    m_nRangeMode = m_nRangeMode == mode ? -1 : mode;
}

void CMainFrame::OnBarCommand(int nID) {
    if (!MDIGetActive())
        return;
    if (m_bBusy && nID != IDC_ABORT)
        return;
    CVornDoc* pDoc = GetActiveDocument();
    const bool all = m_nRangeMode != 0;
    switch (nID) {
    case IDC_RANGE_SEL:
    case IDC_ALL_FRAMES:
        SelectRangeMode(nID - IDC_RANGE_SEL);
        break;
    case IDC_TOP: {
        if (!pDoc)
            break;
        const int first = all ? 0 : m_nStartFrame;
        const int last = all ? pDoc->m_nFrameCount - 1 : m_nEndFrame;
        if (m_wndDlgBar)
            SetupProgress(m_wndDlgBar->Progress(), first, last);
        pDoc->RenderFrame(first, 0, nullptr, 16, 8);
        break;
    }
    case IDC_PLAY: {
        if (!pDoc)
            break;
        const int first = all ? 0 : m_nStartFrame;
        const int limit = all ? pDoc->m_nFrameCount : LimitAfter(m_nEndFrame);
        PlayFrames(pDoc, first, limit, first); // reports the run's result
        break;
    }
    case IDC_ABORT:
        m_bAbort = 1;
        break;
    case IDC_8BITS:
    case IDC_16BITS:
        m_nBitSel = nID - IDC_8BITS;
        break;
    default: // edit boxes, progress bar, label
        break;
    }
}

void CMainFrame::OnConvert() {
    if (m_bBusy)
        return;
    CVornDoc* pDoc = GetActiveDocument();
    if (!pDoc)
        return;
    const QPointer<CChildFrame> frame = MDIGetActive();

    // The recording's whole file name but its extension, as the user opened
    // it (a link by the link's name), in the recording's folder or, once a
    // conversion was made, in that conversion's folder.
    const QString opened = QFile::decodeName(QByteArray::fromStdString(pDoc->GetPathName()));
    const QString proposedName =
        QFile::decodeName(QByteArray::fromStdString(OutputBaseName(pDoc->GetPathName())));
    const QString folder = m_strLastConvertFolder.isEmpty() ? QFileInfo(opened).absolutePath()
                                                            : m_strLastConvertFolder;
    const QString chosen = m_saveDialog ? m_saveDialog(this, proposedName)
                                        : DefaultSaveDialog(this, folder, proposedName);
    // The dialog ran an event loop: make sure the document's window survived it.
    if (chosen.isEmpty() || frame.isNull())
        return;
    m_strLastConvertFolder = QFileInfo(chosen).absolutePath();

    std::string directory;
    std::string baseName;
    std::string extension;
    SplitPath(QFile::encodeName(QDir::toNativeSeparators(chosen)).toStdString(), &directory,
              &baseName, &extension);

    pDoc->SetFrameRange(m_nRangeMode, m_nStartFrame, m_nEndFrame);
    const bool all = m_nRangeMode != 0;
    const int first = all ? 0 : m_nStartFrame;
    const int limit = all ? pDoc->m_nFrameCount : LimitAfter(m_nEndFrame);
    const int sourceBits = m_nBitSel ? 16 : 10;
    const int outputBits = m_nBitSel ? 16 : 8;
    std::string failedName;
    const RunOutcome outcome = RunFrames(pDoc, first, limit, [&](int i) {
        const std::string name = FrameFileName(directory, baseName, i, extension);
        const int result = pDoc->RenderFrame(i, 1, name.c_str(), sourceBits, outputBits);
        if (result == 0)
            failedName = name;
        return result;
    });
    if (outcome.failedFrame == kNoFrame && !outcome.aborted && outcome.done > 0)
        SetStatusLine(
            ConversionDoneLine(outcome.done, QDir::toNativeSeparators(m_strLastConvertFolder)));
    else
        ReportRun(*pDoc, outcome, failedName);
}

void CMainFrame::ReportRun(const CVornDoc& doc, const RunOutcome& outcome,
                           const std::string& failedFile) {
    if (outcome.failedFrame != kNoFrame)
        SetStatusLine(RunStoppedLine(doc, outcome.failedFrame, failedFile));
    else if (outcome.aborted)
        SetStatusLine(RunAbortedLine(outcome.lastDone));
    else
        SetStatusLine(QString());
}

CMainFrame::RunOutcome CMainFrame::RunFrames(CVornDoc* doc, int first, int limit,
                                             const std::function<int(int)>& render) {
    if (m_wndDlgBar)
        SetupProgress(m_wndDlgBar->Progress(), first, limit);
    BeginRun(doc);

    // The run state is restored however the loop ends, an allocation
    // failure included.
    struct RunEnd {
        CMainFrame* self;
        ~RunEnd() { self->EndRun(); }
    } runEnd{this};

    RunOutcome outcome;
    for (int i = first; i < limit; ++i) {
        if (!render(i)) {
            outcome.failedFrame = i;
            break;
        }
        ++outcome.done;
        outcome.lastDone = i;
        if (m_wndDlgBar)
            StepProgress(m_wndDlgBar->Progress());
        PumpMessages();
        if (m_bAbort) {
            outcome.aborted = i + 1 < limit; // an abort after the last frame changes nothing
            break;
        }
    }
    return outcome;
}

void CMainFrame::BeginRun(CVornDoc* doc) {
    m_bAbort = 0;
    m_bBusy = 1;
    m_pRunDoc = doc;
    SetStatusLine(QString());
    EnableBarControls(false);
}

void CMainFrame::EndRun() {
    m_bBusy = 0;
    m_pRunDoc = nullptr;
    EnableBarControls(true);
    FinishRun();
}

void CMainFrame::EnableBarControls(bool bEnable) {
    const int skip = !bEnable && GetActiveDocument() ? IDC_ABORT : 0;
    if (m_wndDlgBar) {
        for (int id = kBarFirstId; id <= kBarLastId; ++id) {
            if (id == skip)
                continue;
            if (QWidget* control = m_wndDlgBar->Control(id))
                control->setEnabled(bEnable);
        }
    }
    for (QAction* action : {m_pToolOpen, m_pToolConvert}) {
        if (action)
            action->setEnabled(bEnable);
    }
    // The menu's Save follows the command's update rule at once: idle
    // updates do not run during a run.
    if (m_pActConvert) {
        CActionCmdUI cmdUI(kConvertCommand, m_pActConvert);
        OnUpdateConvert(&cmdUI);
    }
    if (m_pNavigator)
        m_pNavigator->EnableDuringRun(bEnable);
}

void CMainFrame::PumpMessages() {
    // Dispatch until nothing is pending; no idle processing here. The bound
    // keeps a source that re-posts itself forever from stalling the run.
    auto* dispatcher = QAbstractEventDispatcher::instance(thread());
    QCoreApplication::sendPostedEvents();
    for (int round = 0; round < 256; ++round) {
        if (!dispatcher || !dispatcher->processEvents(QEventLoop::AllEvents))
            break;
    }
}

bool CMainFrame::IsRunUsing(const CVornDoc* doc) const {
    return m_bBusy && doc != nullptr && doc == m_pRunDoc;
}

void CMainFrame::RequestCloseAfterRun(CChildFrame* frame) {
    m_bAbort = 1;
    if (!frame) {
        m_bCloseAfterRun = true;
        return;
    }
    if (!m_deferredChildCloses.contains(frame))
        m_deferredChildCloses.append(frame);
}

void CMainFrame::FinishRun() {
    if (m_deferredChildCloses.isEmpty() && !m_bCloseAfterRun)
        return;
    // Closed from the event loop, once the run's handler has returned.
    QTimer::singleShot(0, this, [this] {
        const QList<QPointer<CChildFrame>> frames = std::exchange(m_deferredChildCloses, {});
        for (const QPointer<CChildFrame>& child : frames) {
            if (child)
                child->close();
        }
        if (std::exchange(m_bCloseAfterRun, false))
            close();
    });
}
