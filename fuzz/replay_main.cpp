// SPDX-License-Identifier: BSD-3-Clause
// Stand-alone driver for the fuzz targets: feeds every file of the given
// files and directories to LLVMFuzzerTestOneInput once, so the corpus and the
// kept crash inputs are replayed by every test run without libFuzzer.
// A missing directory is an error (a typo must not make a replay pass
// vacuously); files whose names start with '.' are skipped.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

bool ReadWhole(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Regular files named by `arg`: the file itself, or the directory's files in
// name order so a failing run is reproducible.
bool CollectInputs(const std::string& arg, std::vector<fs::path>& inputs) {
    std::error_code ec;
    const fs::path root(arg);
    if (fs::is_regular_file(root, ec)) {
        inputs.push_back(root);
        return true;
    }
    if (!fs::is_directory(root, ec)) {
        std::fprintf(stderr, "replay: no such file or directory: %s\n", arg.c_str());
        return false;
    }
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(root, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && !name.empty() && name[0] != '.') {
            found.push_back(entry.path());
        }
    }
    if (ec) {
        std::fprintf(stderr, "replay: cannot list %s: %s\n", arg.c_str(), ec.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-DIRECTORY...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!CollectInputs(argv[i], inputs)) {
            return 2;
        }
    }
    std::vector<uint8_t> bytes;
    for (const fs::path& input : inputs) {
        if (!ReadWhole(input, bytes)) {
            std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
            return 2;
        }
        // Announce first: when an input crashes, the last line names it.
        std::fprintf(stderr, "replay: %s (%zu bytes)\n", input.c_str(), bytes.size());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("replay: %zu inputs, no failure\n", inputs.size());
    return 0;
}
