// SPDX-License-Identifier: BSD-3-Clause
// The navigator's frame stepping: the frame keys, the bar's steps and
// slider, and following the active recording window.
#include "app/FrameNavigator.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/DocTemplate.h"
#include "app/FrameBar.h"
#include "app/RunReport.h"
#include "app/ViewSettings.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"

#include <QEvent>
#include <QKeyEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>

#include <algorithm>

namespace {
constexpr int kPageFrames = 10; // Page Up / Page Down
} // namespace

FrameNavigator::FrameNavigator(CMainFrame* frame) : QObject(frame), m_pFrame(frame) {
    CreateActions();
    CreateBand();
    CreatePanes();
    ReadSettings();
    connect(frame->MdiArea(), &QMdiArea::subWindowActivated, this, &FrameNavigator::OnActivated);
    connect(frame->GetDocTemplate(), &DocTemplate::documentsChanged, this, [this] {
        // Forget closed documents, so a new one at the same address starts
        // with the remembered range too.
        const std::vector<CVornDoc*> open = m_pFrame->GetDocTemplate()->Documents();
        std::erase_if(m_rangedDocs, [&](const CVornDoc* doc) {
            return std::find(open.begin(), open.end(), doc) == open.end();
        });
        UpdateActions();
    });
    frame->installEventFilter(this);
    OnActivated();
}

void FrameNavigator::ReadSettings() {
    const ViewSettings settings = ReadViewSettings();
    m_pBar->SetRate(settings.rate);
    m_pBar->SetLoop(settings.loop);
    m_rememberedRange = settings.range;
}

int FrameNavigator::Rate() const {
    return m_pBar->Rate();
}

bool FrameNavigator::Loop() const {
    return m_pBar->Loop();
}

void FrameNavigator::SetRate(int framesPerSecond) {
    m_pBar->SetRate(framesPerSecond);
    WritePlaybackRate(m_pBar->Rate());
}

void FrameNavigator::SetLoop(bool loop) {
    m_pBar->SetLoop(loop);
    WritePlaybackLoop(loop);
}

CVornView* FrameNavigator::ActiveView() const {
    const CChildFrame* child = m_pFrame->MDIGetActive();
    return child ? child->GetActiveView() : nullptr;
}

int FrameNavigator::CurrentFrame() const {
    const CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || !doc->m_pReader)
        return -1;
    return doc->m_pReader->currentFrame;
}

int FrameNavigator::PositionFrame() const {
    const CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || !doc->m_pReader)
        return -1;
    const int current = doc->m_pReader->currentFrame;
    if (current >= 0)
        return current;
    return doc == m_pAskedDoc && m_nAskedFrame >= 0 ? m_nAskedFrame : 0;
}

bool FrameNavigator::ShowFrame(int index) {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || m_pFrame->m_bBusy || doc->m_nFrameCount <= 0)
        return false;
    index = std::clamp(index, 0, doc->m_nFrameCount - 1);
    m_pAskedDoc = doc;
    m_nAskedFrame = index;
    const bool shown = doc->RenderFrame(index, 0, nullptr, 16, 8) != 0;
    if (!shown)
        m_pFrame->SetStatusLine(UnreadableFrameLine(*doc, index));
    SyncBar();
    return shown;
}

void FrameNavigator::SetPlaying(bool playing) {
    m_bPlaying = playing;
    if (!playing)
        ShowAchievedRate(0);
}

void FrameNavigator::PlayFromCurrent() {
    CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc || m_pFrame->m_bBusy)
        return;
    const bool all = m_pFrame->m_nRangeMode != 0;
    const int first = all ? 0 : m_pFrame->m_nStartFrame;
    const int limit = all ? doc->m_nFrameCount : std::max(first, m_pFrame->m_nEndFrame + 1);
    int start = PositionFrame();
    // From the frame shown, unless it lies outside the range or is its last
    // frame: then the range plays from its start.
    if (start < first || start + 1 >= limit)
        start = first;
    m_pFrame->PlayFrames(doc, first, limit, start);
}

void FrameNavigator::OnSliderMoved(int frame) {
    // While a frame is being drawn, newer positions replace older ones: only
    // the latest is shown once the event queue has been worked off.
    m_nPendingSlider = frame;
    if (m_bSliderScheduled)
        return;
    m_bSliderScheduled = true;
    QMetaObject::invokeMethod(this, &FrameNavigator::ShowPendingSliderFrame, Qt::QueuedConnection);
}

