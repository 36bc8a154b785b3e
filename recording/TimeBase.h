// SPDX-License-Identifier: BSD-3-Clause
// The time axis of a recording. Frames are stored by zero-based index, the
// camera numbers them from the trigger (frame index i has number first + i),
// and with the recording rate every frame has a time from the trigger,
// number / rate seconds. Every surface (viewer, command line, Python) goes
// through this one type for the arithmetic, the parsing of rates and frame
// names, and the formatting of times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a time or a number is written: ASCII only ("-240.0 us"), plain text
// with the micro sign ("-240.0 µs"), or for the screen with the minus sign
// U+2212 as well ("−240.0 µs").
enum class TimeStyle { Ascii, Text, Screen };

// Rates lie in this range (frames per second).
inline constexpr double kMinRate = 1e-3;
inline constexpr double kMaxRate = 1e10;

// Empty when `rate` is a usable rate, else why not.
std::string CheckRate(double rate);

// Reads "50000", "50k", "1.2M" (blanks around it allowed). False with
// `error` set for anything else: 0, negative, NaN, text, an overflow or a
// rate outside kMinRate..kMaxRate.
bool ParseRate(std::string_view text, double& rate, std::string& error);

// The shortest text ParseRate reads back as `rate`, e.g. "50000", "1.5".
std::string FormatRate(double rate);

// Reads a time: a decimal number with the unit s, ms, us, µs or ns, e.g.
// "-240us", "1.5 ms", "0.002s". False when it is not one.
bool ParseTime(std::string_view text, double& seconds);

// `seconds` with an SI unit chosen by magnitude and 4 significant digits:
// "-240.0 µs", "1.500 ms", "2.000 s".
std::string FormatTime(double seconds, TimeStyle style = TimeStyle::Text);

// `seconds` as a plain decimal number with 9 significant digits, for files
// read by programs ("-0.00024").
std::string SecondsText(double seconds);

// Which way `text` names a frame, judged without a recording: an index
// ("12"), a recorded number ("#-476"), a time ("-240us"), or none of them.
enum class FrameForm { Index, Number, Time, Invalid };
FrameForm FormOfFrame(std::string_view text);

class TimeBase {
public:
    TimeBase() = default;
    // Frames 0..count-1 numbered from `firstNumber`.
    TimeBase(int32_t firstNumber, int32_t count, std::optional<double> rate = {});

    int32_t Count() const { return m_count; }
    int64_t FirstNumber() const { return m_first; }
    int64_t LastNumber() const { return m_first + m_count - 1; }
    const std::optional<double>& Rate() const { return m_rate; }
    // A rate that CheckRate refuses is dropped.
    void SetRate(std::optional<double> rate);

    bool Contains(int64_t index) const { return index >= 0 && index < m_count; }
    int64_t NumberOf(int64_t index) const { return m_first + index; }
    // The index of recorded number `number`, or none outside the recording.
    std::optional<int32_t> IndexOfNumber(int64_t number) const;
    // The index that carries number 0, or none when the trigger lies outside.
    std::optional<int32_t> TriggerIndex() const;
    // Seconds from the trigger of frame `index`; none without a rate.
    std::optional<double> TimeOf(int64_t index) const;
    // The frame nearest `seconds`; none without a rate, or when the nearest
    // number lies outside the recording.
    std::optional<int32_t> IndexNearestTime(double seconds) const;
    // The recording's span, count / rate; none without a rate.
    std::optional<double> Duration() const;

    // The index `number` would have, clamped to the recording's ends.
    int32_t ClampedIndexOfNumber(int64_t number) const;
    // The frame nearest `seconds`, or the nearer end frame outside; 0
    // without a rate.
    int32_t ClampedIndexNearTime(double seconds) const;

    // A frame named three ways: "12" (an index), "#-476" (a recorded
    // number) or "-240us" (a time, naming the nearest frame; needs a rate).
    // False with `error` naming the valid range in the same form.
    bool ParseFrame(std::string_view text, int32_t& index, std::string& error) const;

    // "#-12", and with a rate "#-12  -240.0 µs".
    std::string FrameLabel(int64_t index, TimeStyle style = TimeStyle::Text) const;

private:
    int64_t m_first = 0;
    int32_t m_count = 0;
    std::optional<double> m_rate;
};
