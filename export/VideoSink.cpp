// SPDX-License-Identifier: BSD-3-Clause
#include "export/VideoSink.h"

std::unique_ptr<FrameSink> MakeVideoSink(const SinkSpec&, std::string& error) {
    error = "video export is not available in this build";
    return nullptr;
}
