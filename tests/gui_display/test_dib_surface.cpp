// SPDX-License-Identifier: BSD-3-Clause
// DibSurface: the layout rectangles, and what Draw puts on a canvas from a
// display block (orientation, scaling, palette, drawing from the live block).
#include "display/DibSurface.h"
#include "image/ImageBuffer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <functional>
#include <vector>

void PrintTo(const DibLayout& l, std::ostream* os) {
    *os << "src(" << l.srcX << "," << l.srcY << "," << l.srcWidth << "," << l.srcHeight << ") dst("
        << l.dstX << "," << l.dstY << "," << l.dstWidth << "," << l.dstHeight << ")";
}

namespace {

constexpr QRgb kMagenta = 0xFFFF00FF; // never a grey: marks pixels not drawn
using PixelFn = std::function<uint8_t(int, int)>;

// A grey display block (bottom-up rows) whose picture pixel (x, y) is value(x, y).
BITMAPINFOHEADER* MakeDib(ImageBuffer& buffer, int width, int height, const PixelFn& value) {
    std::vector<uint8_t> source;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            source.push_back(value(x, y));
    return buffer.CreateDib(0, 1, 8, width, height, source.data());
}

QImage Draw(DibSurface& surface, BITMAPINFOHEADER* header, QSize client, int* result = nullptr) {
    QImage canvas(client, QImage::Format_RGB32);
    canvas.fill(kMagenta);
    QPainter painter(&canvas);
    const int r = surface.Draw(painter, QRect(QPoint(0, 0), client), header, nullptr);
    if (result != nullptr)
        *result = r;
    return canvas;
}

int Mismatches(const QImage& canvas, const PixelFn& expected) {
    int wrong = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            wrong += canvas.pixel(x, y) != qRgb(expected(x, y), expected(x, y), expected(x, y));
    return wrong;
}

} // namespace

TEST(DibSurfaceLayout, FitAndFixedZoomGiveTheKnownRectangles) {
    struct Case {
        QSize image, client;
        int num, den;
        QPoint centre;
        DibLayout expected;
        QPoint centreAfter;
    };
    const Case cases[] = {
        {{1024, 1024}, {800, 600}, 0, 1, {}, {0, 0, 1024, 1024, 100, 0, 599, 600}, {512, 512}},
        {{640, 480}, {800, 600}, 0, 1, {}, {0, 0, 640, 480, 0, 0, 800, 600}, {320, 240}},
        {{1024, 256}, {800, 600}, 0, 1, {}, {0, 0, 1024, 256, 0, 200, 800, 199}, {512, 128}},
        {{1024, 1024}, {800, 600}, 2, 1, {100, 50}, {0, 0, 400, 300, 0, 0, 800, 600}, {200, 150}},
        {{1024, 1024},
         {800, 600},
         1,
         1,
         {900, 900},
         {224, 424, 800, 600, 0, 0, 800, 600},
         {624, 724}},
        {{1024, 1024},
         {800, 600},
         1,
         1,
         {500, 400},
         {101, 101, 800, 600, 0, 0, 800, 600},
         {500, 400}},
    };
    for (const Case& c : cases) {
        DibSurface s;
        s.imageWidth = c.image.width();
        s.imageHeight = c.image.height();
        const QRect client(QPoint(0, 0), c.client);
        s.SetView(client, c.centre, c.num, c.den);
        EXPECT_EQ(s.Layout(client), c.expected);
        EXPECT_EQ(QPoint(s.centerX, s.centerY), c.centreAfter);
        // A clamped centre is written back: the next fixed-zoom layout agrees.
        if (c.num != 0) {
            EXPECT_EQ(s.Layout(client), c.expected);
        }
    }
}

TEST(DibSurfaceLayout, SetViewPacksThePreviousZoomAndDefaultsTheDenominator) {
    DibSurface s;
    s.imageWidth = s.imageHeight = 1024;
    const QRect client(0, 0, 800, 600);
    EXPECT_EQ(s.SetView(client, QPoint(7, 9), 0, 1), 0);       // new surface: fit, 0/0
    EXPECT_EQ(QPoint(s.centerX, s.centerY), QPoint(511, 511)); // fit ignores the centre given
    const int32_t previous = s.SetView(client, QPoint(7, 9), 3, 0);
    EXPECT_EQ(previous & 0xFFFF, 600);
    EXPECT_EQ((previous >> 16) & 0xFFFF, 1024);
    EXPECT_EQ(s.zoomNum, 3);
    EXPECT_EQ(s.zoomDen, 1);
    EXPECT_EQ(QPoint(s.centerX, s.centerY), QPoint(7, 9));
}

