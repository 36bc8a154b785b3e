// SPDX-License-Identifier: BSD-3-Clause
// The time axis in the viewer: each open recording's rate (remembered in the
// profile's "Rates"), the status-bar pane with the frame's recorded number
// and time, the trigger mark and tooltip of the frame bar's slider, View >
// Go to Trigger, the rate fields of File > Properties, and Window >
// Synchronize Views, which shows the same number (or time) in every open
// recording whenever the active one shows a frame.
#pragma once

#include "recording/TimeBase.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <optional>

class CChildFrame;
class CMainFrame;
class CVornDoc;
class FrameWatcher;
class PropertiesDialog;
class QAction;
class QLabel;
class QMenu;
class TriggerMark;

class TimeAxis : public QObject {
    Q_OBJECT

public:
    explicit TimeAxis(CMainFrame* frame);
    ~TimeAxis() override;

    // Go to Trigger after the View menu's items, Synchronize Views after the
    // Window menu's.
    void AddMenuItems(QMenu* viewMenu, QMenu* windowMenu);

    // The time axis of `doc` (its numbers, and its rate when known).
    TimeBase TimeOf(const CVornDoc& doc) const;
    std::optional<double> RateOf(const CVornDoc& doc) const;
    // Sets (none: clears) the rate of `doc` and remembers it for its file.
    void SetRate(CVornDoc& doc, std::optional<double> rate);

    bool Synchronized() const;
    void SetSynchronized(bool on);

    // Shows the active recording's trigger frame; false when it has none.
    bool GoToTrigger();

    // Adds the rate fields to a Properties dialog of `doc` and applies them
    // when it is accepted.
    void ExtendProperties(PropertiesDialog& dialog, CVornDoc& doc);

    // Text of the time pane for frame `index`: "#−12  −240.0 µs".
    static QString PaneText(const TimeBase& time, int index);

    QLabel* TimePane() const { return m_pPane; }
    QAction* GoToTriggerAction() const { return m_pActTrigger; }
    QAction* SynchronizeAction() const { return m_pActSync; }

private:
    void CreateActions();
    void CreatePane();
    void OnDocumentsChanged();
    void OnActivated();
    void OnFrameShown(CVornDoc* doc);
    void SyncOthers(const CVornDoc& leader);
    void Refresh();
    CVornDoc* ActiveDocument() const;

    CMainFrame* m_pFrame;
    QLabel* m_pPane = nullptr;
    QAction* m_pActTrigger = nullptr;
    QAction* m_pActSync = nullptr;
    TriggerMark* m_pMark = nullptr;
    struct State {
        std::optional<double> rate;
        std::unique_ptr<FrameWatcher> watcher;
    };
    std::map<const CVornDoc*, State> m_docs;
    bool m_bSyncing = false;
};
