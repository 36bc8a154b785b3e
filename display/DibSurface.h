// SPDX-License-Identifier: BSD-3-Clause
// Draws one device-independent bitmap (header, palette, rows in one block)
// into a widget or printer, fitted or at a fixed zoom around a centre.
//
// The surface computes a source rectangle in image pixels and a destination
// rectangle in client pixels from the zoom, the centre and the client size;
// those two rectangles are exactly what gets drawn (nearest neighbour). The
// pixels are never copied: Open wraps the caller's block once, and every draw
// paints straight from it.
#pragma once

#include "image/Bitmap.h"

#include <QImage>

#include <cstdint>

class QPainter;
class QRect;
class QPoint;
class QWidget;

// x, y, width, height.
struct DibRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const DibRect&, const DibRect&) = default;
};

// The result of a layout: source rectangle in image pixels, then destination
// rectangle in client pixels.
struct DibLayout {
    int32_t srcX = 0;
    int32_t srcY = 0;
    int32_t srcWidth = 0;
    int32_t srcHeight = 0;
    int32_t dstX = 0;
    int32_t dstY = 0;
    int32_t dstWidth = 0;
    int32_t dstHeight = 0;

    friend bool operator==(const DibLayout&, const DibLayout&) = default;
};

// The drawing set-up prepared by Open: a zero-copy wrapper of the bitmap
// block in the caller's memory.
struct DibHandle {
    QImage image;                             // rows in memory order (maybe bottom-up)
    const BITMAPINFOHEADER* header = nullptr; // block the wrapper was made for
    const void* bits = nullptr;               // first row in memory
    bool bottomUp = false;                    // memory row 0 is the picture's last row
    bool begun = false;                       // prepared and not yet ended

    explicit operator bool() const { return begun; }
};

class DibSurface {
public:
    DibSurface() = default;

    // Prepares drawing of this bitmap format (8-bit with palette, or 24-bit
    // BGR) and puts the centre at the image centre. `window` is where it will
    // be drawn; Qt needs nothing from it. Returns 0 when the format cannot be
    // drawn. The zoom is kept, so a new surface stays in fit mode.
    int Open(QWidget* window, const BITMAPINFOHEADER* header);

    // Sets centre and zoom; zoomNum 0 fits the image into `client` and puts
    // the centre at the image centre. Returns the zoom in force before the
    // call: numerator in the low 16 bits, denominator in the high 16 bits.
    int32_t SetView(const QRect& client, const QPoint& centre, int32_t num, int32_t den);

    // Computes, stores and returns the source and destination rectangles for
    // `client`. A centre that would show area beyond the image is clamped and
    // written back.
    DibLayout Layout(const QRect& client);

    // Lays out and draws. `bits` may be null: the rows then follow the header
    // and palette in the same block. Returns 0 when nothing could be drawn
    // because the surface is not open or the format is not drawable; an
    // empty layout (zero-size client or image) draws nothing and returns 1.
    int Draw(QPainter& dc, const QRect& client, const BITMAPINFOHEADER* header, const void* bits);

    // Draws the rectangles in srcRect and dstRect as they stand, for a
    // caller that laid them out itself. Results as Draw's.
    int DrawLaidOut(QPainter& dc, const BITMAPINFOHEADER* header, const void* bits);

    // Ends the drawing set-up; drops the wrapper. Safe without Open.
    int End();

    DibHandle hdd;
    int32_t zoomNum = 0; // 0 = fit on the next layout
    int32_t zoomDen = 0;
    int32_t centerX = 0;
    int32_t centerY = 0;
    int32_t imageWidth = 1;
    int32_t imageHeight = 1;
    DibRect srcRect;
    DibRect dstRect;

private:
    bool Wrap(const BITMAPINFOHEADER* header, const void* bits);
};
