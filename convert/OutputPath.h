// SPDX-License-Identifier: BSD-3-Clause
// Checks on the -o argument of a conversion made before anything is read or
// written, so that a run that cannot write its files fails at once and the
// same way for one recording and for several.
#pragma once

#include <string>

// The problem of the folder `output` puts the files in, or empty: one that
// does not exist or is not a folder. Empty `output` (the working folder)
// passes.
std::string CheckOutputFolder(const std::string& output);

// The usage problem of the -o argument in plain words, or empty: "-" (a
// converter writing many files has nothing to send to standard output), then
// CheckOutputFolder.
std::string CheckOutputPath(const std::string& output);

// A warning for output names whose extension is not .tif or .tiff (the files
// are TIFF whatever they are called), or empty.
std::string OutputExtensionWarning(const std::string& output, bool stack);
