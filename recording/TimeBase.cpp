// SPDX-License-Identifier: BSD-3-Clause
#include "recording/TimeBase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace {

constexpr std::string_view kMinus = "\xe2\x88\x92"; // U+2212
constexpr std::string_view kMicroSeconds = "\xc2\xb5" "s"; // U+00B5
constexpr std::string_view kMuSeconds = "\xce\xbc" "s";    // U+03BC, typed for the micro sign

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// `text` with a leading U+2212 written as '-', so pasted screen text reads.
std::string AsciiSign(std::string_view text) {
    if (text.substr(0, kMinus.size()) == kMinus)
        return std::string(1, '-').append(text.substr(kMinus.size()));
    return std::string(text);
}

// The whole of `text` as a decimal number (no hex, no leading '+').
bool WholeDouble(std::string_view text, double& value, bool& overflow) {
    overflow = false;
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ptr != end)
        return false;
    overflow = ec == std::errc::result_out_of_range;
    return ec == std::errc() && std::isfinite(value);
}

bool WholeInteger(std::string_view text, int64_t& value) {
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

std::string Styled(std::string text, TimeStyle style) {
    if (style == TimeStyle::Screen && !text.empty() && text.front() == '-')
        text.replace(0, 1, kMinus);
    return text;
}

} // namespace

std::string CheckRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0)
        return "the rate must be a number of frames per second greater than 0";
    if (rate < kMinRate || rate > kMaxRate)
        return "the rate must lie between " + FormatRate(kMinRate) + " and " +
               FormatRate(kMaxRate) + " frames per second";
    return {};
}

bool ParseRate(std::string_view text, double& rate, std::string& error) {
    const std::string_view trimmed = Trimmed(text);
    std::string_view digits = trimmed;
    double scale = 1;
    if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K' || digits.back() == 'M')) {
        scale = digits.back() == 'M' ? 1e6 : 1e3;
        digits.remove_suffix(1);
    }
    double value = 0;
    bool overflow = false;
    if (!WholeDouble(AsciiSign(Trimmed(digits)), value, overflow)) {
        const std::string shown(trimmed);
        error = overflow ? "rate '" + shown + "' is out of range"
                         : "'" + shown +
                               "' is not a rate: give frames per second, e.g. 50000, 50k or 1.2M";
        return false;
    }
    value *= scale;
    if (std::string why = CheckRate(value); !why.empty()) {
        error = std::move(why);
        return false;
    }
    rate = value;
    return true;
}

std::string FormatRate(double rate) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, rate, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

bool ParseTime(std::string_view text, double& seconds) {
    const std::string plain = AsciiSign(Trimmed(text));
    const struct {
        std::string_view unit;
        double scale;
    } units[] = {{"ms", 1e-3}, {"us", 1e-6}, {kMicroSeconds, 1e-6}, {kMuSeconds, 1e-6}, {"ns", 1e-9}, {"s", 1}};
    const std::string_view view = plain;
    for (const auto& [unit, scale] : units) {
        if (view.size() <= unit.size() || view.substr(view.size() - unit.size()) != unit)
            continue;
        double value = 0;
        bool overflow = false;
        if (!WholeDouble(Trimmed(view.substr(0, view.size() - unit.size())), value, overflow))
            return false;
        seconds = value * scale;
        return std::isfinite(seconds);
    }
    return false;
}

std::string FormatTime(double seconds, TimeStyle style) {
    if (!std::isfinite(seconds))
        return "-";
    const struct {
        double scale;
        std::string_view unit;
    } units[] = {{1, "s"}, {1e-3, "ms"}, {1e-6, style == TimeStyle::Ascii ? "us" : kMicroSeconds},
                 {1e-9, "ns"}};
    if (seconds == 0)
        return "0.000 s";
    std::size_t u = 0;
    while (u + 1 < std::size(units) && std::fabs(seconds) < units[u].scale)
        ++u;
    // Rounded to 4 significant digits first, so 999.96 µs becomes 1.000 ms.
    double value = seconds / units[u].scale;
    int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const double step = std::pow(10.0, exponent - 3);
    value = std::round(value / step) * step;
    if (std::fabs(value) >= 1000 && u > 0) {
        value /= 1000;
        --u;
    }
    exponent = static_cast<int>(std::floor(std::log10(std::fabs(value)) + 1e-12));
    const int decimals = std::max(0, 3 - exponent);
    return Styled(Fixed(value, decimals), style) + " " + std::string(units[u].unit);
}

std::string SecondsText(double seconds) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, seconds, std::chars_format::general, 9);
    return std::string(text, result.ptr);
}

