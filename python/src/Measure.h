// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <pybind11/pybind11.h>

// Adds the measuring functions (region statistics over frames, line
// profiles) to the _core module.
void BindMeasure(pybind11::module_& m);
