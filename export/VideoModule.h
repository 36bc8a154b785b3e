// SPDX-License-Identifier: BSD-3-Clause
// The video sink is built as a module of its own (quorvane-video.so) that
// the programs load only when they write a video: linking FFmpeg's libraries
// into every program would load about 120 more shared libraries at each
// start, 30-40 ms for a `stats` or `convert` run that never encodes.
#pragma once

#include "export/VideoSink.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The module's file name, and the one symbol it exports.
inline constexpr char kVideoModuleName[] = "quorvane-video.so";
inline constexpr char kVideoModuleEntry[] = "QuorvaneVideoModule";

using CreateVideoSinkFunction = std::unique_ptr<FrameSink> (*)(const SinkSetup&,
                                                               const VideoCodec&, std::string&);

// What the module hands its loader. The version and the size of SinkSetup
// keep a module of another build from being used.
struct VideoModuleEntry {
    const char* version;
    std::size_t setupSize;
    CreateVideoSinkFunction create;
};

extern "C" {
using VideoModuleEntryFunction = const VideoModuleEntry* (*)();
}

// Inside the module: the sink over the encoder and muxer `codec` names.
std::unique_ptr<FrameSink> CreateVideoSink(const SinkSetup& setup, const VideoCodec& codec,
                                           std::string& error);

// The files the loader tries, in order: $QUORVANE_VIDEO_MODULE alone when it
// is set; else beside the program (or Python extension) `self` lives in, in
// <that folder>/../LIBDIR/quorvane/modules and the same one level higher
// (the build tree, and an installed program), then the installed LIBDIR.
std::vector<std::string> VideoModuleCandidates(const std::string& selfDirectory,
                                               const char* environment);
