// SPDX-License-Identifier: BSD-3-Clause
#include "export/Overlay.h"

#include "recording/TimeBase.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

struct Glyph {
    char32_t code;
    std::array<uint8_t, kGlyphHeight> rows; // top row first, bit 4 the left column
};

// Digits, the letters of the overlay's words and units, and punctuation.
constexpr Glyph kGlyphs[] = {
    {U'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {U'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {U'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {U'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {U'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {U'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {U'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {U'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {U'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {U'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {U' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {U'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {U'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {U'\u2212', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {U'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {U'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {U',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {U':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {U'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
    {U'/', {0x01, 0x02, 0x02, 0x04, 0x08, 0x08, 0x10}},
    {U'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
    {U'c', {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}},
    {U'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
    {U'f', {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08}},
    {U'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}},
    {U'k', {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12}},
    {U'm', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}},
    {U'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {U'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {U's', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
    {U't', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    {U'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}},
    {U'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
    {U'\u00b5', {0x00, 0x00, 0x11, 0x11, 0x13, 0x1D, 0x10}},
};

constexpr Glyph kUnknown{0, {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F}};

const Glyph& GlyphOf(char32_t code) {
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.code == code) {
            return glyph;
        }
    }
    return kUnknown;
}

// The code points of UTF-8 `text`; a stray byte counts as one unknown character.
std::vector<char32_t> CodePoints(const std::string& text) {
    std::vector<char32_t> codes;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 4;
        if (i + static_cast<std::size_t>(length) > text.size()) {
            codes.push_back(0xFFFD);
            break;
        }
        char32_t code = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            code = (code << 6) | (next & 0x3Fu);
        }
        codes.push_back(code);
        i += static_cast<std::size_t>(length);
    }
    return codes;
}

void FillBox(uint8_t* grey, int width, int height, std::ptrdiff_t stride, int x0, int y0, int w,
             int h, uint8_t value) {
    const int x1 = std::min(width, x0 + w);
    const int y1 = std::min(height, y0 + h);
    for (int y = std::max(0, y0); y < y1; ++y) {
        uint8_t* row = grey + y * stride;
        for (int x = std::max(0, x0); x < x1; ++x) {
            row[x] = value;
        }
    }
}

// The font pixel size for a frame: readable on large frames, 1 on small ones.
int FontSize(int width, int height) {
    return std::clamp(std::min(width, height) / 256, 1, 8);
}

std::string Trimmed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

std::vector<std::string> OverlayLines(const ExportOverlay& overlay, const OverlayFrame& frame) {
    std::vector<std::string> lines;
    if (overlay.number) {
        lines.push_back("frame " + std::to_string(frame.index) + "  #" +
                        std::to_string(frame.number));
    }
    if (overlay.time && frame.seconds) {
        lines.push_back(FormatTime(*frame.seconds, TimeStyle::Text));
    }
    return lines;
}

std::optional<ScaleBar> ChooseScaleBar(const Scale& scale, double maxPixels) {
    if (!(scale.pixels > 0) || !(scale.length > 0) || !(maxPixels >= 1)) {
        return std::nullopt;
    }
    const double perPixel = scale.length / scale.pixels; // units per pixel
    const double longest = maxPixels * perPixel;
    double power = std::pow(10.0, std::floor(std::log10(longest)));
    double best = 0;
    for (int tries = 0; tries < 2 && best == 0; ++tries, power /= 10) {
        for (const double factor : {5.0, 2.0, 1.0}) {
            if (factor * power <= longest * (1 + 1e-9)) {
                best = factor * power;
                break;
            }
        }
    }
    if (best <= 0) {
        return std::nullopt;
    }
    return ScaleBar{best / perPixel, Trimmed(best) + " " + scale.unit};
}

int DrawText(uint8_t* grey, int width, int height, std::ptrdiff_t stride, int x, int y, int size,
             const std::string& text) {
    const std::vector<char32_t> codes = CodePoints(text);
    const int pad = 2 * size;
    const int cell = (kGlyphWidth + 1) * size;
    const int boxWidth = static_cast<int>(codes.size()) * cell - size + 2 * pad;
    FillBox(grey, width, height, stride, x, y, boxWidth, kGlyphHeight * size + 2 * pad, 0);
    for (std::size_t c = 0; c < codes.size(); ++c) {
        const Glyph& glyph = GlyphOf(codes[c]);
        const int left = x + pad + static_cast<int>(c) * cell;
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int col = 0; col < kGlyphWidth; ++col) {
                if ((glyph.rows[static_cast<std::size_t>(row)] >> (kGlyphWidth - 1 - col)) & 1) {
                    FillBox(grey, width, height, stride, left + col * size, y + pad + row * size,
                            size, size, 255);
                }
            }
        }
    }
    return boxWidth;
}

void BurnOverlay(uint8_t* grey, int width, int height, std::ptrdiff_t stride,
                 const ExportOverlay& overlay, const OverlayFrame& frame,
                 const std::optional<Scale>& scale) {
    const int size = FontSize(width, height);
    const int lineHeight = (kGlyphHeight + 4) * size;
    int y = size;
    for (const std::string& line : OverlayLines(overlay, frame)) {
        DrawText(grey, width, height, stride, size, y, size, line);
        y += lineHeight;
    }
    if (!overlay.scale || !scale) {
        return;
    }
    const std::optional<ScaleBar> bar = ChooseScaleBar(*scale, width / 4.0);
    if (!bar) {
        return;
    }
    const int pad = 2 * size;
    const int barPixels = std::max(1, static_cast<int>(std::lround(bar->pixels)));
    const int textWidth =
        static_cast<int>(CodePoints(bar->label).size()) * (kGlyphWidth + 1) * size - size;
    const int boxWidth = std::max(barPixels, textWidth) + 2 * pad;
    const int boxHeight = kGlyphHeight * size + 3 * size + 2 * size + 2 * pad;
    const int left = width - size - boxWidth;
    const int top = height - size - boxHeight;
    FillBox(grey, width, height, stride, left, top, boxWidth, boxHeight, 0);
    DrawText(grey, width, height, stride, left + (boxWidth - textWidth) / 2 - pad, top, size,
             bar->label);
    FillBox(grey, width, height, stride, left + (boxWidth - barPixels) / 2,
            top + pad + kGlyphHeight * size + 3 * size, barPixels, 2 * size, 255);
}