void FrameNavigator::ShowPendingSliderFrame() {
    m_bSliderScheduled = false;
    if (m_nPendingSlider < 0)
        return;
    const int frame = std::exchange(m_nPendingSlider, -1);
    if (frame != CurrentFrame())
        ShowFrame(frame);
}

bool FrameNavigator::HandleKey(int key) {
    if (m_pFrame->m_bBusy) {
        // During a playback Space and Escape abort it, like the Abort button.
        if (m_bPlaying && (key == Qt::Key_Space || key == Qt::Key_Escape)) {
            m_pFrame->m_bAbort = 1;
            return true;
        }
        return false;
    }
    const CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc)
        return false;
    const int current = std::max(0, PositionFrame());
    switch (key) {
    case Qt::Key_Right:
        ShowFrame(current + 1);
        return true;
    case Qt::Key_Left:
        ShowFrame(current - 1);
        return true;
    case Qt::Key_PageDown:
        ShowFrame(current + kPageFrames);
        return true;
    case Qt::Key_PageUp:
        ShowFrame(current - kPageFrames);
        return true;
    case Qt::Key_Home:
        ShowFrame(0);
        return true;
    case Qt::Key_End:
        ShowFrame(doc->m_nFrameCount - 1);
        return true;
    case Qt::Key_Space:
        PlayFromCurrent();
        return true;
    default:
        return false;
    }
}

bool FrameNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pFrame) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            WrapBand();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Plain keys only: modified ones stay the accelerators'.
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    if (watched != ActiveView()) {
        // A frame bar control.
        if (key->key() == Qt::Key_Escape) {
            // Leaves the bar: typed text is dropped, the keys go to the frame.
            if (watched == m_pBar->Speed() || watched == m_pBar->Speed()->lineEdit())
                m_pBar->SetRate(m_pBar->Rate());
            FocusView();
            return true;
        }
        if (FieldNeedsKey(watched, key->key()))
            return false;
    }
    return HandleKey(key->key());
}

void FrameNavigator::WatchBarKeys() {
    const QList<QWidget*> controls = m_pBar->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (control->focusPolicy() != Qt::NoFocus)
            control->installEventFilter(this);
    }
}

bool FrameNavigator::FieldNeedsKey(const QObject* control, int key) {
    // A text field being edited keeps the keys that move its cursor or type.
    const auto* edit = qobject_cast<const QLineEdit*>(control);
    return edit && edit->isModified() &&
           (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home ||
            key == Qt::Key_End || key == Qt::Key_Space);
}

void FrameNavigator::FocusView() {
    if (CVornView* view = ActiveView())
        view->setFocus(Qt::OtherFocusReason);
    SyncBar();
}

void FrameNavigator::OnActivated() {
    CChildFrame* child = m_pFrame->MDIGetActive();
    if (child && child != m_pActiveFrame) {
        connect(child, &CChildFrame::frameTitleChanged, this, &FrameNavigator::SyncBar,
                Qt::UniqueConnection);
        if (CVornView* view = child->GetActiveView()) {
            view->installEventFilter(this);
            connect(view, &CVornView::readoutChanged, this, &FrameNavigator::OnReadout,
                    Qt::UniqueConnection);
            connect(view, &CVornView::zoomChanged, this, &FrameNavigator::UpdateActions,
                    Qt::UniqueConnection);
        }
        ApplyRememberedRange(child->GetActiveDocument());
    }
    if (child != m_pActiveFrame)
        m_pReadout->clear();
    m_pActiveFrame = child;
    SyncBar();
    UpdateActions();
}

void FrameNavigator::ApplyRememberedRange(CVornDoc* doc) {
    if (!doc || std::find(m_rangedDocs.begin(), m_rangedDocs.end(), doc) != m_rangedDocs.end())
        return;
    m_rangedDocs.push_back(doc);
    doc->SetDisplayRange(m_rememberedRange);
}

void FrameNavigator::SyncBar() {
    const CVornDoc* doc = m_pFrame->GetActiveDocument();
    if (!doc) {
        m_pBar->SetFrames(0, 0);
        m_pBar->setEnabled(false);
        return;
    }
    const int position = PositionFrame();
    m_pBar->SetFrames(doc->m_nFrameCount, position, position != CurrentFrame());
    m_pBar->setEnabled(m_bRunEnabled && !m_pFrame->m_bBusy);
}

void FrameNavigator::EnableDuringRun(bool enable) {
    m_bRunEnabled = enable;
    m_pActAbortRun->setEnabled(!enable);
    if (enable)
        m_bPlaying = false;
    SyncBar();
    m_pBar->setEnabled(enable && m_pFrame->GetActiveDocument() != nullptr);
    UpdateActions();
}
