// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Verify.h"

#include "convert/Manifest.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kNotAManifest = "not a manifest of quorvane-cli";

const char* CompareFile(const std::string& path, int64_t size, const std::string& sha256) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        return "missing";
    }
    std::string digest;
    int64_t found = 0;
    std::string reason;
    if (!Sha256OfFile(path, digest, found, reason)) {
        return "missing";
    }
    return found == size && digest == sha256 ? nullptr : "changed";
}

} // namespace

ManifestVerdict VerifyManifest(const std::string& manifest) {
    ManifestVerdict verdict;
    nlohmann::json json;
    try {
        std::ifstream in(manifest, std::ios::binary);
        if (!in) {
            verdict.problems.push_back({manifest, "missing"});
            return verdict;
        }
        json = nlohmann::json::parse(in);
        // Fail early on a manifest without the parts that are compared.
        (void)json.at("recording").at("sha256").get<std::string>();
        verdict.files = json.at("files").size();
    } catch (const nlohmann::json::exception&) {
        verdict.problems.push_back({manifest, kNotAManifest});
        return verdict;
    }
    auto check = [&](const std::string& path, const nlohmann::json& entry) {
        if (const char* what = CompareFile(path, entry.at("size").get<int64_t>(),
                                           entry.at("sha256").get<std::string>())) {
            verdict.problems.push_back({path, what});
        }
    };
    try {
        const nlohmann::json& recording = json.at("recording");
        check(recording.at("path").get<std::string>(), recording);
        const fs::path folder = fs::path(manifest).parent_path();
        for (const nlohmann::json& file : json.at("files")) {
            check((folder / file.at("name").get<std::string>()).string(), file);
        }
    } catch (const nlohmann::json::exception&) {
        verdict.problems.push_back({manifest, kNotAManifest});
    }
    return verdict;
}
