// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Temporaries.h"

#include "framework/SplitPath.h"
#include "image/SaveTemporary.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The frame index of the bare file name `name` when it is one of the
// pattern's names ("<base>_<six or more digits>.<extension>"), else -1.
int FrameIndexOf(const std::string& name, const OutputPattern& pattern) {
    const std::string head = pattern.baseName + "_";
    const std::string tail = "." + pattern.extension;
    if (name.size() < head.size() + 6 + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
        return -1;
    }
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    const long long index = std::stoll(digits);
    if (index > 0x7FFFFFFF ||
        FrameFileName({}, pattern.baseName, static_cast<int>(index), pattern.extension) != name) {
        return -1;
    }
    return static_cast<int>(index);
}

} // namespace

int RemoveStaleTemporaries(const OutputPattern& pattern, int first, int last) {
    const fs::path folder = pattern.directory.empty() ? fs::path(".") : fs::path(pattern.directory);
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    int removed = 0;
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        // ".<frame name>.XXXXXX": the frame name lies between the first and
        // the last dot.
        const std::size_t lastDot = entry.rfind('.');
        if (entry.size() < 2 || entry[0] != '.' || lastDot == 0 || lastDot == std::string::npos) {
            continue;
        }
        const std::string name = entry.substr(1, lastDot - 1);
        const int index = FrameIndexOf(name, pattern);
        if (index < first || index > last || !IsSaveTemporaryOf(entry, name)) {
            continue;
        }
        // Only a regular file (or a link) is removed; lstat semantics.
        std::error_code statEc;
        const fs::file_status status = it->symlink_status(statEc);
        if (statEc || fs::is_directory(status)) {
            continue;
        }
        std::error_code removeEc;
        if (fs::remove(it->path(), removeEc)) {
            ++removed;
        }
    }
    return removed;
}
