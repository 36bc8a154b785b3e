// SPDX-License-Identifier: BSD-3-Clause
// Video outputs through FFmpeg's libraries: H.264 in MP4, FFV1 (gray16le,
// lossless) in Matroska, Motion JPEG in AVI.
#pragma once

#include "export/FrameSink.h"

#include <memory>
#include <string>

// A sink for spec.format Mp4, Mkv or Avi; null with `error` set when the
// encoder or container is missing from the installed libraries or the file
// cannot be started.
std::unique_ptr<FrameSink> MakeVideoSink(const SinkSpec& spec, std::string& error);
