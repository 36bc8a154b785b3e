// SPDX-License-Identifier: BSD-3-Clause
// Recording rates remembered by the viewer, in the profile section "Rates":
//   one entry per recording, keyed by its absolute path (percent-encoded, so
//   the path's separators stay in the key), "<rate> <size> <mtime ms>"; a
//   stored rate counts only while the file's size and modification time
//   still match, so a recording replaced under the same name starts without;
//   "Default"  the rate of recordings without one (empty: none).
//   "Scale:<key>"  the recording's spatial scale beside its rate,
//   "<pixels>=<length><unit> <size> <mtime ms>", under the same check.
// And "View"/"SynchronizeViews" ("0" or "1").
#pragma once

#include "measure/Scale.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// The stored text of a rate for a file of `size` bytes modified at `mtimeMs`.
std::string FormatStoredRate(double rate, int64_t size, int64_t mtimeMs);
// The rate from stored `text` when it is readable and the file still has
// `size` and `mtimeMs`; none otherwise.
std::optional<double> ParseStoredRate(const std::string& text, int64_t size, int64_t mtimeMs);

// The rate of the recording at `path`: its own, else the default, else none.
std::optional<double> ReadRecordingRate(const QString& path);
// Its own rate only (none: no valid entry).
std::optional<double> ReadOwnRate(const QString& path);
// Stores (or with none removes) the rate of the recording at `path`.
void WriteRecordingRate(const QString& path, std::optional<double> rate);

// The stored text of a scale, and the scale from it (as for rates).
std::string FormatStoredScale(const Scale& scale, int64_t size, int64_t mtimeMs);
std::optional<Scale> ParseStoredScale(const std::string& text, int64_t size, int64_t mtimeMs);
// The spatial scale of the recording at `path` (none: no valid entry).
std::optional<Scale> ReadRecordingScale(const QString& path);
// Stores (or with none removes) it.
void WriteRecordingScale(const QString& path, const std::optional<Scale>& scale);

std::optional<double> ReadDefaultRate();
void WriteDefaultRate(std::optional<double> rate);

bool ReadSynchronizeViews();
void WriteSynchronizeViews(bool on);
