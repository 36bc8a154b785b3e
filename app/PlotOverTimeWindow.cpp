// SPDX-License-Identifier: BSD-3-Clause
#include "app/PlotOverTimeWindow.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/PlotWidget.h"
#include "app/TimeAxis.h"
#include "recording/CVornDoc.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("PlotOverTimeWindow", text);
}

// The worker hands on what it has at most this often, so the window repaints
// a few times a second however fast the frames come.
constexpr auto kBatchInterval = std::chrono::milliseconds(40);

QString RegionText(const Region& region) {
    const QString shape = region.ellipse ? Tr("Ellipse") : Tr("Rectangle");
    return Tr("%1 at %2, %3, %4 \u00d7 %5 px")
        .arg(shape)
        .arg(region.x)
        .arg(region.y)
        .arg(region.width)
        .arg(region.height);
}

QString Number(double value) {
    return QString::number(value, 'g', 10);
}

} // namespace

// What the worker and the window share: samples not yet handed on, and
// whether a hand-over is already queued.
struct PlotOverTimeWindow::Shared {
    std::mutex mutex;
    std::vector<RegionSample> pending;
    bool queued = false;
    std::chrono::steady_clock::time_point lastQueued;
};

PlotOverTimeWindow::PlotOverTimeWindow(CChildFrame* frame, const Region& region, int first,
                                       int last)
    : PlotWindow(frame, Tr("Plot Over Time")), m_region(region), m_nFirst(first),
      m_nLast(std::max(first, last)), m_shared(std::make_shared<Shared>()) {
    setObjectName(QStringLiteral("plot-over-time"));
    const CVornDoc* doc = Document();
    if (const CMainFrame* main = MainFrame(); main && main->Time() && doc)
        m_time = main->Time()->TimeOf(*doc);
    m_mean = Plot()->AddSeries(Tr("Mean"), QColor(31, 119, 180));
    m_min = Plot()->AddSeries(Tr("Min"), QColor(44, 160, 44));
    m_max = Plot()->AddSeries(Tr("Max"), QColor(214, 39, 40));
    CreateControls();
    connect(Plot(), &PlotWidget::clicked, this, [this](double x) { GoToFrame(IndexOfX(x)); });
    SetXAxis(XAxis::Index);
    FollowFrames();
    if (doc)
        Start(doc->GetPathName());
}

PlotOverTimeWindow::~PlotOverTimeWindow() {
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void PlotOverTimeWindow::CreateControls() {
    auto* shape = new QLabel(
        RegionText(m_region) + QStringLiteral(", ") +
            Tr("frames %1 to %2").arg(m_nFirst).arg(m_nLast),
        this);
    TopRow()->addWidget(shape, 1);
    TopRow()->addWidget(new QLabel(Tr("X axis:"), this));
    m_pAxisBox = new QComboBox(this);
    m_pAxisBox->addItems({Tr("Index"), Tr("Recorded number"), Tr("Time")});
    OfferTime();
    TopRow()->addWidget(m_pAxisBox);
    connect(m_pAxisBox, &QComboBox::activated, this,
            [this](int index) { SetXAxis(static_cast<XAxis>(index)); });

    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, m_nLast - m_nFirst + 1);
    m_pProgress->setValue(0);
    m_pCancel = new QPushButton(Tr("Cancel"), this);
    m_pCancel->setToolTip(Tr("Stop reading frames; the values so far stay"));
    m_pStatus = new QLabel(this);
    connect(m_pCancel, &QPushButton::clicked, this, &PlotOverTimeWindow::Cancel);
    BottomRow()->insertWidget(0, m_pProgress, 1);
    BottomRow()->insertWidget(1, m_pCancel);
    BottomRow()->insertWidget(2, m_pStatus);
}

