// SPDX-License-Identifier: BSD-3-Clause
// Playback speed: RenderFrame over the frames of a 1024 x 1024 recording with
// one visible 800 x 600 view, beside decoding alone, rendering without a view,
// a repaint alone, and the surface's draw of a grey and of a colour-table
// block; then where a played frame's time goes (read, unpack, correction,
// repack, paint). Two recordings of 500 frames are written once to a
// temporary folder: one without correction (arg 0) and one with an
// offset-gain correction (arg 1). Last, playback with and without the
// Measurements dock following shapes in the view.
#include "recording/DemoRecording.h"
#include "app/MeasureDock.h"
#include "display/CVornView.h"
#include "display/DibSurface.h"
#include "image/Packers.h"
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"
#include "recording/VornWriter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int32_t kFrames = 500;
constexpr int32_t kSize = 1024;
constexpr int32_t kWholeFrame = 0x7FFFFFFF;

std::string g_path;      // no correction
std::string g_corrected; // offset-gain correction

const std::string& PathFor(const benchmark::State& state) {
    return state.range(0) != 0 ? g_corrected : g_path;
}

// Wall-clock time of a benchmark's loop. Rate counters divide by the
// process's CPU time, which leaves out the time a frame waits for the
// offscreen platform or for a busy machine; playback speed is what the user
// sees, so frames/s is counted against this clock.
class WallClock {
public:
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// Shows `view` with an 800 x 600 viewport.
void ShowView(CVornView& view) {
    view.OnInitialUpdate();
    view.show();
    view.resize(QSize(800, 600) + (view.size() - view.viewport()->size()));
}

void CountFrames(benchmark::State& state, const WallClock& clock) {
    state.SetItemsProcessed(state.iterations());
    const double seconds = clock.Seconds();
    state.counters["frames/s"] =
        seconds > 0 ? static_cast<double>(state.iterations()) / seconds : 0.0;
}

// Decoding only: the reader into a frame buffer, frame after frame.
void BM_ReadFrame(benchmark::State& state) {
    VornReader reader;
    if (reader.Open(g_path.c_str(), 1) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    std::vector<uint16_t> frame(static_cast<std::size_t>(kSize) * kSize);
    int32_t index = 0;
    const WallClock clock;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.ReadFrame(frame.data(), index, kWholeFrame));
        benchmark::ClobberMemory();
        index = (index + 1) % kFrames;
    }
    CountFrames(state, clock);
}
BENCHMARK(BM_ReadFrame)->Unit(benchmark::kMillisecond);

