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

std::optional<ExportFormat> ParseFormat(const std::string& name) {
    static const std::pair<const char*, ExportFormat> kFormats[] = {
        {"mp4", ExportFormat::Mp4}, {"mkv", ExportFormat::Mkv},
        {"avi", ExportFormat::Avi}, {"png", ExportFormat::Png},
        {"ome-tiff", ExportFormat::OmeTiff},
    };
    if (name.empty()) {
        return std::nullopt;
    }
    for (const auto& [text, format] : kFormats) {
        if (name == text) {
            return format;
        }
    }
    throw py::value_error("format must be mp4, mkv, avi, png or ome-tiff, not " + name);
}

ExportRange::Kind ParseRangeKind(const std::string& kind) {
    if (kind == "standard") {
        return ExportRange::Kind::Standard;
    }
    if (kind == "auto") {
        return ExportRange::Kind::Auto;
    }
    if (kind == "percentile") {
        return ExportRange::Kind::Percentile;
    }
    return ExportRange::Kind::Values;
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
    while (!wake.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; })) {
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
    std::string format;
    std::optional<int> first;
    std::optional<int> last;
    std::string firstFrame;
    std::string lastFrame;
    int step = 1;
    std::optional<py::tuple> crop;
    std::optional<double> rate;
    std::string fps;
    int quality = 18;
    std::string rangeKind;
    double low = 0;
    double high = 1023;
    int bits = 16;
    py::tuple overlay; // (number, time, scale)
    std::string scale;
    int jobs = 0;
};

ExportRequest MakeRequest(const std::string& recording, const std::string& output,
                          const Options& o) {
    ExportRequest request;
    request.recordings = {recording};
    request.output = output;
    request.format = ParseFormat(o.format);
    request.first = o.first;
    request.last = o.last;
    request.firstFrame = o.firstFrame;
    request.lastFrame = o.lastFrame;
    request.step = o.step;
    if (o.crop) {
        const py::tuple& c = *o.crop;
        request.crop = CropRect{py::cast<int>(c[0]), py::cast<int>(c[1]), py::cast<int>(c[2]),
                                py::cast<int>(c[3])};
    }
    request.rate = o.rate;
    request.fps = o.fps;
    request.quality = o.quality;
    request.range = {ParseRangeKind(o.rangeKind), o.low, o.high};
    request.bits = o.bits;
    request.overlay = {py::cast<bool>(o.overlay[0]), py::cast<bool>(o.overlay[1]),
                       py::cast<bool>(o.overlay[2])};
    if (!o.scale.empty()) {
        Scale scale;
        std::string error;
        if (!ParseScale(o.scale, scale, error)) {
            throw py::value_error(error);
        }
        request.scale = scale;
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
           const std::string& lastFrame, int step, std::optional<py::tuple> crop,
           std::optional<double> rate, const std::string& fps, int quality,
           const std::string& rangeKind, double low, double high, int bits, py::tuple overlay,
           const std::string& scale, int jobs) {
            return Export(recording, output,
                          {format, first, last, firstFrame, lastFrame, step, std::move(crop), rate,
                           fps, quality, rangeKind, low, high, bits, std::move(overlay), scale,
                           jobs});
        },
        py::arg("recording"), py::arg("output"), py::arg("format"), py::arg("first"),
        py::arg("last"), py::arg("first_frame"), py::arg("last_frame"), py::arg("step"),
        py::arg("crop"), py::arg("rate"), py::arg("fps"), py::arg("quality"),
        py::arg("range_kind"), py::arg("low"), py::arg("high"), py::arg("bits"),
        py::arg("overlay"), py::arg("scale"), py::arg("jobs"),
        "Exports frames as quorvane-cli export does; a dict of status, message and files.");
}
