// SPDX-License-Identifier: BSD-3-Clause
#include "cli/FrameOptions.h"

#include "cli/Usage.h"
#include "recording/TimeBase.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

bool ReadRateOption(const std::optional<std::string>& text, std::optional<double>& rate,
                    const std::string& command) {
    if (!text) {
        return true;
    }
    double value = 0;
    std::string error;
    if (!ParseRate(*text, value, error)) {
        Usage("--rate: " + error, command);
        return false;
    }
    rate = value;
    return true;
}

std::string ReadFrameOption(const char* option, const std::optional<std::string>& text,
                            bool haveRate, std::optional<int>& index, std::string& named) {
    if (!text) {
        return {};
    }
    switch (FormOfFrame(*text)) {
    case FrameForm::Index: {
        // Checked against each recording's frames, as before.
        const long long value = std::strtoll(text->c_str(), nullptr, 10);
        if (value < INT32_MIN || value > INT32_MAX) {
            return std::string(option) + " must be a whole number";
        }
        index = static_cast<int>(value);
        return {};
    }
    case FrameForm::Time:
        if (!haveRate) {
            return std::string(option) + " " + *text + " is a time: give the rate with --rate";
        }
        [[fallthrough]];
    case FrameForm::Number:
        named = *text;
        return {};
    case FrameForm::Invalid:
        break;
    }
    return std::string(option) + " takes a frame index (12), a number (#-476) or a time (-240us)";
}