// The playback call with no window: decode and repack the display image.
void BM_RenderFrameNoView(benchmark::State& state) {
    CVornDoc document;
    if (document.OnOpenDocument(g_path.c_str()) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    int32_t index = 0;
    const WallClock clock;
    for (auto _ : state) {
        if (document.RenderFrame(index, 0, nullptr, 16, 8) == 0) {
            state.SkipWithError("RenderFrame failed");
            break;
        }
        index = (index + 1) % kFrames;
    }
    CountFrames(state, clock);
}
BENCHMARK(BM_RenderFrameNoView)->Unit(benchmark::kMillisecond);

// Playback as the user sees it: every frame painted into the view before
// RenderFrame returns.
void BM_RenderFrameView(benchmark::State& state) {
    CVornDoc document;
    if (document.OnOpenDocument(PathFor(state).c_str()) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    CVornView view(&document);
    ShowView(view);
    QApplication::processEvents();
    int32_t index = 0;
    const WallClock clock;
    for (auto _ : state) {
        if (document.RenderFrame(index, 0, nullptr, 16, 8) == 0) {
            state.SkipWithError("RenderFrame failed");
            break;
        }
        index = (index + 1) % kFrames;
    }
    CountFrames(state, clock);
    state.counters["viewport_w"] = view.viewport()->width();
    state.counters["viewport_h"] = view.viewport()->height();
    state.SetLabel(state.range(0) != 0 ? "offset-gain" : "no correction");
}
BENCHMARK(BM_RenderFrameView)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The view's paint alone (background fill, title, fit, draw, flush).
void BM_RepaintOnly(benchmark::State& state) {
    CVornDoc document;
    if (document.OnOpenDocument(g_path.c_str()) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    CVornView view(&document);
    ShowView(view);
    QApplication::processEvents();
    const WallClock clock;
    for (auto _ : state)
        view.RepaintNow();
    CountFrames(state, clock);
}
BENCHMARK(BM_RepaintOnly)->Unit(benchmark::kMillisecond);

// RenderFrame's steps with a visible view, taken one at a time on the
// document's own reader and images, each timed: read (seek and read of the
// stored frame), unpack, correction, repack (the display rows) and paint (the
// view's synchronous repaint, its title changing every frame as in playback).
// Counters give each step's mean time per frame in ms and its share in %.
void BM_PlaybackStages(benchmark::State& state) {
    CVornDoc document;
    if (document.OnOpenDocument(PathFor(state).c_str()) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    CVornView view(&document);
    ShowView(view);
    QApplication::processEvents();

    VornReader& reader = *document.m_pReader;
    std::vector<uint8_t> packed(static_cast<std::size_t>(reader.frameBytes));
    uint16_t* samples = document.m_pRawPixels;
    uint8_t* display = document.m_pDisplayImage->GetBits(nullptr);
    using Clock = std::chrono::steady_clock;
    constexpr std::size_t kStages = 5;
    static constexpr std::array<const char*, kStages> kNames = {"read", "unpack", "correction",
                                                                "repack", "paint"};
    std::array<double, kStages> seconds{};
    int32_t index = 0;
    const WallClock clock;
    for (auto _ : state) {
        std::array<Clock::time_point, kStages + 1> t;
        t[0] = Clock::now();
        if (reader.SeekFrame(index) != 0 ||
            reader.file.Read(packed.data(), reader.frameBytes) != reader.frameBytes) {
            state.SkipWithError("cannot read the frame");
            break;
        }
        t[1] = Clock::now();
        reader.Unpack(samples, packed.data(), reader.width, reader.height);
        t[2] = Clock::now();
        reader.ApplyCorrection(samples);
        t[3] = Clock::now();
        PackGray8(display, document.m_nSampleBytes, document.m_nSampleBits, document.m_nWidth,
                  document.m_nHeight, samples);
        t[4] = Clock::now();
        view.RepaintNow();
        t[5] = Clock::now();
        for (std::size_t k = 0; k < kStages; ++k)
            seconds[k] += std::chrono::duration<double>(t[k + 1] - t[k]).count();
        index = (index + 1) % kFrames;
    }
    CountFrames(state, clock);
    double total = 0;
    for (const double s : seconds)
        total += s;
    const auto frames =
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    for (std::size_t k = 0; k < kStages; ++k) {
        state.counters[std::string(kNames[k]) + "_ms"] = 1000.0 * seconds[k] / frames;
        state.counters[std::string(kNames[k]) + "_%"] = total > 0 ? 100.0 * seconds[k] / total : 0;
    }
    state.SetLabel(state.range(0) != 0 ? "offset-gain" : "no correction");
}
BENCHMARK(BM_PlaybackStages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// DibSurface::Draw of a fitted 1024 x 1024 block into an 800 x 600 canvas:
// arg 0 = identity grey palette (drawn as Grayscale8), 1 = another palette
// (drawn through a colour table).
void BM_SurfaceDraw(benchmark::State& state) {
    const std::size_t rowsBytes = static_cast<std::size_t>(kSize) * kSize;
    std::vector<uint32_t> block((static_cast<std::size_t>(kGreyDibHeaderSize) + rowsBytes) / 4);
    auto* bytes = reinterpret_cast<uint8_t*>(block.data());
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes);
    header->biSize = 40;
    header->biWidth = kSize;
    header->biHeight = kSize;
    header->biPlanes = 1;
    header->biBitCount = 8;
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
            bytes[40 + i * 4 + c] = static_cast<uint8_t>(i);
    if (state.range(0) != 0)
        bytes[40 + 4 * 255] = 0; // no longer grey: blue of white removed
    for (std::size_t i = 0; i < rowsBytes; ++i)
        bytes[static_cast<std::size_t>(kGreyDibHeaderSize) + i] = static_cast<uint8_t>(i * 7);

    DibSurface surface;
    if (surface.Open(nullptr, header) == 0) {
        state.SkipWithError("cannot open the surface");
        return;
    }
    QImage canvas(800, 600, QImage::Format_RGB32);
    const QRect client(0, 0, 800, 600);
    const WallClock clock;
    for (auto _ : state) {
        QPainter painter(&canvas);
        surface.SetView(client, QPoint(kSize / 2, kSize / 2), 0, 1);
        benchmark::DoNotOptimize(surface.Draw(painter, client, header, nullptr));
    }
    CountFrames(state, clock);
    state.SetLabel(surface.hdd.image.format() == QImage::Format_Grayscale8 ? "Grayscale8"
                                                                           : "Indexed8");
}
BENCHMARK(BM_SurfaceDraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A 512 x 512 region, an ellipse, a line and a point.
void AddShapes(CVornView& view) {
    view.Shapes().SetFrameSize(kSize, kSize);
    view.Shapes().Add({ShapeKind::Rectangle, 256, 256, 767, 767});
    view.Shapes().Add({ShapeKind::Ellipse, 100, 100, 299, 399});
    view.Shapes().Add({ShapeKind::Line, 10, 10, 900, 500});
    view.Shapes().Add({ShapeKind::Point, 512, 512, 512, 512});
}

// Playback as a run drives it (RenderFrame, then the event loop's turn)
// without measurements (arg 0), with the Measurements dock following a
// 512 x 512 region, an ellipse, a line and a point in the view (arg 1), and
// with those shapes drawn but no dock (arg 2).
void BM_PlaybackMeasured(benchmark::State& state) {
    CVornDoc document;
    if (document.OnOpenDocument(g_corrected.c_str()) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    CVornView view(&document);
    ShowView(view);
    MeasureDock dock;
    if (state.range(0) != 0) {
        AddShapes(view);
        if (state.range(0) == 1) {
            dock.SetView(&view);
            dock.show();
        }
    }
    QApplication::processEvents();
    int32_t index = 0;
    const WallClock clock;
    for (auto _ : state) {
        if (document.RenderFrame(index, 0, nullptr, 16, 8) == 0) {
            state.SkipWithError("RenderFrame failed");
            break;
        }
        QApplication::processEvents();
        index = (index + 1) % kFrames;
    }
    CountFrames(state, clock);
    state.SetLabel(state.range(0) == 1   ? "with the dock"
                   : state.range(0) == 2 ? "shapes, no dock"
                                         : "without measurements");
}
// One refresh of the dock's tables for the shapes above (arg 1), with the
// paint that follows, and a paint of the view with (arg 1) and without
// (arg 0) the shapes' overlay.
void BM_MeasureParts(benchmark::State& state) {
    CVornDoc document;
    if (document.OnOpenDocument(g_corrected.c_str()) == 0) {
        state.SkipWithError("cannot open the recording");
        return;
    }
    CVornView view(&document);
    ShowView(view);
    MeasureDock dock;
    const bool dockPart = state.range(0) == 2;
    if (state.range(0) != 0) {
        AddShapes(view);
    }
    if (dockPart) {
        dock.SetView(&view);
        dock.show();
    }
    QApplication::processEvents();
    int32_t index = 0;
    for (auto _ : state) {
        if (dockPart) {
            state.PauseTiming();
            document.RenderFrame(index, 0, nullptr, 16, 8);
            index = (index + 1) % kFrames;
            state.ResumeTiming();
            dock.Refresh();
            dock.repaint();
        } else {
            view.RepaintNow();
        }
    }
    state.SetLabel(state.range(0) == 2 ? "dock refresh" : state.range(0) == 1 ? "paint, shapes"
                                                                              : "paint");
}
BENCHMARK(BM_MeasureParts)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PlaybackMeasured)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    QTemporaryDir dir;
    g_path = dir.filePath("playback.vrn").toStdString();
    VornRecipe recording;
    recording.width = kSize;
    recording.height = kSize;
    recording.frameCount = kFrames;
    g_corrected = dir.filePath("corrected.vrn").toStdString();
    DemoOptions corrected;
    corrected.frames = kFrames;
    corrected.width = kSize;
    corrected.height = kSize;
    corrected.correctionKind = 6;
    if (!dir.isValid() || !WriteVorn(g_path.c_str(), recording) ||
        !WriteDemoRecording(g_corrected, corrected)) {
        std::fprintf(stderr, "cannot write the recordings in %s\n",
                     dir.path().toLocal8Bit().constData());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
