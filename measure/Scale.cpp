// SPDX-License-Identifier: BSD-3-Clause
#include "measure/Scale.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, double>, 6> kUnits{{
    {"nm", 1e-9}, {"µm", 1e-6}, {"um", 1e-6}, {"mm", 1e-3}, {"cm", 1e-2}, {"m", 1.0}}};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A positive finite decimal filling all of `text`.
bool ReadPositive(std::string_view text, double& value) {
    const std::string copy(Trim(text));
    if (copy.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value) && value > 0;
}

std::string Shortest(double value) {
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        // "1e+01" reads back as 10 too, but "10" is the text people write.
        const bool plain = std::strchr(text, 'e') == nullptr || std::fabs(value) < 1e-4 ||
                           std::fabs(value) >= 1e17;
        if (plain && std::strtod(text, nullptr) == value) {
            break;
        }
    }
    return text;
}

} // namespace

std::optional<double> UnitMetres(std::string_view unit) {
    for (const auto& [name, metres] : kUnits) {
        if (name == unit) {
            return metres;
        }
    }
    return std::nullopt;
}

bool ParseScale(std::string_view text, Scale& scale, std::string& error) {
    error = "takes PIXELS=LENGTH with a unit (nm, µm, mm, cm or m), e.g. 412=10mm";
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    std::string_view length = Trim(text.substr(equals + 1));
    size_t unitStart = length.size();
    while (unitStart > 0 && (std::isalpha(static_cast<unsigned char>(length[unitStart - 1])) ||
                             static_cast<unsigned char>(length[unitStart - 1]) >= 0x80)) {
        --unitStart;
    }
    const std::string_view unit = length.substr(unitStart);
    Scale parsed;
    if (!ReadPositive(text.substr(0, equals), parsed.pixels) ||
        !ReadPositive(length.substr(0, unitStart), parsed.length) || !UnitMetres(unit)) {
        return false;
    }
    parsed.unit = unit == "um" ? "µm" : std::string(unit);
    scale = parsed;
    error.clear();
    return true;
}

std::string FormatScale(const Scale& scale) {
    return Shortest(scale.pixels) + "=" + Shortest(scale.length) + scale.unit;
}

double MetresPerPixel(const Scale& scale) {
    return scale.length * UnitMetres(scale.unit).value_or(0.0) / scale.pixels;
}

std::string FormatLength(double pixels, const Scale& scale) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4g %s", pixels * scale.length / scale.pixels,
                  scale.unit.c_str());
    return text;
}
