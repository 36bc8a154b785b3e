// SPDX-License-Identifier: BSD-3-Clause
// One OME-TIFF stack per recording through libtiff: a 16-bit page per frame
// holding the 10-bit samples, the OME-XML (dimensions XYZCT, one plane per
// frame with its time when the rate is known, the pixel size with --scale)
// in the first page's ImageDescription. BigTIFF when the stack could pass
// 4 GiB or when asked. Written under a temporary name and renamed when
// complete.
#pragma once

#include "export/FrameSink.h"

#include <memory>
#include <string>

// What the OME-XML says besides the sink's setup.
struct OmeDescription {
    std::string name;             // the image's name (the recording's)
    int64_t firstNumber = 0;      // recorded number of the first frame handed on
    int step = 1;                 // numbers between consecutive frames
    std::string unit;             // the scale's unit ("µm"), with setup.metresPerPixel
    double unitsPerPixel = 0;
};

// The OME-XML document for `setup` and `description`.
std::string OmeXml(const SinkSetup& setup, const OmeDescription& description);

// Null with `error` set when the stack cannot be started.
std::unique_ptr<FrameSink> MakeOmeTiffSink(const SinkSetup& setup, const OmeDescription& description,
                                           std::string& error);
