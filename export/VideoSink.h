// SPDX-License-Identifier: BSD-3-Clause
// Video outputs through FFmpeg's libraries: H.264 in MP4, FFV1 (gray16le,
// lossless) in Matroska, Motion JPEG in AVI.
#pragma once

#include "export/FrameSink.h"

#include <memory>
#include <string>

// The libraries' names of what writes one video format, and how messages
// call them ("the H.264 encoder libx264").
struct VideoCodec {
    std::string encoder;     // libavcodec encoder, e.g. "libx264"
    std::string encoderKind; // e.g. "H.264"
    std::string muxer;       // libavformat muxer, e.g. "mp4"
    std::string muxerKind;   // e.g. "MP4"
};

// The encoder and muxer of Mp4, Mkv or Avi.
VideoCodec VideoCodecFor(ExportFormat format);

// A sink for setup.format Mp4, Mkv or Avi; null with `error` set when the
// video module or the encoder or container is missing from the installed
// libraries or the file cannot be started. The first call loads the module.
std::unique_ptr<FrameSink> MakeVideoSink(const SinkSetup& setup, std::string& error);

// The same with the encoder and muxer given (VideoCodecFor(setup.format) with
// names changed).
std::unique_ptr<FrameSink> MakeVideoSink(const SinkSetup& setup, const VideoCodec& codec,
                                         std::string& error);

// The width or height of the encoded pictures for frames of `size` pixels
// (H.264 in 4:2:0 or 4:0:0 needs even sizes).
inline int VideoPaddedSize(const SinkSetup& setup, int size) {
    return setup.format == ExportFormat::Mp4 ? size + (size & 1) : size;
}

// A note for the user when the video's frames differ in size from those
// handed on (H.264 pads an odd width or height by one black column or row),
// else empty. Say it once per output.
std::string VideoPaddingNote(const SinkSetup& setup);
