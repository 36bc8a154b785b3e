// SPDX-License-Identifier: BSD-3-Clause
#include "convert/ManifestFormat.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

constexpr const char* kNotAManifest = "not a manifest of quorvane-cli";

bool IsDigest(const Json& value) {
    if (!value.is_string()) {
        return false;
    }
    const auto& text = value.get_ref<const std::string&>();
    return text.size() == 64 &&
           text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The name stored under `key`, from "<key>_bytes" when the bytes are not
// text. False when neither is usable.
bool NameOf(const Json& object, const std::string& key, std::string& name) {
    const auto bytes = object.find(key + "_bytes");
    if (bytes != object.end()) {
        return bytes->is_string() && BytesOfHex(bytes->get_ref<const std::string&>(), name);
    }
    const auto text = object.find(key);
    if (text == object.end() || !text->is_string()) {
        return false;
    }
    name = text->get_ref<const std::string&>();
    return true;
}

bool SizeAndDigest(const Json& object, ManifestEntry& entry) {
    const auto size = object.find("size");
    const auto digest = object.find("sha256");
    if (size == object.end() || !size->is_number_integer() || digest == object.end() ||
        !IsDigest(*digest)) {
        return false;
    }
    entry.size = size->get<int64_t>();
    entry.sha256 = digest->get<std::string>();
    return entry.size >= 0;
}

// Only a name inside the manifest's folder: no separator, no "." or "..",
// no NUL, not empty.
bool IsBareName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

bool ParseFile(const Json& item, std::size_t index, ManifestEntry& entry, std::string& problem) {
    const std::string where = "entry " + std::to_string(index + 1) + " of \"files\"";
    if (!item.is_object() || !NameOf(item, "name", entry.name) || !SizeAndDigest(item, entry)) {
        problem = where + " lacks a name, size or sha256 of the right type";
        return false;
    }
    if (!IsBareName(entry.name)) {
        problem = where + " (" + entry.name + ") is not a file name in the manifest's folder";
        return false;
    }
    return true;
}

} // namespace

bool ParseManifest(const std::string& text, ManifestContents& contents, std::string& problem) {
    const Json json = Json::parse(text, nullptr, false);
    const Json* recording = nullptr;
    const Json* files = nullptr;
    if (json.is_object()) {
        const auto r = json.find("recording");
        const auto f = json.find("files");
        recording = r != json.end() && r->is_object() ? &*r : nullptr;
        files = f != json.end() ? &*f : nullptr;
    }
    if (recording == nullptr || files == nullptr ||
        !NameOf(*recording, "path", contents.recording.name) ||
        !SizeAndDigest(*recording, contents.recording) || contents.recording.name.empty() ||
        contents.recording.name.find('\0') != std::string::npos) {
        problem = kNotAManifest;
        return false;
    }
    if (!files->is_array()) {
        problem = "\"files\" is not a list";
        return false;
    }
    contents.files.clear();
    for (std::size_t i = 0; i < files->size(); ++i) {
        ManifestEntry entry;
        if (!ParseFile((*files)[i], i, entry, problem)) {
            return false;
        }
        contents.files.push_back(std::move(entry));
    }
    return true;
}

bool BytesOfHex(const std::string& hex, std::string& bytes) {
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    if (hex.size() % 2 != 0) {
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}
