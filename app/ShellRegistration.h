// SPDX-License-Identifier: BSD-3-Clause
// Registration of the ".vrn" file type with the desktop shell.
#pragma once

#include <QString>

// Windows: ".vrn" -> "Quorvane.Document" ("VORN Document") with its icon and
// the open, print and printto commands of `programPath`, in the user's part
// of the registry. Elsewhere the installed desktop entry and shared-mime-info
// file do this, and the call does nothing. True when done (or not needed).
bool RegisterShellFileTypes(const QString& programPath);
