// SPDX-License-Identifier: BSD-3-Clause
// Frame unpacking and per-row correction kernels.
//
// The public unpackers (UnpackLanes, UnpackQuadrants) are declared in
// VornReader.h. The references here are the short, obviously right versions
// that compute every value straight from the byte formulas; the fast paths
// are tested against them.
#pragma once

#include <cstdint>

// Same contract as UnpackLanes / UnpackQuadrants.
void UnpackLanesReference(uint16_t* destination, const uint8_t* packed, int32_t width,
                          int32_t rows);
void UnpackQuadrantsReference(uint16_t* destination, const uint8_t* packed, int32_t width,
                              int32_t rows);

// Kind 3: sample = clamp(sample + offset, 0, 1023) for `count` samples.
void CorrectRowOffset(uint16_t* samples, const int16_t* offset, int32_t count);

// Kind 6: s = ((sample + offset) * gain + 256) / 512 in 32-bit two's
// complement, truncated to its low 16 bits as a signed value, then clamped to
// 0..1023.
void CorrectRowOffsetGain(uint16_t* samples, const int16_t* offset, const int16_t* gain,
                          int32_t count);
