// SPDX-License-Identifier: BSD-3-Clause
// Navigation speed on a 1024 x 1024 recording (the demo writer's pattern,
// with an offset-gain correction): stepping with the Right key in the main
// window's 800 x 600 view, each frame drawn, beside RenderFrame alone on the
// same window; the display repack with the standard range beside the
// lookup-table ranges; and a zoomed view's redraw after a zoom step and a
// pan.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "bench/GuiBenchMain.h"
#include "recording/DemoRecording.h"
#include "display/CVornView.h"
#include "image/DisplayLut.h"
#include "image/Packers.h"
#include "recording/CVornDoc.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kFrames = 100;
constexpr int32_t kSize = 1024;

std::string g_path;

// One main window with the recording open, its view's client area 800 x 600.
struct Viewer {
    Viewer() {
        frame = std::make_unique<CMainFrame>();
        frame->SetMessageSink([](const QString&) {});
        frame->show();
        if (!frame->OpenDocumentFile(QString::fromStdString(g_path)))
            return;
        doc = frame->GetActiveDocument();
        view = frame->MDIGetActive()->GetActiveView();
        // A restored child window in a larger main window, sized so that its
        // view's client area is exactly 800 x 600.
        frame->resize(1280, 1000);
        CChildFrame* child = frame->MDIGetActive();
        child->showNormal();
        for (int round = 0; round < 4 && view->viewport()->size() != QSize(800, 600); ++round) {
            QApplication::processEvents();
            child->resize(child->size() + QSize(800, 600) - view->viewport()->size());
            QApplication::processEvents();
        }
        frame->OnIdle();
    }
    bool Ok() const { return doc != nullptr && view != nullptr; }

    std::unique_ptr<CMainFrame> frame;
    CVornDoc* doc = nullptr;
    CVornView* view = nullptr;
};

class WallClock {
public:
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

void CountFrames(benchmark::State& state, const WallClock& clock, const Viewer& viewer) {
    const double seconds = clock.Seconds();
    state.counters["frames/s"] =
        seconds > 0 ? static_cast<double>(state.iterations()) / seconds : 0.0;
    state.counters["viewport_w"] = viewer.view->viewport()->width();
    state.counters["viewport_h"] = viewer.view->viewport()->height();
}

// The baseline: the document's RenderFrame on the same window, frame after
// frame (decode, correct, repack, paint of the view, caption).
void BM_RenderFrameAlone(benchmark::State& state) {
    Viewer viewer;
    if (!viewer.Ok()) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    int32_t index = 0;
    const WallClock clock;
    for (auto _ : state) {
        viewer.doc->RenderFrame(index, 0, nullptr, 16, 8);
        index = (index + 1) % kFrames;
    }
    CountFrames(state, clock, viewer);
}
BENCHMARK(BM_RenderFrameAlone)->Unit(benchmark::kMillisecond);

// The Right key as the user presses it: the key event reaches the view, the
// frame is rendered and drawn, the caption, frame bar and slider follow.
void BM_RightKeyStep(benchmark::State& state) {
    Viewer viewer;
    if (!viewer.Ok()) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    const WallClock clock;
    for (auto _ : state) {
        const bool atEnd = viewer.doc->m_pReader->currentFrame == kFrames - 1;
        const Qt::Key key = atEnd ? Qt::Key_Home : Qt::Key_Right;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(viewer.view, &press);
        QApplication::sendEvent(viewer.view, &release);
        QApplication::processEvents(); // whatever the step posted
    }
    CountFrames(state, clock, viewer);
}
BENCHMARK(BM_RightKeyStep)->Unit(benchmark::kMillisecond);

// The display repack of one 1024 x 1024 frame: the standard sample >> 2
// (arg 0, the baseline); a custom window through the lookup table (1) and
// computed as the document does it (2); Auto with the frame's minimum and
// maximum (3) and Auto 0.5-99.5 % (4), each finding its window first.
void BM_DisplayRepack(benchmark::State& state) {
    std::vector<uint16_t> frame(static_cast<size_t>(kSize) * kSize);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint16_t>((i * 2654435761u >> 7) % 1024);
    std::vector<uint8_t> rows(static_cast<size_t>(kSize) * kSize);
    const int mode = static_cast<int>(state.range(0));
    const DisplayRange ranges[] = {{},
                                   {DisplayRangeMode::Custom, 100, 900},
                                   {DisplayRangeMode::Custom, 100, 900},
                                   {DisplayRangeMode::Auto},
                                   {DisplayRangeMode::AutoPercentile}};
    const char* labels[] = {"standard (PackGray8)", "custom via table", "custom computed",
                            "auto min-max", "auto 0.5-99.5 %"};
    for (auto _ : state) {
        if (mode == 0) {
            PackGray8(rows.data(), 2, 10, kSize, kSize, frame.data());
        } else if (mode == 1) {
            PackGray8Lut(rows.data(), kSize, kSize, frame.data(),
                         BuildDisplayLut(ranges[mode], frame.data(), frame.size()));
        } else {
            const SampleBounds window = RangeWindow(ranges[mode], frame.data(), frame.size());
            PackGray8Window(rows.data(), kSize, kSize, frame.data(), window.low, window.high);
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(labels[mode]);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize * kSize * 2);
}
BENCHMARK(BM_DisplayRepack)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

// A zoomed view's redraw: one zoom step (in and out again, arg 0) or one
// pan by 40 client pixels (arg 1), each followed by the repaint.
void BM_ZoomPanRedraw(benchmark::State& state) {
    Viewer viewer;
    if (!viewer.Ok()) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    CVornView* view = viewer.view;
    view->ZoomActualSize();
    view->ZoomIn(); // 2:1
    view->viewport()->repaint();
    const bool pan = state.range(0) != 0;
    int direction = 1;
    int steps = 0;
    for (auto _ : state) {
        if (pan) {
            QScrollBar* bar = view->horizontalScrollBar();
            if (bar->value() + 40 * direction > bar->maximum() || bar->value() + 40 * direction < 0)
                direction = -direction;
            bar->setValue(bar->value() + 40 * direction);
        } else if (++steps % 2 != 0) {
            view->ZoomIn();
        } else {
            view->ZoomOut();
        }
        view->viewport()->repaint();
    }
    state.SetLabel(pan ? "pan 40 px at 2:1" : "zoom step 2:1 <-> 4:1");
}
BENCHMARK(BM_ZoomPanRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunGuiBenchmarks(argc, argv, [](const QTemporaryDir& dir) {
        g_path = dir.filePath("navigation.vrn").toStdString();
        DemoOptions demo;
        demo.frames = kFrames;
        demo.width = kSize;
        demo.height = kSize;
        demo.correctionKind = 6;
        return WriteDemoRecording(g_path, demo);
    });
}
