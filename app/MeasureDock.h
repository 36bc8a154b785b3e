// SPDX-License-Identifier: BSD-3-Clause
// The contents of the "Measurements" dock: the shapes of one frame view,
// measured on its document's current frame (the decoded, corrected
// samples), and the view's current track with its steps. Both tables can
// be copied (tab-separated) and saved as CSV. Follows every frame the
// document shows, playback included; refreshes that come faster than a
// screen can show them are merged, so measuring never holds playback up.
#pragma once

#include "measure/Scale.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CVornDoc;
class CVornView;
class FrameWatcher;
class QLabel;
class QShowEvent;
class QTableWidget;

class MeasureDock : public QWidget {
    Q_OBJECT

public:
    explicit MeasureDock(QWidget* parent = nullptr);
    ~MeasureDock() override;

    // Shows the shapes of `view` (null: nothing).
    void SetView(CVornView* view);
    CVornView* View() const { return m_pView; }

    // Where the scale and the rate of a recording come from (none: unknown).
    using ScaleSource = std::function<std::optional<Scale>(const CVornDoc& doc)>;
    using RateSource = std::function<std::optional<double>(const CVornDoc& doc)>;
    void SetSources(ScaleSource scale, RateSource rate);

    // Measures now (normally scheduled after a change).
    void Refresh();

    // The tables as text: a header line, then one line per row.
    QString ShapesText(QChar separator) const;
    QString TrackText(QChar separator) const;
    QTableWidget* ShapeTable() const { return m_pShapes; }
    QTableWidget* TrackTable() const { return m_pTrack; }

    void CopyShapes() const;
    void CopyTrack() const;
    // Save dialog: given a proposed path, the chosen one (empty: cancelled).
    // A file dialog unless replaced; tests inject their own.
    using SaveDialog = std::function<QString(QWidget* parent, const QString& proposed)>;
    void SetSaveDialog(SaveDialog dialog) { m_saveDialog = std::move(dialog); }
    // False when cancelled or the file could not be written.
    bool SaveShapes();
    bool SaveTrack();

    // Low enough to leave the frame most of the window.
    QSize sizeHint() const override { return {640, 230}; }

    // Refreshes after a frame are at least this far apart (ms).
    static constexpr int kRefreshSpacingMs = 40;

private:
    void ScheduleRefresh();
    void showEvent(QShowEvent* event) override;
    void OnFrameShown();
    bool SaveCsv(const QString& text, const char* suffix);
    static void FillTable(QTableWidget* table, const std::vector<QStringList>& rows);

    QPointer<CVornView> m_pView;
    std::unique_ptr<FrameWatcher> m_pWatcher;
    ScaleSource m_scaleSource;
    RateSource m_rateSource;
    SaveDialog m_saveDialog;
    QTableWidget* m_pShapes = nullptr;
    QTableWidget* m_pTrack = nullptr;
    QLabel* m_pFrameLabel = nullptr;
    QTimer m_timer;
    qint64 m_nLastRefresh = 0; // ms, monotonic
};
