// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Timestamps.h"

#include "convert/Stack.h"
#include "framework/SplitPath.h"
#include "image/ReplacingFile.h"

#include <filesystem>
#include <system_error>

namespace {

// A field quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

} // namespace

std::string TimestampsPath(const OutputPattern& output) {
    return output.directory + output.baseName + ".frames.csv";
}

std::string TimestampsCsv(const TimeBase& time, int first, int last, const OutputPattern& output,
                          bool stack, int step) {
    const std::string stackName =
        std::filesystem::path(StackFileName(output)).filename().string();
    std::string text = "index,number,time_s,file\r\n";
    for (int i = first; i <= last; i += step) {
        const auto seconds = time.TimeOf(i);
        const std::string file = stack ? stackName + "#" + std::to_string((i - first) / step)
                                       : FrameFileName("", output.baseName, i, output.extension);
        text += std::to_string(i) + "," + std::to_string(time.NumberOf(i)) + "," +
                (seconds ? SecondsText(*seconds) : std::string()) + "," + CsvField(file) + "\r\n";
    }
    return text;
}

bool WriteTimestamps(const std::string& path, const TimeBase& time, int first, int last,
                     const OutputPattern& output, bool stack, std::string& reason,
                     int step) {
    const std::string text = TimestampsCsv(time, first, last, output, stack, step);
    int error = 0;
    if (ReplaceFileWith(path.c_str(), text.data(), text.size(), error))
        return true;
    reason = error != 0 ? std::error_code(error, std::generic_category()).message()
                        : "short write (disk full?)";
    return false;
}
