// SPDX-License-Identifier: BSD-3-Clause
// SSE4.1 kernels. Built with -msse4.1; runs only after the CPU check.
#include "recording/fast/Kernels.h"

#if QUORVANE_FAST_X86

#include "recording/fast/Sse41Impl.h"

namespace {

void UnpackLanesSse41(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    if (width <= 0 || rows <= 0) {
        return;
    }
    UnpackLanes128(destination, packed, int64_t{width} * rows / 32);
}

void UnpackQuadrantsSse41(uint16_t* destination, const uint8_t* packed, int32_t width,
                          int32_t rows) {
    const QuadrantUnits units = {QuadrantQuad128, QuadrantQuadAnyHeight128, QuadrantBlock128};
    UnpackQuadrantsBanded<Run128>(destination, packed, width, rows, units);
}

} // namespace

const FastKernels kSse41Kernels = {UnpackLanesSse41, UnpackQuadrantsSse41, CorrectOffset128,
                                   CorrectOffsetGain128, CorrectOffsetGain10x128};

#endif
