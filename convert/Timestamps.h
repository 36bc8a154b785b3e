// SPDX-License-Identifier: BSD-3-Clause
// `convert --timestamps`: NAME.frames.csv beside the outputs, one row per
// converted frame with its index, recorded number, time from the trigger
// (empty without a rate) and the file that holds it ("NAME.tif#12" for page
// 12 of a stack, counted from 0).
#pragma once

#include "convert/ConvertJob.h"
#include "recording/TimeBase.h"

#include <string>

// "<directory><base>.frames.csv".
std::string TimestampsPath(const OutputPattern& output);

// The file's text: RFC 4180, CRLF line ends, header index,number,time_s,file.
// Rows for frames first, first + step, ... <= last.
std::string TimestampsCsv(const TimeBase& time, int first, int last, const OutputPattern& output,
                          bool stack, int step = 1);

// Writes the table of frames first..last atomically. False with `reason` set.
bool WriteTimestamps(const std::string& path, const TimeBase& time, int first, int last,
                     const OutputPattern& output, bool stack, std::string& reason,
                     int step = 1);
