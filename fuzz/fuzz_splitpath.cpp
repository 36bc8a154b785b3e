// SPDX-License-Identifier: BSD-3-Clause
// Fuzz target: splitting an output path and naming the numbered frame files.
// Input: four bytes of frame index, then the path.
#include "framework/SplitPath.h"
#include "fuzz/FuzzSupport.h"

#include <cstdint>
#include <string>

namespace {

bool HasSeparator(const std::string& s) {
    return s.find('/') != std::string::npos;
}

// "%6.6d" written out by hand: sign, then at least six digits.
std::string SixDigits(int32_t index) {
    const int64_t wide = index;
    std::string digits = std::to_string(wide < 0 ? -wide : wide);
    if (digits.size() < 6) {
        digits.insert(0, 6 - digits.size(), '0');
    }
    return (wide < 0 ? "-" : "") + digits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    const auto index = static_cast<int32_t>(in.Dword());
    const std::string path(reinterpret_cast<const char*>(in.Rest()), in.RestSize());

    std::string directory, base, extension, version;
    const std::string name = SplitPath(path, &directory, &base, &extension, &version);
    FUZZ_CHECK(SplitPath(path) == name);

    // The pieces put back together give the path.
    FUZZ_CHECK(path.compare(0, directory.size(), directory) == 0);
    FUZZ_CHECK(path.compare(directory.size(), name.size(), name) == 0);
    const std::string tail = path.substr(directory.size() + name.size());
    FUZZ_CHECK(tail.empty() || tail == ";" + version);
    FUZZ_CHECK(name == base || name == base + "." + extension);

    // Only the final component is split; the last dot and semicolon win.
    FUZZ_CHECK(directory.empty() || directory.back() == '/');
    FUZZ_CHECK(!HasSeparator(name) && !HasSeparator(version));
    FUZZ_CHECK(extension.find('.') == std::string::npos);
    FUZZ_CHECK(version.find(';') == std::string::npos);

    FUZZ_CHECK(FrameFileName(directory, base, index, extension) ==
               directory + base + "_" + SixDigits(index) + "." + extension);
    return 0;
}
