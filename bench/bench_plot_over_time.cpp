// SPDX-License-Identifier: BSD-3-Clause
// Plot Over Time against the scan it runs: a 512 x 512 region over the 520
// frames of a 1024 x 1024 recording with an offset-gain correction.
//   BM_Stats        ScanRegionSeries alone (the baseline)
//   BM_PlotOverTime the window, from opening it to its last value drawn,
//                   with the recording open in a shown main window; a timer
//                   every 10 ms on the user-interface thread records how
//                   late it fires (counter max_late_ms).
//   BM_IdleProbe    the same timer for 500 ms with nothing else to do: how
//                   late the machine alone makes it.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/MeasurePlots.h"
#include "app/PlotOverTimeWindow.h"
#include "bench/GuiBenchMain.h"
#include "measure/RegionSeries.h"
#include "recording/DemoRecording.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <string>

namespace {

constexpr int32_t kFrames = 520;
constexpr int32_t kSize = 1024;
const Region kRegion{256, 256, 512, 512, false};

std::string g_path;

void BM_Stats(benchmark::State& state) {
    SeriesRequest request;
    request.recording = g_path;
    request.region = kRegion;
    for (auto _ : state) {
        double sum = 0;
        const SeriesResult result = ScanRegionSeries(request, [&](const RegionSample& sample) {
            sum += sample.stats.mean;
            return true;
        });
        if (result.status != SeriesStatus::Done || result.frames != kFrames)
            state.SkipWithError("the scan did not finish");
        benchmark::DoNotOptimize(sum);
    }
    state.counters["frames"] = kFrames;
}
BENCHMARK(BM_Stats)->Unit(benchmark::kMillisecond)->UseRealTime();

// Records the largest lateness of a 10 ms timer while it runs.
class LatenessProbe {
public:
    LatenessProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double late = static_cast<double>(m_sinceTick.nsecsElapsed()) / 1e6 - 10;
            if (late > m_maxLate) {
                m_maxLate = late;
                m_maxLateAt = static_cast<double>(m_sinceStart.elapsed());
            }
            m_sinceTick.restart();
        });
    }
    void Start() {
        m_sinceStart.start();
        m_sinceTick.start();
        m_timer.start();
    }
    void Stop() { m_timer.stop(); }
    double MaxLate() const { return m_maxLate; }
    // When the latest tick came, in ms since the last Start.
    double MaxLateAt() const { return m_maxLateAt; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    QElapsedTimer m_sinceStart;
    double m_maxLate = 0;
    double m_maxLateAt = 0;
};

void BM_IdleProbe(benchmark::State& state) {
    LatenessProbe probe;
    for (auto _ : state) {
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        probe.Start();
        loop.exec();
        probe.Stop();
    }
    state.counters["max_late_ms"] = probe.MaxLate();
}
BENCHMARK(BM_IdleProbe)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlotOverTime(benchmark::State& state) {
    CMainFrame frame;
    frame.SetMessageSink([&state](const QString& text) {
        state.SkipWithError(text.toStdString().c_str());
    });
    frame.resize(1000, 700);
    frame.show();
    if (!frame.OpenDocumentFile(QString::fromStdString(g_path))) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    LatenessProbe probe;
    for (auto _ : state) {
        OpenPlotOverTime(frame.MDIGetActive(), kRegion);
        auto* window = frame.MDIGetActive()->findChild<PlotOverTimeWindow*>();
        if (!window) {
            state.SkipWithError("no window");
            break;
        }
        QEventLoop loop;
        QObject::connect(window, &PlotOverTimeWindow::finished, &loop, &QEventLoop::quit);
        probe.Start();
        if (window->Running())
            loop.exec();
        probe.Stop();
        // Its last values drawn.
        window->repaint();
        if (window->Samples().size() != static_cast<std::size_t>(kFrames))
            state.SkipWithError("the plot did not finish");
        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
    state.counters["max_late_ms"] = probe.MaxLate();
    state.counters["max_late_at_ms"] = probe.MaxLateAt();
    state.counters["frames"] = kFrames;
}
BENCHMARK(BM_PlotOverTime)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunGuiBenchmarks(argc, argv, [](const QTemporaryDir& dir) {
        g_path = dir.filePath("plot.vrn").toStdString();
        DemoOptions demo;
        demo.frames = kFrames;
        demo.width = kSize;
        demo.height = kSize;
        demo.correctionKind = 6;
        return WriteDemoRecording(g_path, demo);
    });
}
