// SPDX-License-Identifier: BSD-3-Clause
// Sample packers between source containers (1, 2 or 4 little-endian bytes with
// `bits` significant bits) and 8-bit display rows or 8/16-bit TIFF samples.
//
// 8-bit rule: 1-byte containers copied; wider ones give the low 8 bits of
// value >> (bits - 8). 16-bit rule: value << (16 - bits), truncated to 16 bits.
// Width > 0 pads rows to a multiple of 4 (padding 0), width < 0 leaves rows
// unpadded; height > 0 stores rows bottom-up, height < 0 top-down.
// Depths outside the usual range stay defined: the declared bits are moved to
// the top of the output either way (an 8-bit output from a 4-bit 2-byte
// container shifts up, a 16-bit output from 20 bits shifts down), and a shift
// of 32 or more gives 0. Containers other
// than 1, 2 or 4 bytes and refused format codes write nothing.
#pragma once

#include <cstdint>

void PackGray8(uint8_t* dst, int containerBytes, int bits, int width, int height, const void* src);
void PackChannel8(uint8_t* dst, int containerBytes, int bits, int width, int height,
                  const void* src);
void PackBgr8(uint8_t* dst, int containerBytes, int bits, int width, int height, const void* red,
              const void* green, const void* blue);
void PackGrayTiff(uint8_t* dst, int formatCode, int bits, int width, int height, const void* src);
void PackChannel16(uint8_t* dst, int formatCode, int bits, int width, int height, const void* src);
void PackRgbTiff(uint8_t* dst, int formatCode, int bits, int width, int height, const void* red,
                 const void* green, const void* blue);
