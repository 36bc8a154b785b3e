// SPDX-License-Identifier: BSD-3-Clause
// "Plot Over Time": a region's mean, min and max per frame across the frame
// bar's range. A worker thread with a reader of its own computes them; the
// values reach the window in batches through its event queue, so the window
// never waits on the worker. A progress bar and Cancel follow the run; the
// x axis shows the frame index, the recorded number or (with a rate) the
// time; the cursor follows the frame shown and a click shows that frame.
#pragma once

#include "app/PlotTicks.h"
#include "app/PlotWindow.h"
#include "measure/Region.h"
#include "measure/RegionSeries.h"
#include "recording/TimeBase.h"

#include <memory>
#include <thread>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;

class PlotOverTimeWindow final : public PlotWindow {
    Q_OBJECT

public:
    enum class XAxis { Index = 0, Number = 1, Time = 2 };

    // Starts the run at once over frames first..last of the frame's recording.
    PlotOverTimeWindow(CChildFrame* frame, const Region& region, int first, int last);
    // Stops the worker and waits for it to finish the frame it is reading.
    ~PlotOverTimeWindow() override;

    void SetXAxis(XAxis axis);
    XAxis GetXAxis() const { return m_axis; }
    // Asks the worker to stop; the window learns of the end like of any end.
    void Cancel();
    bool Running() const { return m_bRunning; }
    // The run's end (valid once Running() is false).
    const SeriesResult& Result() const { return m_result; }
    const std::vector<RegionSample>& Samples() const { return m_samples; }
    int FirstFrame() const { return m_nFirst; }
    int LastFrame() const { return m_nLast; }

    Table MakeTable() const override;

    QComboBox* AxisBox() const { return m_pAxisBox; }
    QProgressBar* Progress() const { return m_pProgress; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QLabel* StatusLabel() const { return m_pStatus; }

signals:
    void finished();

protected:
    void OnFrameShown() override;
    void changeEvent(QEvent* event) override;

private:
    // The Time choice of the x axis while the recording has a rate.
    void OfferTime();
    // Takes a rate set or cleared since the window opened.
    void FollowRate();
    struct Shared;
    void CreateControls();
    void Start(const std::string& path);
    // Takes the worker's new samples; `wait`: even when it must wait for them.
    void Drain(bool wait);
    void OnFinished(const SeriesResult& result);
    void Replot();
    void ShowProgress();
    double XOfIndex(int64_t index) const;
    int IndexOfX(double x) const;
    void UpdateAxisLabels();

    Region m_region;
    int m_nFirst = 0;
    int m_nLast = 0;
    TimeBase m_time;
    TimeUnit m_timeUnit; // of the time axis
    XAxis m_axis = XAxis::Index;
    std::vector<RegionSample> m_samples;
    SeriesResult m_result;
    bool m_bRunning = false;
    int m_mean = 0, m_min = 0, m_max = 0; // the plot's series
    QComboBox* m_pAxisBox = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pCancel = nullptr;
    QLabel* m_pStatus = nullptr;
    std::shared_ptr<Shared> m_shared;
    std::jthread m_worker; // last: stopped and joined before the rest goes
};
