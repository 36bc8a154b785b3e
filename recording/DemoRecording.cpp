// SPDX-License-Identifier: BSD-3-Clause
#include "recording/DemoRecording.h"

#include "recording/VornWriter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Calibration setting of the kind-6 correction: four offset images blended
// by where the calibration value lies between lo and hi.
constexpr int8_t kLo = 20;
constexpr int8_t kHiStored = 39; // hi = 40
constexpr int16_t kCalib = 27;

// Map margin around the frame, so the frame sits centred in larger maps.
constexpr int32_t kMarginX = 16;
constexpr int32_t kMarginY = 8;

// Deterministic per-element noise in [-range, range].
int32_t Noise(uint32_t seed, int32_t range) {
    seed ^= seed >> 16;
    seed *= 0x7feb352dU;
    seed ^= seed >> 15;
    seed *= 0x846ca68bU;
    seed ^= seed >> 16;
    return static_cast<int32_t>(seed % static_cast<uint32_t>(2 * range + 1)) - range;
}

// The fixed pattern, per map element: offsets in 11-bit words and gains.
struct Pattern {
    int32_t mapWidth = 0;
    int32_t mapHeight = 0;
    int32_t origin = 0;
    std::vector<int16_t> offset; // effective offset after blending (kinds 3, 6)
    std::vector<int16_t> gain;   // kind 6
    VornCorrection correction;
};

int16_t Blend(int32_t o0, int32_t o1, int32_t o2, int32_t o3) {
    const int32_t a = kCalib - kLo;
    const int32_t b = kHiStored + 1 - kCalib;
    const int32_t d = kHiStored + 1 - kLo;
    return static_cast<int16_t>((b * (b * o0 + a * o1) + d * (b * o2 + a * o3) + d * d / 2) /
                                (d * d));
}

Pattern MakePattern(const DemoOptions& options) {
    Pattern p;
    const int32_t mx = options.width + 2 * kMarginX <= 32767 ? kMarginX : 0;
    const int32_t my = options.height + 2 * kMarginY <= 32767 ? kMarginY : 0;
    p.mapWidth = options.width + 2 * mx;
    p.mapHeight = options.height + 2 * my;
    p.origin = p.mapWidth * my + mx;
    const auto n = static_cast<std::size_t>(p.mapWidth) * static_cast<std::size_t>(p.mapHeight);
    p.offset.resize(n);
    p.gain.assign(n, 512);
    VornCorrection& c = p.correction;
    c.kind = static_cast<int16_t>(options.correctionKind);
    c.mapWidth = static_cast<int16_t>(p.mapWidth);
    c.mapHeight = static_cast<int16_t>(p.mapHeight);
    if (c.kind == 3) {
        c.offsets.resize(n);
    } else if (c.kind == 6) {
        c.lo = kLo;
        c.hiStored = kHiStored;
        for (auto& image : c.offsetImages) {
            image.resize(n);
        }
        c.gain.resize(n);
    }
    for (std::size_t e = 0; e < n; ++e) {
        const auto column = static_cast<int32_t>(e % static_cast<std::size_t>(p.mapWidth));
        const int32_t stripe = (column / 4) % 2 == 0 ? 12 : -12;
        const auto seed = static_cast<uint32_t>(e) * 4U;
        if (c.kind == 3) {
            p.offset[e] = static_cast<int16_t>(stripe + Noise(seed, 15));
            c.offsets[e] = static_cast<int8_t>(p.offset[e]);
        } else if (c.kind == 6) {
            int32_t o[4];
            for (uint32_t k = 0; k < 4; ++k) {
                o[k] = stripe + Noise(seed + k, 10);
                // 11-bit words, bit 10 the sign.
                c.offsetImages[k][e] = static_cast<uint16_t>(o[k] & 0x07FF);
            }
            p.offset[e] = Blend(o[0], o[1], o[2], o[3]);
            // Gains at or below 1.0 reach every corrected value exactly.
            p.gain[e] = static_cast<int16_t>(495 + Noise(seed + 7, 15));
            c.gain[e] = static_cast<uint16_t>(p.gain[e]);
        }
    }
    return p;
}

int32_t Clamp10(int32_t v) {
    return std::clamp(v, 0, 1023);
}

// Corrected value of stored sample `raw` at map element `m`.
int32_t Corrected(const Pattern& p, int kind, int32_t raw, std::size_t m) {
    if (kind == 3) {
        return Clamp10(raw + p.offset[m]);
    }
    const int32_t s = ((raw + p.offset[m]) * p.gain[m] + 256) / 512;
    return Clamp10(static_cast<int16_t>(s));
}

