// SPDX-License-Identifier: BSD-3-Clause
// _vorn_test_writer: writes recordings for the Python tests with the
// library's VORN writer, with deterministic pseudo-random correction maps.

#include "recording/VornWriter.h"

#include <pybind11/pybind11.h>

#include <random>
#include <string>

namespace py = pybind11;

namespace {

VornCorrection MakeCorrection(int kind, int32_t mapWidth, int32_t mapHeight, unsigned seed) {
    VornCorrection c;
    c.kind = static_cast<int16_t>(kind);
    c.mapWidth = static_cast<int16_t>(mapWidth);
    c.mapHeight = static_cast<int16_t>(mapHeight);
    c.lo = 20;
    c.hiStored = 39;
    const auto n = static_cast<std::size_t>(mapWidth) * static_cast<std::size_t>(mapHeight);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> offset(-40, 40);
    std::uniform_int_distribution<int> gain(400, 640);
    if (kind == 3) {
        for (std::size_t i = 0; i < n; ++i) {
            c.offsets.push_back(static_cast<int8_t>(offset(random)));
        }
    } else if (kind == 6) {
        for (auto& image : c.offsetImages) {
            for (std::size_t i = 0; i < n; ++i) {
                image.push_back(static_cast<uint16_t>(offset(random) & 0x07FF));
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            c.gain.push_back(static_cast<uint16_t>(gain(random)));
        }
    } else if (kind != 0) {
        c.offsets.assign(n, 0);
    }
    return c;
}

bool Write(const std::string& path, int width, int height, int frames, int stride,
           bool quadrants, bool bigEndian, int kind, int calibration, int firstFrame,
           const std::string& model, unsigned seed) {
    VornRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.frameCount = frames;
    recipe.frameStride = stride;
    recipe.firstFrameNo = firstFrame;
    recipe.calibValue = static_cast<int16_t>(calibration);
    if (model.size() == 4) {
        recipe.modelTag = {model[0], model[1], model[2], model[3]};
    } else if (quadrants) {
        recipe.modelTag = {'t', 'r', 'q', '1'};
    }
    if (bigEndian) {
        recipe.byteOrderMark = {'M', 'M', 'M', 'M'};
    }
    recipe.correction = MakeCorrection(kind, width + 8, height + 4, seed);
    return WriteVorn(path.c_str(), recipe);
}

} // namespace

PYBIND11_MODULE(_vorn_test_writer, m) {
    m.doc() = "Writes VORN recordings for the tests.";
    m.def("write", &Write, py::arg("path"), py::arg("width"), py::arg("height"),
          py::arg("frames"), py::arg("stride") = 0, py::arg("quadrants") = false,
          py::arg("big_endian") = false, py::arg("kind") = 0, py::arg("calibration") = 30,
          py::arg("first_frame") = 0, py::arg("model") = "", py::arg("seed") = 1u,
          "Writes a recording; False when the file cannot be written.");
}
