// SPDX-License-Identifier: BSD-3-Clause
// Readers of the options several commands share: the recording rate and
// frames named by index, recorded number or time.
#pragma once

#include <optional>
#include <string>

// --rate as frames per second; false after the usage line of `command` when
// it cannot be read.
bool ReadRateOption(const std::optional<std::string>& text, std::optional<double>& rate,
                    const std::string& command);

// --first or --last: an index goes into `index`, a number or a time into
// `named`, resolved in each recording. Empty, or the usage problem.
std::string ReadFrameOption(const char* option, const std::optional<std::string>& text,
                            bool haveRate, std::optional<int>& index, std::string& named);
