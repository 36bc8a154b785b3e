// SPDX-License-Identifier: BSD-3-Clause
// Public unpackers: the fastest kernel set this CPU runs (AVX2, SSE4.1 or
// portable 32-bit-word code), chosen once. The references in
// UnpackReference.cpp remain the definition every path is tested against.
#include "recording/VornReader.h"
#include "recording/fast/UnpackFast.h"

void UnpackLanes(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    UnpackLanesFast(destination, packed, width, rows);
}

void UnpackQuadrants(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows) {
    UnpackQuadrantsFast(destination, packed, width, rows);
}
