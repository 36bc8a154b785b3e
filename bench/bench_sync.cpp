// SPDX-License-Identifier: BSD-3-Clause
// Stepping with the Right key while Window > Synchronize Views is on: four
// tiled 1024 x 1024 recordings (offset-gain correction, first numbers -40,
// -30, -20 and -10) follow the active one, each frame decoded and drawn in
// every window; beside the same stepping in one window of the same run.
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/TimeAxis.h"
#include "bench/GuiBenchMain.h"
#include "display/CVornView.h"
#include "recording/CVornDoc.h"
#include "recording/DemoRecording.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
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
constexpr int kRecordings = 4;

std::vector<std::string> g_paths;

void BM_RightKeySynchronized(benchmark::State& state) {
    const int windows = static_cast<int>(state.range(0));
    CMainFrame frame;
    frame.SetMessageSink([](const QString&) {});
    frame.resize(1280, 1000);
    frame.show();
    for (int i = 0; i < windows; ++i) {
        if (!frame.OpenDocumentFile(QString::fromStdString(g_paths[static_cast<size_t>(i)]))) {
            state.SkipWithError("cannot open the recordings");
            return;
        }
    }
    frame.MdiArea()->tileSubWindows();
    frame.Time()->SetSynchronized(windows > 1);
    QApplication::processEvents();
    frame.OnIdle();
    CVornDoc* doc = frame.GetActiveDocument();
    CVornView* view = frame.MDIGetActive()->GetActiveView();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const Qt::Key key = doc->m_pReader->currentFrame == kFrames - 1 ? Qt::Key_Home : Qt::Key_Right;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(view, &press);
        QApplication::sendEvent(view, &release);
        QApplication::processEvents();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["steps/s"] = seconds > 0 ? static_cast<double>(state.iterations()) / seconds : 0;
    state.counters["windows"] = windows;
    state.counters["viewport_w"] = view->viewport()->width();
    state.counters["viewport_h"] = view->viewport()->height();
}
BENCHMARK(BM_RightKeySynchronized)->Arg(1)->Arg(kRecordings)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunGuiBenchmarks(argc, argv, [](const QTemporaryDir& dir) {
        for (int i = 0; i < kRecordings; ++i) {
            DemoOptions demo;
            demo.frames = kFrames;
            demo.width = kSize;
            demo.height = kSize;
            demo.correctionKind = 6;
            demo.firstNumber = -40 + 10 * i;
            g_paths.push_back(dir.filePath(QStringLiteral("sync%1.vrn").arg(i)).toStdString());
            if (!WriteDemoRecording(g_paths.back(), demo))
                return false;
        }
        return true;
    });
}
