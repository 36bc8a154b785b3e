// SPDX-License-Identifier: BSD-3-Clause
#include "app/TimeAxis.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/DocTemplate.h"
#include "app/FrameBar.h"
#include "app/FrameNavigator.h"
#include "app/FrameWatcher.h"
#include "app/PropertiesDialog.h"
#include "app/RecordingRates.h"
#include "app/StatusPanes.h"
#include "app/TriggerMark.h"
#include "recording/CVornDoc.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>

#include <functional>
#include <vector>

namespace {

enum TimeCommand : int {
    ID_VIEW_GOTO_TRIGGER = 32820,
    ID_WINDOW_SYNCHRONIZE = 32821,
};

QString Tr(const char* text) {
    return QCoreApplication::translate("TimeAxis", text);
}

QString RateText(const std::optional<double>& rate) {
    return rate ? QString::fromStdString(FormatRate(*rate)) : QString();
}

} // namespace

TimeAxis::TimeAxis(CMainFrame* frame) : QObject(frame), m_pFrame(frame) {
    CreateActions();
    CreatePane();
    if (FrameNavigator* navigator = frame->Navigator())
        m_pMark = new TriggerMark(navigator->Bar()->Slider());
    connect(frame->MdiArea(), &QMdiArea::subWindowActivated, this, &TimeAxis::OnActivated);
    connect(frame->GetDocTemplate(), &DocTemplate::documentsChanged, this,
            &TimeAxis::OnDocumentsChanged);
    OnDocumentsChanged();
}

TimeAxis::~TimeAxis() = default;

void TimeAxis::CreateActions() {
    m_pActTrigger = new QAction(Tr("Go to &Trigger\tT"), m_pFrame);
    m_pActTrigger->setObjectName(QStringLiteral("ID_VIEW_GOTO_TRIGGER"));
    m_pActTrigger->setData(ID_VIEW_GOTO_TRIGGER);
    m_pActTrigger->setStatusTip(Tr("Show the frame recorded at the trigger (number 0)"));
    m_pActTrigger->setShortcuts({QKeySequence(Qt::Key_T), QKeySequence(Qt::CTRL | Qt::Key_T)});
    connect(m_pActTrigger, &QAction::triggered, this, [this] { GoToTrigger(); });
    m_pFrame->addAction(m_pActTrigger);

    m_pActSync = new QAction(Tr("&Synchronize Views"), m_pFrame);
    m_pActSync->setObjectName(QStringLiteral("ID_WINDOW_SYNCHRONIZE"));
    m_pActSync->setData(ID_WINDOW_SYNCHRONIZE);
    m_pActSync->setStatusTip(
        Tr("Show the same frame number, or the same time, in every open recording"));
    m_pActSync->setCheckable(true);
    m_pActSync->setChecked(ReadSynchronizeViews());
    connect(m_pActSync, &QAction::toggled, this, [this](bool on) {
        WriteSynchronizeViews(on);
        if (CVornDoc* doc = ActiveDocument(); on && doc)
            OnFrameShown(doc);
    });
    m_pFrame->addAction(m_pActSync);
}

void TimeAxis::CreatePane() {
    QStatusBar* status = m_pFrame->statusBar();
    m_pPane = new QLabel(status);
    m_pPane->setObjectName(QStringLiteral("ID_INDICATOR_TIME"));
    m_pPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pPane->setAlignment(Qt::AlignCenter);
    m_pPane->setToolTip(Tr("Recorded frame number and time from the trigger"));
    m_pPane->setMinimumWidth(m_pPane->fontMetrics().horizontalAdvance(
                                 QStringLiteral("#\u22120000000  \u2212000.0 \u00b5s")) +
                             8);
    // Right after the pixel readout.
    AddPanesBeforeIndicators(status, {m_pPane});
}

void TimeAxis::AddMenuItems(QMenu* viewMenu, QMenu* windowMenu) {
    if (viewMenu) {
        viewMenu->addAction(m_pActTrigger);
        connect(viewMenu, &QMenu::aboutToShow, this, &TimeAxis::Refresh);
    }
    if (windowMenu) {
        windowMenu->addSeparator();
        windowMenu->addAction(m_pActSync);
    }
}

CVornDoc* TimeAxis::ActiveDocument() const {
    return m_pFrame->GetActiveDocument();
}

TimeBase TimeAxis::TimeOf(const CVornDoc& doc) const {
    const int32_t first = doc.m_pReader ? doc.m_pReader->firstFrameNo : 0;
    return TimeBase(first, doc.m_nFrameCount, RateOf(doc));
}

std::optional<double> TimeAxis::RateOf(const CVornDoc& doc) const {
    const auto it = m_docs.find(&doc);
    return it == m_docs.end() ? std::nullopt : it->second.rate;
}

void TimeAxis::SetRate(CVornDoc& doc, std::optional<double> rate) {
    const QString path = QString::fromLocal8Bit(doc.GetPathName());
    WriteRecordingRate(path, rate);
    if (auto it = m_docs.find(&doc); it != m_docs.end())
        it->second.rate = ReadRecordingRate(path);
    Refresh();
}

