// SPDX-License-Identifier: BSD-3-Clause
#include "Export.h"

#include "Termination.h"
#include "export/Export.h"

#include <pybind11/stl.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace py = pybind11;

namespace {

// Reads an option text with the engine's reader; its error as ValueError.
template <typename T, typename Reader>
T Parsed(const std::string& text, Reader reader) {
    T value{};
    std::string error;
    if (!reader(text, value, error)) {
        throw py::value_error(error);
    }
    return value;
}

// Runs the export on a thread of its own while this thread, without the GIL,
// watches for Ctrl-C, SIGTERM and SIGHUP and turns them into a cancel: the
// engine then stops after the frames in progress and removes its temporaries.
ExportSummary RunWatched(const ExportRequest& request, std::optional<py::error_already_set>& interrupt) {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    ExportSummary summary;
    const TerminationGuard termination;
    py::gil_scoped_release release;
    std::thread worker([&] {
        ExportHooks hooks;
        hooks.cancel = &cancel;
        summary = RunExport(request, hooks);
        const std::lock_guard lock(mutex);
        done = true;
        wake.notify_all();
    });
    std::unique_lock lock(mutex);
    while (!wake.wait_for(lock, std::chrono::milliseconds(25), [&] { return done; })) {
        if (TerminationGuard::Noted()) {
            cancel.store(true);
        }
        lock.unlock();
        {
            py::gil_scoped_acquire acquire;
            if (!interrupt && PyErr_CheckSignals() != 0) {
                interrupt.emplace();
                cancel.store(true);
            }
        }
        lock.lock();
    }
    lock.unlock();
    worker.join();
    return summary;
}

py::dict SummaryDict(const ExportSummary& summary) {
    py::dict result;
    std::string status = "done";
    std::string message = summary.usageError;
    py::list files;
    for (const ExportReport& report : summary.recordings) {
        for (const std::string& file : report.files) {
            files.append(py::bytes(file));
        }
        if (report.status == ExportReport::Status::Failed) {
            status = "failed";
            message = report.message;
        } else if (report.status == ExportReport::Status::Refused) {
            status = "refused";
            message = report.message;
        } else if (report.status == ExportReport::Status::Cancelled && status == "done") {
            status = "cancelled";
        }
    }
    if (!summary.usageError.empty()) {
        status = "refused";
    } else if (summary.cancelled && status == "done") {
        status = "cancelled";
    }
    result["status"] = status;
    result["message"] = py::bytes(message); // may carry paths: the file system's bytes
    result["files"] = files;
    result["frames"] = summary.frames;
    result["bytes"] = summary.bytes;
    result["seconds"] = summary.seconds;
    return result;
}

struct Options {
    std::string format; // empty: from the output's extension
    std::optional<int> first;
    std::optional<int> last;
    std::string firstFrame;
    std::string lastFrame;
    int step = 1;
    std::string crop; // "X,Y,W,H" or empty
    std::optional<double> rate;
    std::string fps;
    int quality = 18;
    std::string range;
    int bits = 16;
    std::string overlay; // "number,time,scale" or empty
    std::string scale;
    int jobs = 0;
};

ExportRequest MakeRequest(const std::string& recording, const std::string& output,
                          const Options& o) {
    ExportRequest request;
    request.recordings = {recording};
    request.output = output;
    if (!o.format.empty()) {
        request.format = Parsed<ExportFormat>(o.format, ParseExportFormat);
    }
    request.first = o.first;
    request.last = o.last;
    request.firstFrame = o.firstFrame;
    request.lastFrame = o.lastFrame;
    request.step = o.step;
    if (!o.crop.empty()) {
        request.crop = Parsed<CropRect>(o.crop, ParseCrop);
    }
    request.rate = o.rate;
    request.fps = o.fps;
    request.quality = o.quality;
    request.range = Parsed<ExportRange>(o.range, ParseExportRange);
    request.bits = o.bits;
    if (!o.overlay.empty()) {
        request.overlay = Parsed<ExportOverlay>(o.overlay, ParseOverlay);
    }
    if (!o.scale.empty()) {
        request.scale = Parsed<Scale>(o.scale, ParseScale);
    }
    request.jobs = o.jobs;
    return request;
}

py::dict Export(const std::string& recording, const std::string& output, const Options& options) {
    const ExportRequest request = MakeRequest(recording, output, options);
    std::optional<py::error_already_set> interrupt;
    const ExportSummary summary = RunWatched(request, interrupt);
    if (interrupt) {
        throw std::move(*interrupt);
    }
    return SummaryDict(summary);
}

} // namespace

void BindExport(py::module_& m) {
    m.def(
        "export",
        [](const std::string& recording, const std::string& output, const std::string& format,
           std::optional<int> first, std::optional<int> last, const std::string& firstFrame,
           const std::string& lastFrame, int step, const std::string& crop,
           std::optional<double> rate, const std::string& fps, int quality,
           const std::string& range, int bits, const std::string& overlay,
           const std::string& scale, int jobs) {
            return Export(recording, output,
                          {format, first, last, firstFrame, lastFrame, step, crop, rate, fps,
                           quality, range, bits, overlay, scale, jobs});
        },
        py::arg("recording"), py::arg("output"), py::arg("format"), py::arg("first"),
        py::arg("last"), py::arg("first_frame"), py::arg("last_frame"), py::arg("step"),
        py::arg("crop"), py::arg("rate"), py::arg("fps"), py::arg("quality"), py::arg("range"),
        py::arg("bits"), py::arg("overlay"), py::arg("scale"), py::arg("jobs"),
        "Exports frames as quorvane-cli export does; a dict of status, message and files.");
}
