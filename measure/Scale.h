// SPDX-License-Identifier: BSD-3-Clause
// A spatial calibration: `pixels` image pixels span `length` of `unit`
// (nm, µm, mm, cm or m), e.g. "412=10mm". Standard library only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct Scale {
    double pixels = 0;
    double length = 0;
    std::string unit; // "nm", "µm", "mm", "cm" or "m"

    friend bool operator==(const Scale&, const Scale&) = default;
};

// Metres in one `unit` ("um" is read as "µm"); none for another unit.
std::optional<double> UnitMetres(std::string_view unit);

// Reads "PIXELS=LENGTH" with a unit, e.g. "412=10mm", "412 = 10 µm". False
// with `error` set otherwise (zero or negative values, unknown unit).
bool ParseScale(std::string_view text, Scale& scale, std::string& error);

// "412=10mm": the text ParseScale reads back as `scale`.
std::string FormatScale(const Scale& scale);

// The length of one pixel in metres.
double MetresPerPixel(const Scale& scale);

// A distance of `pixels` image pixels in the scale's unit, e.g. "2.427 mm"
// (4 significant digits).
std::string FormatLength(double pixels, const Scale& scale);
