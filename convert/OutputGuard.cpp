// SPDX-License-Identifier: BSD-3-Clause
#include "convert/OutputGuard.h"

#include "convert/Manifest.h"
#include "convert/Stack.h"
#include "convert/Temporaries.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

struct Identity {
    dev_t device;
    ino_t inode;
    bool operator==(const Identity&) const = default;
};

// The file a name reaches (followed) and the name itself (not followed);
// both count, so a link either way is caught.
std::vector<Identity> IdentitiesOf(const std::string& path) {
    std::vector<Identity> ids;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        ids.push_back({info.st_dev, info.st_ino});
    }
    if (::lstat(path.c_str(), &info) == 0) {
        ids.push_back({info.st_dev, info.st_ino});
    }
    return ids;
}

struct Input {
    std::string path;
    std::vector<Identity> ids;
};

std::vector<Input> InputsOf(const std::vector<std::string>& recordings) {
    std::vector<Input> inputs;
    for (const std::string& path : recordings) {
        inputs.push_back({path, IdentitiesOf(path)});
    }
    return inputs;
}

// The recording `target` would overwrite, or null.
const Input* Overwritten(const std::string& target, const std::vector<Input>& inputs) {
    const std::vector<Identity> ids = IdentitiesOf(target);
    for (const Input& input : inputs) {
        for (const Identity& a : ids) {
            for (const Identity& b : input.ids) {
                if (a == b) {
                    return &input;
                }
            }
        }
    }
    return nullptr;
}

std::string Problem(const std::string& target, const Input& input) {
    return target + " would overwrite the recording " + input.path;
}

// Frame files of `pattern` already in its folder (any index: which frames
// run is known only once the recording is open).
std::vector<std::string> ExistingFrameFiles(const OutputPattern& pattern) {
    std::vector<std::string> names;
    const fs::path folder = pattern.directory.empty() ? fs::path(".") : fs::path(pattern.directory);
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (FrameIndexOfName(name, pattern) >= 0) {
            names.push_back(pattern.directory + name);
        }
    }
    return names;
}

} // namespace

std::string CheckOutputsSpareInputs(const RunOutputs& run) {
    const std::vector<Input> inputs = InputsOf(run.recordings);
    for (const std::string& recording : run.recordings) {
        const OutputPattern pattern = ResolveOutputPattern(recording, run.output);
        std::vector<std::string> targets =
            run.stack ? std::vector<std::string>{StackFileName(pattern)} : ExistingFrameFiles(pattern);
        if (run.manifest) {
            targets.push_back(ManifestPath(pattern));
        }
        for (const std::string& target : targets) {
            if (const Input* input = Overwritten(target, inputs)) {
                return Problem(target, *input);
            }
        }
    }
    return {};
}

std::string CheckNamesSpareInputs(const std::vector<std::string>& recordings,
                                  const std::vector<std::string>& targets,
                                  const std::vector<OutputPattern>& patterns) {
    const std::vector<Input> inputs = InputsOf(recordings);
    std::vector<std::string> names = targets;
    for (const OutputPattern& pattern : patterns) {
        const std::vector<std::string> existing = ExistingFrameFiles(pattern);
        names.insert(names.end(), existing.begin(), existing.end());
    }
    for (const std::string& target : names) {
        if (const Input* input = Overwritten(target, inputs)) {
            return Problem(target, *input);
        }
    }
    return {};
}

std::string CheckTargetsSpareInput(const std::string& recording,
                                   const std::vector<std::string>& targets) {
    return CheckNamesSpareInputs({recording}, targets, {});
}