// The stored sample whose correction gives `clean` (or the closest one).
uint16_t StoredFor(const Pattern& p, int kind, int32_t clean, std::size_t m) {
    if (kind != 3 && kind != 6) {
        return static_cast<uint16_t>(clean);
    }
    const int32_t guess =
        kind == 3 ? clean - p.offset[m] : (clean * 512 - 256) / p.gain[m] - p.offset[m];
    int32_t best = Clamp10(guess);
    int32_t bestError = 1 << 30;
    for (int32_t raw = Clamp10(guess - 3); raw <= Clamp10(guess + 3); ++raw) {
        const int32_t error = std::abs(Corrected(p, kind, raw, m) - clean);
        if (error < bestError) {
            best = raw;
            bestError = error;
        }
    }
    return static_cast<uint16_t>(best);
}

} // namespace

std::string CheckDemoOptions(const DemoOptions& o) {
    if (o.frames < 1) {
        return "--frames must be at least 1";
    }
    if (int64_t{o.firstNumber} + o.frames - 1 > INT32_MAX) {
        return "--first-number: the last frame's number would pass " + std::to_string(INT32_MAX);
    }
    if (o.width < 1 || o.height < 1 || o.width > 32767 || o.height > 32767) {
        return "--size: width and height must lie in 1..32767";
    }
    const int64_t pixels = int64_t{o.width} * o.height;
    if (pixels * 2 > 0x7FFFFFFF - 4096) {
        return "--size: frame too large";
    }
    if (o.quadrants && (o.height % 16 != 0 || o.width % 4 != 0 || pixels % 512 != 0)) {
        return "--size: quadrant order needs a height that is a multiple of 16, a width that is "
               "a multiple of 4 and a multiple of 512 pixels";
    }
    if (!o.quadrants && pixels % 32 != 0) {
        return "--size: lane order needs a multiple of 32 pixels";
    }
    if (o.correctionKind != 0 && o.correctionKind != 3 && o.correctionKind != 6) {
        return "--correction must be none, offset or offset-gain";
    }
    return {};
}

DemoScene::DemoScene(const DemoOptions& options, int32_t index)
    : m_width(options.width), m_height(options.height) {
    const double frames = std::max(options.frames, 1);
    const double phase = 2.0 * 3.14159265358979 * index / frames;
    // A disc on a Lissajous path; a bar along the bottom that grows with the index.
    m_cx = m_width * (0.5 + 0.35 * std::sin(phase));
    m_cy = m_height * (0.5 + 0.30 * std::sin(2.0 * phase));
    m_radius = std::max(2.0, std::min(m_width, m_height) / 6.0);
    m_barTop = m_height - std::max(2.0, m_height / 32.0);
    m_barEnd = m_width * (index + 1) / frames;
}

uint16_t DemoScene::Sample(int32_t x, int32_t y) const {
    // Gradient from dark top left to mid grey bottom right.
    double v = 60.0 + 500.0 * (x / m_width * 0.7 + y / m_height * 0.3);
    const double r = std::hypot(x - m_cx, y - m_cy);
    if (r < m_radius) {
        v = 900.0;
    } else if (r < m_radius + 4.0) {
        v += (900.0 - v) * (m_radius + 4.0 - r) / 4.0; // soft rim
    }
    if (y >= m_barTop && x < m_barEnd) {
        v = 820.0;
    }
    return static_cast<uint16_t>(std::clamp(v, 0.0, 1023.0));
}

bool WriteDemoRecording(const std::string& path, const DemoOptions& options, int& error) {
    const Pattern pattern = MakePattern(options);
    VornRecipe desc;
    desc.width = options.width;
    desc.height = options.height;
    desc.frameCount = options.frames;
    desc.firstFrameNo = options.firstNumber;
    desc.calibValue = kCalib;
    if (options.quadrants) {
        desc.modelTag = {'t', 'r', 'q', '1'};
    }
    if (options.bigEndian) {
        desc.byteOrderMark = {'M', 'M', 'M', 'M'};
    }
    desc.correction = pattern.correction;

    const int kind = options.correctionKind;
    const auto source = [&](int32_t index, uint16_t* samples) {
        const DemoScene scene(options, index);
        for (int32_t y = 0; y < options.height; ++y) {
            for (int32_t x = 0; x < options.width; ++x) {
                const auto m =
                    static_cast<std::size_t>(pattern.origin) +
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(pattern.mapWidth) +
                    static_cast<std::size_t>(x);
                const int32_t clean = scene.Sample(x, y);
                *samples++ = StoredFor(pattern, kind, clean, m);
            }
        }
    };
    return ReplaceWithVorn(path.c_str(), desc, source, error);
}

bool WriteDemoRecording(const std::string& path, const DemoOptions& options) {
    int error = 0;
    return WriteDemoRecording(path, options, error);
}