bool TimeAxis::Synchronized() const {
    return m_pActSync->isChecked();
}

void TimeAxis::SetSynchronized(bool on) {
    m_pActSync->setChecked(on);
}

QString TimeAxis::PaneText(const TimeBase& time, int index) {
    if (!time.Contains(index))
        return {};
    return QString::fromStdString(time.FrameLabel(index, TimeStyle::Screen));
}

void TimeAxis::OnDocumentsChanged() {
    const std::vector<CVornDoc*> open = m_pFrame->GetDocTemplate()->Documents();
    std::erase_if(m_docs, [&](const auto& entry) {
        return std::find(open.begin(), open.end(), entry.first) == open.end();
    });
    for (CVornDoc* doc : open) {
        if (m_docs.count(doc) != 0)
            continue;
        State& state = m_docs[doc];
        state.rate = ReadRecordingRate(QString::fromLocal8Bit(doc->GetPathName()));
        state.watcher = std::make_unique<FrameWatcher>(doc, [this, doc] { OnFrameShown(doc); });
    }
    Refresh();
}

void TimeAxis::OnActivated() {
    Refresh();
}

void TimeAxis::Refresh() {
    const CVornDoc* doc = ActiveDocument();
    const TimeBase time = doc ? TimeOf(*doc) : TimeBase();
    if (FrameNavigator* navigator = m_pFrame->Navigator())
        navigator->Bar()->SetTimeBase(time);
    if (m_pMark)
        m_pMark->SetTimeBase(time);
    const int current = doc && doc->m_pReader ? doc->m_pReader->currentFrame : -1;
    m_pPane->setText(PaneText(time, current));
    m_pActTrigger->setEnabled(doc && !m_pFrame->m_bBusy && time.TriggerIndex().has_value());
}

void TimeAxis::OnFrameShown(CVornDoc* doc) {
    if (doc != ActiveDocument())
        return;
    const int current = doc->m_pReader ? doc->m_pReader->currentFrame : -1;
    m_pPane->setText(PaneText(TimeOf(*doc), current));
    const FrameNavigator* navigator = m_pFrame->Navigator();
    // Frames a conversion writes are not shown elsewhere; playback's are.
    const bool converting = m_pFrame->m_bBusy && !(navigator && navigator->IsPlaying());
    if (Synchronized() && !m_bSyncing && !converting)
        SyncOthers(*doc);
}

void TimeAxis::SyncOthers(const CVornDoc& leader) {
    const TimeBase lead = TimeOf(leader);
    const int index = leader.m_pReader ? leader.m_pReader->currentFrame : -1;
    if (!lead.Contains(index))
        return;
    // By time when every open recording has a rate, else by number.
    bool allTimed = true;
    for (const auto& [doc, state] : m_docs)
        allTimed = allTimed && state.rate.has_value();
    m_bSyncing = true;
    for (const auto& [key, state] : m_docs) {
        auto* doc = const_cast<CVornDoc*>(key);
        if (doc == &leader || !doc->m_pReader || doc->m_nFrameCount <= 0)
            continue;
        const TimeBase time = TimeOf(*doc);
        const int target = allTimed ? time.ClampedIndexNearTime(*lead.TimeOf(index))
                                    : time.ClampedIndexOfNumber(lead.NumberOf(index));
        if (doc->m_pReader->currentFrame != target)
            doc->RenderFrame(target, 0, nullptr, 16, 8);
    }
    m_bSyncing = false;
}

bool TimeAxis::GoToTrigger() {
    const CVornDoc* doc = ActiveDocument();
    FrameNavigator* navigator = m_pFrame->Navigator();
    if (!doc || !navigator || m_pFrame->m_bBusy)
        return false;
    const std::optional<int32_t> trigger = TimeOf(*doc).TriggerIndex();
    return trigger && navigator->ShowFrame(*trigger);
}

void TimeAxis::ExtendProperties(PropertiesDialog& dialog, CVornDoc& doc) {
    const QString path = QString::fromLocal8Bit(doc.GetPathName());
    dialog.AddRateFields(RateText(ReadOwnRate(path)), RateText(ReadDefaultRate()));
    connect(&dialog, &QDialog::accepted, this, [this, &dialog, &doc, path] {
        std::optional<double> own;
        std::optional<double> fallback;
        if (!PropertiesDialog::ReadRateField(*dialog.RateField(), own) ||
            !PropertiesDialog::ReadRateField(*dialog.DefaultRateField(), fallback))
            return;
        WriteDefaultRate(fallback);
        WriteRecordingRate(path, own);
        // A new default reaches every recording without a rate of its own.
        for (auto& [key, state] : m_docs)
            state.rate = ReadRecordingRate(QString::fromLocal8Bit(key->GetPathName()));
        if (m_docs.count(&doc) != 0 && ActiveDocument() == &doc)
            OnFrameShown(&doc);
        Refresh();
    });
}
