// SPDX-License-Identifier: BSD-3-Clause
// Measurements for the Python package, by the same functions as the viewer
// and quorvane-cli: a region's statistics over frames, scanned while each
// frame is decoded with the GIL released, and the values along a line.
#include "Measure.h"

#include "RecordingReader.h"
#include "measure/Line.h"
#include "measure/RegionSeries.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// How often a scan looks for Ctrl-C: taking the GIL for every frame would
// make it wait on other Python threads.
constexpr std::chrono::milliseconds kSignalCheck{50};

struct SeriesColumns {
    std::vector<int64_t> index, number, min, max, pixels;
    std::vector<double> seconds, mean, stddev;

    void Add(const RegionSample& sample) {
        index.push_back(sample.index);
        number.push_back(sample.number);
        seconds.push_back(sample.seconds.value_or(std::numeric_limits<double>::quiet_NaN()));
        mean.push_back(sample.stats.mean);
        stddev.push_back(sample.stats.stddev);
        min.push_back(sample.stats.min);
        max.push_back(sample.stats.max);
        pixels.push_back(sample.stats.pixels);
    }
};

template <typename T>
py::array_t<T> Array(const std::vector<T>& values) {
    py::array_t<T> array(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), array.mutable_data());
    return array;
}

py::object ErrorClass(const char* name) {
    return py::module_::import("quorvane._errors").attr(name);
}

// Messages carry the path, which is bytes in the file system's encoding.
py::str PathText(const std::string& text) {
    PyObject* decoded =
        PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    if (decoded == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(decoded);
}

[[noreturn]] void Raise(PyObject* type, const py::object& value) {
    PyErr_SetObject(type, value.ptr());
    throw py::error_already_set();
}

// The scan's failure as the package's exceptions: a usage problem is a
// ValueError, a cut frame a ShortFrameError, a file that no longer opens a
// VornError.
[[noreturn]] void RaiseFailure(const SeriesRequest& request, const SeriesResult& result) {
    const py::str message = PathText(result.message);
    if (result.status == SeriesStatus::Refused) {
        Raise(PyExc_ValueError, message);
    }
    if (result.message.rfind("cannot open ", 0) == 0) {
        const py::object type = ErrorClass("VornError");
        Raise(type.ptr(), type(message));
    }
    const auto frame = request.first + result.frames * request.step;
    const py::object type = ErrorClass("ShortFrameError");
    Raise(type.ptr(), type(message, frame, PathText(request.recording)));
}

py::dict RegionStatsOf(const std::string& path, bool correction, int x, int y, int width,
                       int height, bool ellipse, int first, int last, int step,
                       std::optional<double> rate) {
    SeriesRequest request{path, {x, y, width, height, ellipse}, first, last, step, correction, rate};
    SeriesColumns columns;
    std::optional<py::error_already_set> interrupt;
    SeriesResult result;
    {
        py::gil_scoped_release release;
        auto checked = std::chrono::steady_clock::now();
        result = ScanRegionSeries(request, [&](const RegionSample& sample) {
            columns.Add(sample);
            const auto now = std::chrono::steady_clock::now();
            if (now - checked < kSignalCheck) {
                return true;
            }
            checked = now;
            py::gil_scoped_acquire acquire;
            if (PyErr_CheckSignals() != 0) {
                interrupt.emplace();
                return false;
            }
            return true;
        });
    }
    if (interrupt) {
        throw std::move(*interrupt);
    }
    if (result.status != SeriesStatus::Done) {
        RaiseFailure(request, result);
    }
    py::dict out;
    out["index"] = Array(columns.index);
    out["number"] = Array(columns.number);
    out["time_s"] = Array(columns.seconds);
    out["mean"] = Array(columns.mean);
    out["std"] = Array(columns.stddev);
    out["min"] = Array(columns.min);
    out["max"] = Array(columns.max);
    out["pixels"] = Array(columns.pixels);
    return out;
}

py::array_t<double> LineProfileOf(RecordingReader& reader, int64_t frame, double x0, double y0,
                                  double x1, double y1) {
    const Line line{x0, y0, x1, y1};
    if (const std::string problem = CheckLine(line, reader.width, reader.height); !problem.empty()) {
        throw py::value_error(problem);
    }
    std::vector<double> values;
    {
        py::gil_scoped_release release;
        std::vector<uint16_t> samples(static_cast<size_t>(reader.width) *
                                      static_cast<size_t>(reader.height));
        reader.Read(frame, samples.data());
        values = LineProfile(samples.data(), reader.width, reader.height, line);
    }
    return Array(values);
}

} // namespace

void BindMeasure(py::module_& m) {
    m.def("region_stats", &RegionStatsOf, py::arg("path"), py::arg("correction"), py::arg("x"),
          py::arg("y"), py::arg("width"), py::arg("height"), py::arg("ellipse"), py::arg("first"),
          py::arg("last"), py::arg("step"), py::arg("rate"),
          "Columns of a region's statistics over frames first..last by step.");
    m.def("line_profile", &LineProfileOf, py::arg("reader"), py::arg("frame"), py::arg("x0"),
          py::arg("y0"), py::arg("x1"), py::arg("y1"),
          "The values along a line in one frame (float64).");
}