void PlotOverTimeWindow::OfferTime() {
    const bool rate = m_time.Rate().has_value();
    if (rate) {
        const double span = std::max(std::abs(m_time.TimeOf(m_nFirst).value_or(0)),
                                     std::abs(m_time.TimeOf(m_nLast).value_or(0)));
        m_timeUnit = TimeUnitFor(span);
    }
    if (auto* model = qobject_cast<QStandardItemModel*>(m_pAxisBox->model()))
        model->item(static_cast<int>(XAxis::Time))->setEnabled(rate);
    m_pAxisBox->setItemData(static_cast<int>(XAxis::Time),
                            rate ? QVariant() : QVariant(Tr("The recording's rate is not known")),
                            Qt::ToolTipRole);
}

void PlotOverTimeWindow::FollowRate() {
    const CVornDoc* doc = Document();
    const CMainFrame* main = MainFrame();
    if (!doc || !main || !main->Time())
        return;
    const std::optional<double> rate = main->Time()->RateOf(*doc);
    if (rate == m_time.Rate())
        return;
    m_time.SetRate(rate);
    OfferTime();
    SetXAxis(m_axis); // falls back to the index without a rate
}

void PlotOverTimeWindow::changeEvent(QEvent* event) {
    // Back from File > Properties, where the rate is set.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FollowRate();
    PlotWindow::changeEvent(event);
}

void PlotOverTimeWindow::Start(const std::string& path) {
    SeriesRequest request;
    request.recording = path;
    request.region = m_region;
    request.first = m_nFirst;
    request.last = m_nLast;
    request.correction = true; // as the document reads its frames
    request.rate = m_time.Rate();
    m_bRunning = true;
    ShowProgress();
    m_worker = std::jthread([this, request, shared = m_shared](std::stop_token stop) {
        const SeriesResult result = ScanRegionSeries(request, [&](const RegionSample& sample) {
            if (stop.stop_requested())
                return false;
            bool queue = false;
            {
                std::scoped_lock lock(shared->mutex);
                shared->pending.push_back(sample);
                const auto now = std::chrono::steady_clock::now();
                if (!shared->queued && now - shared->lastQueued >= kBatchInterval) {
                    shared->queued = true;
                    shared->lastQueued = now;
                    queue = true;
                }
            }
            if (queue)
                QMetaObject::invokeMethod(this, [this] { Drain(false); }, Qt::QueuedConnection);
            return true;
        });
        // Drains whatever is left before it reports the end.
        QMetaObject::invokeMethod(this, [this, result] { OnFinished(result); },
                                  Qt::QueuedConnection);
    });
}

void PlotOverTimeWindow::Drain(bool wait) {
    std::vector<RegionSample> batch;
    {
        // The worker holds the lock only to add a sample; should it be
        // preempted meanwhile, the window tries again soon rather than wait.
        std::unique_lock lock(m_shared->mutex, std::defer_lock);
        if (wait) {
            lock.lock();
        } else if (!lock.try_lock()) {
            QTimer::singleShot(5, this, [this] { Drain(false); });
            return;
        }
        batch.swap(m_shared->pending);
        m_shared->queued = false;
    }
    for (const RegionSample& sample : batch) {
        const double x = XOfIndex(sample.index);
        Plot()->Append(m_mean, x, sample.stats.mean);
        Plot()->Append(m_min, x, sample.stats.min);
        Plot()->Append(m_max, x, sample.stats.max);
    }
    m_samples.insert(m_samples.end(), batch.begin(), batch.end());
    ShowProgress();
}

void PlotOverTimeWindow::OnFinished(const SeriesResult& result) {
    // The worker has left its scan and holds no lock; the thread itself is
    // joined with the window, so the window never waits for it to end.
    Drain(true);
    m_result = result;
    m_bRunning = false;
    m_pCancel->setEnabled(false);
    ShowProgress();
    emit finished();
}

void PlotOverTimeWindow::Cancel() {
    if (m_bRunning)
        m_worker.request_stop();
}

