// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Verify.h"
#include "cli/Escape.h"

#include "cli/Manifest.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

enum class Match { Same, Missing, Changed };

Match CompareFile(const std::string& path, int64_t size, const std::string& sha256) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        return Match::Missing;
    }
    std::string digest;
    int64_t found = 0;
    std::string reason;
    if (!Sha256OfFile(path, digest, found, reason)) {
        return Match::Missing;
    }
    return found == size && digest == sha256 ? Match::Same : Match::Changed;
}

// Counts the problems of one manifest, reporting each on `err`.
int VerifyOne(const std::string& manifest, std::FILE* out, std::FILE* err) {
    nlohmann::json json;
    try {
        std::ifstream in(manifest, std::ios::binary);
        if (!in) {
            std::fprintf(err, "quorvane-cli: %s: missing\n", PrintableName(manifest).c_str());
            return 1;
        }
        json = nlohmann::json::parse(in);
        // Fail early on a manifest without the parts that are compared.
        (void)json.at("recording").at("sha256").get<std::string>();
        (void)json.at("files").size();
    } catch (const nlohmann::json::exception&) {
        std::fprintf(err, "quorvane-cli: %s: not a manifest of quorvane-cli\n", PrintableName(manifest).c_str());
        return 1;
    }
    int problems = 0;
    auto report = [&](const std::string& path, Match match) {
        if (match != Match::Same) {
            std::fprintf(err, "quorvane-cli: %s: %s\n", PrintableName(path).c_str(),
                         match == Match::Missing ? "missing" : "changed");
            ++problems;
        }
    };
    try {
        const nlohmann::json& recording = json.at("recording");
        const std::string path = recording.at("path").get<std::string>();
        report(path, CompareFile(path, recording.at("size").get<int64_t>(),
                                 recording.at("sha256").get<std::string>()));
        const fs::path folder = fs::path(manifest).parent_path();
        for (const nlohmann::json& file : json.at("files")) {
            const std::string name = (folder / file.at("name").get<std::string>()).string();
            report(name, CompareFile(name, file.at("size").get<int64_t>(),
                                     file.at("sha256").get<std::string>()));
        }
    } catch (const nlohmann::json::exception&) {
        std::fprintf(err, "quorvane-cli: %s: not a manifest of quorvane-cli\n", PrintableName(manifest).c_str());
        return problems + 1;
    }
    if (problems == 0) {
        const std::size_t files = json.at("files").size();
        std::fprintf(out, "%s: the recording and %zu file%s match\n", PrintableName(manifest).c_str(), files,
                     files == 1 ? "" : "s");
    }
    return problems;
}

} // namespace

int RunVerify(const std::vector<std::string>& manifests, std::FILE* out, std::FILE* err) {
    int problems = 0;
    for (const std::string& manifest : manifests) {
        problems += VerifyOne(manifest, out, err);
    }
    return problems == 0 ? 0 : 1;
}