FrameForm FormOfFrame(std::string_view text) {
    const std::string plain = AsciiSign(Trimmed(text));
    const std::string_view view = plain;
    int64_t value = 0;
    double seconds = 0;
    if (!view.empty() && view.front() == '#')
        return WholeInteger(AsciiSign(Trimmed(view.substr(1))), value) ? FrameForm::Number
                                                                       : FrameForm::Invalid;
    if (WholeInteger(view, value))
        return FrameForm::Index;
    return ParseTime(view, seconds) ? FrameForm::Time : FrameForm::Invalid;
}

TimeBase::TimeBase(int32_t firstNumber, int32_t count, std::optional<double> rate)
    : m_first(firstNumber), m_count(std::max(count, 0)) {
    SetRate(rate);
}

void TimeBase::SetRate(std::optional<double> rate) {
    m_rate = rate && CheckRate(*rate).empty() ? rate : std::nullopt;
}

std::optional<int32_t> TimeBase::IndexOfNumber(int64_t number) const {
    const int64_t index = number - m_first;
    if (!Contains(index))
        return std::nullopt;
    return static_cast<int32_t>(index);
}

std::optional<int32_t> TimeBase::TriggerIndex() const {
    return IndexOfNumber(0);
}

std::optional<double> TimeBase::TimeOf(int64_t index) const {
    if (!m_rate)
        return std::nullopt;
    return static_cast<double>(NumberOf(index)) / *m_rate;
}

std::optional<int32_t> TimeBase::IndexNearestTime(double seconds) const {
    if (!m_rate || !std::isfinite(seconds))
        return std::nullopt;
    const double number = std::round(seconds * *m_rate);
    // Far outside any recording: no integer conversion of a huge value.
    if (std::fabs(number) > 1e15)
        return std::nullopt;
    return IndexOfNumber(static_cast<int64_t>(number));
}

std::optional<double> TimeBase::Duration() const {
    if (!m_rate)
        return std::nullopt;
    return m_count / *m_rate;
}

int32_t TimeBase::ClampedIndexOfNumber(int64_t number) const {
    if (m_count <= 0)
        return 0;
    const int64_t index = std::clamp<int64_t>(number - m_first, 0, m_count - 1);
    return static_cast<int32_t>(index);
}

int32_t TimeBase::ClampedIndexNearTime(double seconds) const {
    if (!m_rate || std::isnan(seconds))
        return 0;
    const double number = std::clamp(std::round(seconds * *m_rate), -1e15, 1e15);
    return ClampedIndexOfNumber(static_cast<int64_t>(number));
}

bool TimeBase::ParseFrame(std::string_view text, int32_t& index, std::string& error) const {
    const std::string plain = AsciiSign(Trimmed(text));
    const std::string_view view = plain;
    const std::string shown(Trimmed(text));
    int64_t value = 0;
    if (!view.empty() && view.front() == '#') {
        const std::string digits = AsciiSign(Trimmed(view.substr(1)));
        if (!WholeInteger(digits, value)) {
            error = "'" + shown + "' is not a frame number: write it as #-476";
            return false;
        }
        if (const auto found = IndexOfNumber(value)) {
            index = *found;
            return true;
        }
        error = "frame #" + std::to_string(value) + " lies outside the numbers #" +
                std::to_string(FirstNumber()) + "..#" + std::to_string(LastNumber());
        return false;
    }
    if (WholeInteger(view, value)) {
        if (Contains(value)) {
            index = static_cast<int32_t>(value);
            return true;
        }
        error = "frame " + std::to_string(value) + " lies outside the frames 0.." +
                std::to_string(m_count - 1);
        return false;
    }
    double seconds = 0;
    if (!ParseTime(view, seconds)) {
        error = "'" + shown +
                "' is not a frame: give an index (12), a number (#-476) or a time (-240us)";
        return false;
    }
    if (!m_rate) {
        error = "the time '" + shown + "' needs the recording rate";
        return false;
    }
    if (const auto found = IndexNearestTime(seconds)) {
        index = *found;
        return true;
    }
    error = "time " + FormatTime(seconds) + " lies outside the times " + FormatTime(*TimeOf(0)) +
            ".." + FormatTime(*TimeOf(m_count - 1));
    return false;
}

std::string TimeBase::FrameLabel(int64_t index, TimeStyle style) const {
    std::string label(1, '#');
    label += Styled(std::to_string(NumberOf(index)), style);
    if (const auto time = TimeOf(index))
        label += "  " + FormatTime(*time, style);
    return label;
}