void PlotOverTimeWindow::ShowProgress() {
    const int count = static_cast<int>(m_samples.size());
    m_pProgress->setValue(std::min(count, m_pProgress->maximum()));
    const int total = m_pProgress->maximum();
    QString text;
    if (m_bRunning) {
        text = Tr("%1 of %2 frames").arg(count).arg(total);
    } else {
        switch (m_result.status) {
        case SeriesStatus::Done:
            text = Tr("%1 frames").arg(count);
            break;
        case SeriesStatus::Cancelled:
            text = Tr("Cancelled after %1 of %2 frames").arg(count).arg(total);
            break;
        case SeriesStatus::Failed:
        case SeriesStatus::Refused:
            text = Tr("Stopped after %1 frames: %2")
                       .arg(count)
                       .arg(QString::fromStdString(m_result.message));
            break;
        }
    }
    m_pStatus->setText(text);
}

double PlotOverTimeWindow::XOfIndex(int64_t index) const {
    switch (m_axis) {
    case XAxis::Number:
        return static_cast<double>(m_time.NumberOf(index));
    case XAxis::Time:
        return m_time.TimeOf(index).value_or(0) * m_timeUnit.perSecond;
    case XAxis::Index:
        break;
    }
    return static_cast<double>(index);
}

int PlotOverTimeWindow::IndexOfX(double x) const {
    int64_t index = 0;
    switch (m_axis) {
    case XAxis::Index:
        index = std::llround(x);
        break;
    case XAxis::Number:
        index = std::llround(x) - m_time.FirstNumber();
        break;
    case XAxis::Time:
        index = m_time.ClampedIndexNearTime(x / m_timeUnit.perSecond);
        break;
    }
    return static_cast<int>(std::clamp<int64_t>(index, m_nFirst, m_nLast));
}

void PlotOverTimeWindow::SetXAxis(XAxis axis) {
    if (axis == XAxis::Time && !m_time.Rate())
        axis = XAxis::Index;
    m_axis = axis;
    m_pAxisBox->setCurrentIndex(static_cast<int>(axis));
    UpdateAxisLabels();
    Replot();
}

void PlotOverTimeWindow::UpdateAxisLabels() {
    QString label = Tr("Frame index");
    if (m_axis == XAxis::Number) {
        label = Tr("Recorded frame number");
    } else if (m_axis == XAxis::Time) {
        label = Tr("Time from the trigger (%1)").arg(QString::fromUtf8(m_timeUnit.name));
    }
    Plot()->SetAxisLabels(label, Tr("Value"));
    Plot()->SetIntegerX(m_axis != XAxis::Time);
    Plot()->SetXSpan(std::pair{XOfIndex(m_nFirst), XOfIndex(m_nLast)});
}

void PlotOverTimeWindow::Replot() {
    std::vector<double> x, mean, low, high;
    for (const RegionSample& sample : m_samples) {
        x.push_back(XOfIndex(sample.index));
        mean.push_back(sample.stats.mean);
        low.push_back(sample.stats.min);
        high.push_back(sample.stats.max);
    }
    Plot()->SetData(m_mean, x, std::move(mean));
    Plot()->SetData(m_min, x, std::move(low));
    Plot()->SetData(m_max, std::move(x), std::move(high));
    OnFrameShown();
}

void PlotOverTimeWindow::OnFrameShown() {
    FollowRate();
    const int shown = ShownFrame();
    Plot()->SetCursor(shown >= 0 ? std::optional<double>(XOfIndex(shown)) : std::nullopt);
}

PlotWindow::Table PlotOverTimeWindow::MakeTable() const {
    Table table;
    table.header = {QStringLiteral("index"), QStringLiteral("number"), QStringLiteral("time_s"),
                    QStringLiteral("mean"),  QStringLiteral("std"),    QStringLiteral("min"),
                    QStringLiteral("max"),   QStringLiteral("pixels")};
    for (const RegionSample& sample : m_samples) {
        const std::optional<double> seconds = m_time.TimeOf(sample.index);
        const QString time = seconds ? QString::fromStdString(SecondsText(*seconds)) : QString();
        table.rows.push_back({QString::number(sample.index), QString::number(sample.number), time,
                              Number(sample.stats.mean), Number(sample.stats.stddev),
                              QString::number(sample.stats.min), QString::number(sample.stats.max),
                              QString::number(sample.stats.pixels)});
    }
    return table;
}
