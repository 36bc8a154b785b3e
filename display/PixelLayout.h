// SPDX-License-Identifier: BSD-3-Clause
// Layout of a zoomed (not fitted) frame where every image pixel covers
// exactly `zoom` client pixels, or every client pixel exactly 1/zoom image
// pixels below 1. The fitted layout keeps the surface's own arithmetic;
// this one serves the explicit zoom levels, which are powers of two.
// Plain arithmetic, no toolkit.
#pragma once

#include <cstdint>

struct PixelAxis {
    int32_t srcPos = 0;    // first image pixel drawn
    int32_t srcExtent = 0; // image pixels drawn
    int32_t dstPos = 0;    // client position of srcPos's first client pixel (may be < 0)
    int32_t dstExtent = 0; // srcExtent * zoom, exactly

    friend bool operator==(const PixelAxis&, const PixelAxis&) = default;
};

// One axis: client extent `client`, image extent `image`, zoom num/den
// (one of them 1) and `centre`, the image coordinate shown at the client's
// centre pixel (client - 1) / 2. An image larger than the client is held
// inside the client; a smaller one is centred and `centre` becomes its
// middle. `centre` is written back so the next layout gives the same result.
PixelAxis LayoutPixelAxis(int32_t client, int32_t image, int32_t num, int32_t den, double& centre);

// The client offset of image coordinate 0 for `centre`, as the layout
// computes it before holding the image inside the client.
int64_t PixelAxisOffset(int32_t client, int32_t num, int32_t den, double centre);

// The centre that puts image coordinate 0 at client offset `offset`.
double PixelAxisCentre(int32_t client, int32_t num, int32_t den, int64_t offset);
