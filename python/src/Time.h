// SPDX-License-Identifier: BSD-3-Clause
#pragma once

#include <pybind11/pybind11.h>

// Adds the time-axis functions to the _core module.
void BindTime(pybind11::module_& m);
