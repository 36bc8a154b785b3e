// SPDX-License-Identifier: BSD-3-Clause
// The time axis for the Python package: rates, frame numbers, times and the
// frame nearest a time, all from the core's TimeBase, and the description
// `quorvane-cli info --json` prints.
#include "Time.h"

#include "convert/RecordingDescription.h"
#include "recording/RecordingInfo.h"
#include "recording/TimeBase.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

namespace py = pybind11;

namespace {

double ReadRate(const std::string& text) {
    double rate = 0;
    std::string error;
    if (!ParseRate(text, rate, error)) {
        throw py::value_error(error);
    }
    return rate;
}

double CheckedRate(double rate) {
    if (std::string why = CheckRate(rate); !why.empty()) {
        throw py::value_error(why);
    }
    return rate;
}

py::array_t<int64_t> FrameNumbers(int32_t first, int32_t count) {
    const TimeBase time(first, count);
    py::array_t<int64_t> numbers(time.Count());
    auto out = numbers.mutable_unchecked<1>();
    for (int32_t i = 0; i < time.Count(); ++i) {
        out(i) = time.NumberOf(i);
    }
    return numbers;
}

py::array_t<double> Times(int32_t first, int32_t count, double rate) {
    const TimeBase time(first, count, CheckedRate(rate));
    py::array_t<double> times(time.Count());
    auto out = times.mutable_unchecked<1>();
    for (int32_t i = 0; i < time.Count(); ++i) {
        out(i) = *time.TimeOf(i);
    }
    return times;
}

std::string InfoJson(const std::string& path, std::optional<double> rate) {
    RecordingInfo info;
    std::string error;
    if (!ReadRecordingInfo(path, info, error)) {
        throw py::value_error("cannot open " + path + ": " + error);
    }
    return FormatInfoJson(info, rate);
}

} // namespace

void BindTime(py::module_& m) {
    m.def("parse_rate", &ReadRate, py::arg("text"),
          "Frames per second from '50000', '50k' or '1.2M'; ValueError otherwise.");
    m.def("check_rate", &CheckedRate, py::arg("rate"),
          "The rate itself; ValueError when it is not a usable rate.");
    m.def("frame_numbers", &FrameNumbers, py::arg("first"), py::arg("count"));
    m.def("times", &Times, py::arg("first"), py::arg("count"), py::arg("rate"));
    m.def(
        "trigger_index",
        [](int32_t first, int32_t count) { return TimeBase(first, count).TriggerIndex(); },
        py::arg("first"), py::arg("count"));
    m.def(
        "index_of_number",
        [](int32_t first, int32_t count, int64_t number) {
            return TimeBase(first, count).IndexOfNumber(number);
        },
        py::arg("first"), py::arg("count"), py::arg("number"));
    m.def(
        "index_of_time",
        [](int32_t first, int32_t count, double rate, double seconds) {
            return TimeBase(first, count, CheckedRate(rate)).IndexNearestTime(seconds);
        },
        py::arg("first"), py::arg("count"), py::arg("rate"), py::arg("seconds"));
    m.def(
        "format_time", [](double seconds) { return FormatTime(seconds); }, py::arg("seconds"));
    m.def("info_json", &InfoJson, py::arg("path"), py::arg("rate") = std::nullopt,
          "The object `quorvane-cli info --json [--rate R]` prints, as text.");
}