TEST(DibSurfaceLayout, EmptyClientOrImageLaysOutNothing) {
    const QSize images[] = {{1024, 1024}, {1024, 1024}, {1024, 1024}, {0, 0}, {0, 100}};
    const QRect clients[] = {
        {0, 0, 0, 600}, {0, 0, 800, 0}, {}, {0, 0, 800, 600}, {0, 0, 800, 600}};
    for (int i = 0; i < 5; ++i) {
        DibSurface s;
        s.imageWidth = images[i].width();
        s.imageHeight = images[i].height();
        const DibLayout l = s.Layout(clients[i]);
        EXPECT_TRUE(l.srcWidth <= 0 || l.srcHeight <= 0 || l.dstWidth <= 0 || l.dstHeight <= 0)
            << i;
    }
}

TEST(DibSurfaceDraw, DrawsUprightAndExactAtOneToOneForBothRowOrders) {
    const PixelFn value = [](int x, int y) { return static_cast<uint8_t>(x * 3 + y * 5); };
    ImageBuffer buffer;
    BITMAPINFOHEADER* header = MakeDib(buffer, 64, 48, value);
    DibSurface s;
    ASSERT_EQ(s.Open(nullptr, header), 1);
    EXPECT_EQ(QPoint(s.centerX, s.centerY), QPoint(31, 23));
    int result = 0;
    EXPECT_EQ(Mismatches(Draw(s, header, {64, 48}, &result), value), 0);
    EXPECT_EQ(result, 1);

    // The same rows declared top-down show the picture upside down.
    header->biHeight = -48;
    DibSurface t;
    ASSERT_EQ(t.Open(nullptr, header), 1);
    EXPECT_EQ(t.imageHeight, 48);
    EXPECT_EQ(Mismatches(Draw(t, header, {64, 48}), [&](int x, int y) { return value(x, 47 - y); }),
              0);
    EXPECT_EQ(t.End(), 1);
    EXPECT_EQ(t.End(), 0);
}

TEST(DibSurfaceDraw, ZoomRepeatsEachSourcePixel) {
    const PixelFn value = [](int x, int y) { return static_cast<uint8_t>(x * 7 + y * 13); };
    ImageBuffer buffer;
    BITMAPINFOHEADER* header = MakeDib(buffer, 64, 64, value);
    DibSurface s;
    ASSERT_EQ(s.Open(nullptr, header), 1);
    s.SetView(QRect(0, 0, 40, 30), QPoint(40, 10), 2, 1);
    const QImage canvas = Draw(s, header, {40, 30});
    ASSERT_EQ(s.Layout(QRect(0, 0, 40, 30)), (DibLayout{30, 3, 20, 15, 0, 0, 40, 30}));
    EXPECT_EQ(Mismatches(canvas, [&](int x, int y) { return value(30 + x / 2, 3 + y / 2); }), 0);
}

TEST(DibSurfaceDraw, DrawsTheLiveBlockThroughItsPalette) {
    ImageBuffer buffer;
    BITMAPINFOHEADER* header = MakeDib(buffer, 8, 8, [](int x, int) { return x < 4 ? 1 : 2; });
    DibSurface s;
    ASSERT_EQ(s.Open(nullptr, header), 1);
    EXPECT_EQ(Draw(s, header, {8, 8}).pixel(0, 0), qRgb(1, 1, 1));
    std::fill_n(buffer.GetBits(), 8 * 8, uint8_t{2}); // repacked in place, as every frame is
    EXPECT_EQ(Draw(s, header, {8, 8}).pixel(0, 0), qRgb(2, 2, 2));

    uint8_t* entry2 = reinterpret_cast<uint8_t*>(header) + 40 + 2 * 4; // blue, green, red
    entry2[0] = 255;
    entry2[1] = entry2[2] = 0;
    ASSERT_EQ(s.Open(nullptr, header), 1);
    EXPECT_EQ(s.hdd.image.constBits(), buffer.GetBits()); // wrapped, not copied
    EXPECT_EQ(Draw(s, header, {8, 8}).pixel(0, 0), qRgb(0, 0, 255));
}

TEST(DibSurfaceDraw, RefusesWhatItCannotDraw) {
    ImageBuffer buffer;
    BITMAPINFOHEADER* header = MakeDib(buffer, 8, 8, [](int, int) { return 0; });
    DibSurface s;
    EXPECT_EQ(s.End(), 0);
    int result = -1;
    Draw(s, header, {8, 8}, &result);
    EXPECT_EQ(result, 0); // never opened
    EXPECT_EQ(s.Open(nullptr, nullptr), 0);

    header->biBitCount = 16;
    EXPECT_EQ(s.Open(nullptr, header), 0);
    header->biBitCount = 8;
    header->biCompression = 1;
    EXPECT_EQ(s.Open(nullptr, header), 0);
}
