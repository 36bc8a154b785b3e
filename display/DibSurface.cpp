// SPDX-License-Identifier: BSD-3-Clause
#include "display/DibSurface.h"

#include <QList>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QTransform>

#include <cmath>
#include <cstddef>
#include <limits>

namespace {

// The layout works in 32-bit integers the way the original arithmetic does,
// products and sums wrapping instead of overflowing into undefined behaviour.
int32_t Wrap32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint64_t>(value));
}

int32_t Mul32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Truncating integer division; callers guarantee b != 0.
int32_t Div32(int32_t a, int32_t b) {
    return Wrap32(int64_t{a} / int64_t{b});
}

// Double quotient with the IEEE results for a zero divisor spelled out, so an
// empty client or image gives infinities or NaN rather than a division by 0.
double Quotient(double a, double b) {
    if (b != 0.0)
        return a / b;
    if (a == 0.0 || std::isnan(a))
        return std::numeric_limits<double>::quiet_NaN();
    const bool negative = std::signbit(a) != std::signbit(b);
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
}

// Double to int32 truncating toward zero, saturating outside the range.
int32_t Trunc(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t AbsHeight(int32_t height) {
    if (height == std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::max();
    return height < 0 ? -height : height;
}

int32_t CentreOf(int32_t extent) {
    return Wrap32((int64_t{extent} - 1) / 2);
}

struct Axis {
    int32_t srcPos;
    int32_t srcExtent;
    int32_t dstPos;
    int32_t dstExtent;
};

// One axis of the layout: client extent E, image extent S, centre c (moved
// when the view is held at an image edge), client centre h.
Axis LayoutAxis(int32_t num, int32_t den, int32_t E, int32_t S, int32_t& c, int32_t h) {
    const double visible = static_cast<double>(Mul32(E, den)) / num;
    if (visible <= static_cast<double>(S)) {
        const double first = c - static_cast<double>(Mul32(den, h)) / num;
        const int32_t span = Trunc(visible);
        Axis axis{0, span, 0, E};
        if (first < 0) {
            c = span / 2;
        } else if (first + visible <= static_cast<double>(S)) {
            axis.srcPos = Trunc(first);
        } else {
            axis.srcPos = Wrap32(int64_t{S} - span);
            c = Wrap32(int64_t{axis.srcPos} + span / 2);
        }
        return axis;
    }
    // The whole image fits along this axis. The drawn extent is one pixel
    // short of the scaled extent; the rectangles are kept as they always were.
    Axis axis{0, S, Wrap32(int64_t{h} - Div32(Mul32(c, num), den)),
              Wrap32(int64_t{Div32(Mul32(S, num), den)} - 1)};
    c = S / 2;
    return axis;
}

// The client rectangle's right and bottom edges (exclusive), as the width
// and height the layout works with.
int32_t ClientWidth(const QRect& client) {
    return Wrap32(int64_t{client.x()} + client.width());
}

int32_t ClientHeight(const QRect& client) {
    return Wrap32(int64_t{client.y()} + client.height());
}

} // namespace

int DibSurface::Open(QWidget* /*window*/, const BITMAPINFOHEADER* header) {
    if (header == nullptr)
        return 0;
    const bool ok = Wrap(header, nullptr);
    imageWidth = header->biWidth;
    imageHeight = AbsHeight(header->biHeight);
    centerX = CentreOf(imageWidth);
    centerY = CentreOf(imageHeight);
    return ok ? 1 : 0;
}

int32_t DibSurface::SetView(const QRect& client, const QPoint& centre, int32_t num, int32_t den) {
    const auto previous = static_cast<int32_t>((static_cast<uint32_t>(zoomNum) & 0xFFFFu) |
                                               (static_cast<uint32_t>(zoomDen) << 16));
    centerX = centre.x();
    centerY = centre.y();
    if (num != 0) {
        zoomNum = num;
        zoomDen = den != 0 ? den : 1;
        return previous;
    }
    const int32_t cw = ClientWidth(client);
    const int32_t ch = ClientHeight(client);
    const double imageAspect = Quotient(imageHeight, imageWidth);
    const double clientAspect = Quotient(ch, cw);
    // Fit the height when the image is relatively taller, and also when the
    // comparison is unordered (an empty client or image).
    if (!(imageAspect <= clientAspect)) {
        zoomNum = ch;
        zoomDen = imageHeight;
    } else {
        zoomNum = cw;
        zoomDen = imageWidth;
    }
    centerX = CentreOf(imageWidth);
    centerY = CentreOf(imageHeight);
    return previous;
}

DibLayout DibSurface::Layout(const QRect& client) {
    if (zoomNum == 0)
        SetView(client, QPoint(centerX, centerY), 0, zoomDen);

    // A zero-size client or image fits to a zero zoom: nothing to lay out.
    if (zoomNum == 0 || zoomDen == 0) {
        srcRect = DibRect{};
        dstRect = DibRect{};
        return DibLayout{};
    }

    const int32_t cw = ClientWidth(client);
    const int32_t ch = ClientHeight(client);
    const int32_t hw = Div32(Wrap32(int64_t{cw} - 1), 2);
    const int32_t hh = Div32(Wrap32(int64_t{ch} - 1), 2);
    const Axis x = LayoutAxis(zoomNum, zoomDen, cw, imageWidth, centerX, hw);
    const Axis y = LayoutAxis(zoomNum, zoomDen, ch, imageHeight, centerY, hh);

    srcRect = DibRect{x.srcPos, y.srcPos, x.srcExtent, y.srcExtent};
    dstRect = DibRect{x.dstPos, y.dstPos, x.dstExtent, y.dstExtent};
    return DibLayout{x.srcPos, y.srcPos, x.srcExtent, y.srcExtent,
                     x.dstPos, y.dstPos, x.dstExtent, y.dstExtent};
}

int DibSurface::Draw(QPainter& dc, const QRect& client, const BITMAPINFOHEADER* header,
                     const void* bits) {
    if (header == nullptr)
        return 0;
    imageWidth = header->biWidth;
    imageHeight = AbsHeight(header->biHeight);
    Layout(client);
    return DrawLaidOut(dc, header, bits);
}

int DibSurface::DrawLaidOut(QPainter& dc, const BITMAPINFOHEADER* header, const void* bits) {
    if (header == nullptr || !hdd)
        return 0;
    const DibLayout r{srcRect.x, srcRect.y, srcRect.width, srcRect.height,
                      dstRect.x, dstRect.y, dstRect.width, dstRect.height};

    // Open wrapped this block; only a different block needs a new wrapper.
    if (header != hdd.header || (bits != nullptr && bits != hdd.bits)) {
        if (!Wrap(header, bits))
            return 0;
    }
    const QRect source(r.srcX, r.srcY, r.srcWidth, r.srcHeight);
    // Nothing to show, or (only with a nonsensical zoom) a source beyond the
    // image, which must never be read.
    if (source.isEmpty() || r.dstWidth <= 0 || r.dstHeight <= 0 ||
        !hdd.image.rect().contains(source))
        return 1;

    const bool smooth = dc.testRenderHint(QPainter::SmoothPixmapTransform);
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect target(r.dstX, r.dstY, r.dstWidth, r.dstHeight);
    if (!hdd.bottomUp) {
        dc.drawImage(target, hdd.image, source);
    } else {
        // Memory row 0 is the picture's last row: pick the rows in memory
        // order and mirror them vertically about the destination rectangle.
        const int32_t memoryY = Wrap32(int64_t{hdd.image.height()} - r.srcY - r.srcHeight);
        const QTransform previous = dc.worldTransform();
        dc.setWorldTransform(
            QTransform(1, 0, 0, -1, 0, 2.0 * r.dstY + static_cast<double>(r.dstHeight)), true);
        dc.drawImage(target, hdd.image, QRect(r.srcX, memoryY, r.srcWidth, r.srcHeight));
        dc.setWorldTransform(previous);
    }
    dc.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    return 1;
}

int DibSurface::End() {
    const bool wasBegun = hdd.begun;
    hdd = DibHandle{};
    return wasBegun ? 1 : 0;
}

bool DibSurface::Wrap(const BITMAPINFOHEADER* header, const void* bits) {
    hdd = DibHandle{};
    const int32_t width = header->biWidth;
    const int32_t height = AbsHeight(header->biHeight);
    if (header->biSize < 40 || header->biCompression != BI_RGB || width <= 0 || height <= 0)
        return false;
    if (header->biBitCount != 8 && header->biBitCount != 24)
        return false;

    const auto* block = reinterpret_cast<const uint8_t*>(header);
    const int64_t stride = ((int64_t{width} * header->biBitCount + 31) / 32) * 4;
    const uint32_t paletteEntries =
        header->biBitCount == 8
            ? (header->biClrUsed == 0 || header->biClrUsed > 256 ? 256u : header->biClrUsed)
            : 0u;
    const uint8_t* palette = block + header->biSize;
    const auto* rows = bits != nullptr ? static_cast<const uint8_t*>(bits)
                                       : palette + std::size_t{paletteEntries} * 4;

    if (header->biBitCount == 24) {
        hdd.image =
            QImage(rows, width, height, static_cast<qsizetype>(stride), QImage::Format_BGR888);
    } else {
        // An identity grey palette needs no colour lookup; anything else is
        // drawn through a colour table (unused indices black).
        bool identity = paletteEntries == 256;
        QList<QRgb> table(256, qRgb(0, 0, 0));
        for (uint32_t i = 0; i < paletteEntries; ++i) {
            const uint8_t* entry = palette + std::size_t{i} * 4; // blue, green, red, reserved
            table[static_cast<qsizetype>(i)] = qRgb(entry[2], entry[1], entry[0]);
            identity = identity && entry[0] == i && entry[1] == i && entry[2] == i;
        }
        hdd.image = QImage(rows, width, height, static_cast<qsizetype>(stride),
                           identity ? QImage::Format_Grayscale8 : QImage::Format_Indexed8);
        if (!identity && !hdd.image.isNull())
            hdd.image.setColorTable(table);
    }
    if (hdd.image.isNull()) {
        hdd = DibHandle{};
        return false;
    }
    hdd.header = header;
    hdd.bits = bits != nullptr ? bits : rows;
    hdd.bottomUp = header->biHeight > 0;
    hdd.begun = true;
    return true;
}
