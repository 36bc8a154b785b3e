// SPDX-License-Identifier: BSD-3-Clause
// _core.export: the export engine (videos, PNG sequences, OME-TIFF stacks)
// for Recording.export.
#pragma once

#include <pybind11/pybind11.h>

void BindExport(pybind11::module_& m);
