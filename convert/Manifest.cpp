// SPDX-License-Identifier: BSD-3-Clause
#include "convert/Manifest.h"

#include "framework/TextEscape.h"
#include "image/ReplacingFile.h"
#include "recording/RecordingInfo.h"
#include "recording/TimeBase.h"
#include "recording/VornReader.h"

#include <QuorvaneVersion.h>

#include <nlohmann/json.hpp>
#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>


namespace fs = std::filesystem;

struct Sha256::Context {
    struct Free {
        void operator()(EVP_MD_CTX* context) const noexcept { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> evp{EVP_MD_CTX_new()};
};

Sha256::Sha256() : m_context(std::make_unique<Context>()) {
    if (!m_context->evp || EVP_DigestInit_ex(m_context->evp.get(), EVP_sha256(), nullptr) != 1) {
        throw std::bad_alloc();
    }
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
    EVP_DigestUpdate(m_context->evp.get(), data, size);
}

std::string Sha256::Finish() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->evp.get(), digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

std::string Sha256Of(const void* data, std::size_t size) {
    Sha256 hash;
    hash.Update(data, size);
    return hash.Finish();
}

bool Sha256OfDescriptor(int fd, std::string& digest, int64_t& size, std::string& reason,
                        const HashStop& stop) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    Sha256 hash;
    std::vector<unsigned char> buffer(std::size_t{1} << 20);
    size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            reason = std::error_code(errno, std::generic_category()).message();
            return false;
        }
        if (got == 0) {
            break;
        }
        // A large file takes a while: a stop or an interrupt is seen within
        // one buffer.
        if (stop.token.stop_requested() || (stop.cancel != nullptr && stop.cancel->load())) {
            reason = "interrupted";
            return false;
        }
        hash.Update(buffer.data(), static_cast<std::size_t>(got));
        size += got;
    }
    digest = hash.Finish();
    return true;
}

bool Sha256OfFile(const std::string& path, std::string& digest, int64_t& size,
                  std::string& reason, const HashStop& stop) {
    // Checked before it is read; O_NONBLOCK: a FIFO swapped in must not block.
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
        reason = S_ISDIR(named.st_mode) ? "Is a directory" : "not a regular file";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = std::error_code(errno, std::generic_category()).message();
        return false;
    }
    const bool done = Sha256OfDescriptor(fd, digest, size, reason, stop);
    ::close(fd);
    return done;
}

void ManifestLog::Add(ManifestFile file) {
    std::lock_guard lock(m_mutex);
    m_files.push_back(std::move(file));
}

std::vector<ManifestFile> ManifestLog::Files() const {
    std::vector<ManifestFile> files;
    {
        std::lock_guard lock(m_mutex);
        files = m_files;
    }
    std::sort(files.begin(), files.end(),
              [](const ManifestFile& a, const ManifestFile& b) { return a.frame < b.frame; });
    return files;
}

RecordingHasher::RecordingHasher(std::string path, const std::atomic<bool>* cancel)
    : m_path(std::move(path)), m_cancel(cancel) {
    try {
        m_thread = std::jthread([this](const std::stop_token& stop) { Hash(stop); });
    } catch (const std::system_error&) {
        m_deferred = true; // no thread to spare: hashed when the result is asked for
    }
}

void RecordingHasher::Hash(const std::stop_token& stop) {
    try {
        m_ok = Sha256OfFile(m_path, m_digest, m_size, m_reason, {stop, m_cancel});
    } catch (const std::bad_alloc&) {
        m_reason = "out of memory";
    }
}

bool RecordingHasher::Result(std::string& digest, int64_t& size, std::string& reason) {
    if (m_thread.joinable()) {
        m_thread.join();
    } else if (m_deferred) {
        m_deferred = false;
        Hash({});
    }
    digest = m_digest;
    size = m_size;
    reason = m_reason;
    return m_ok;
}

std::string ManifestPath(const OutputPattern& output) {
    return output.directory + output.baseName + ".manifest.json";
}

const char* ProgramVersion() {
    return QUORVANE_VERSION;
}

std::string ProgramNameAndVersion() {
    return std::string("quorvane-cli ") + ProgramVersion();
}

namespace {

using Json = nlohmann::ordered_json;

// `key` holds the name as text; a name that is not UTF-8 gets its readable
// form there (U+FFFD for the stray bytes) and its exact bytes in
// "<key>_bytes", which is what `verify` goes by.
void PutName(Json& object, const std::string& key, const std::string& name) {
    object[key] = name;
    if (!IsUtf8(name)) {
        object[key + "_bytes"] = HexOf(name);
    }
}

std::string UtcTime(const struct timespec& when) {
    struct tm parts {};
    const time_t seconds = when.tv_sec;
    gmtime_r(&seconds, &parts);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// What the recording holds, as the converter saw it. The correction is
// loaded once, by the same open `info` uses.
bool DescribeRecording(const ManifestRun& run, Json& json, std::string& reason) {
    RecordingInfo info;
    VornReader numbers;
    if (!ReadRecordingInfo(run.recording, info, reason)) {
        return false;
    }
    if (numbers.Open(run.recording.c_str(), 0) == 0) {
        reason = VornErrorText(numbers.error);
        return false;
    }
    json["width"] = info.width;
    json["height"] = info.height;
    json["frames"] = info.frames;
    json["frame-bytes"] = info.frameBytes;
    json["layout"] = info.quadrants ? "quadrants" : "lanes";
    json["byte-order"] = info.littleEndian ? "little" : "big";
    const bool applied = info.correction == "offset" || info.correction == "offset-gain";
    json["correction"] = {{"applied", applied}, {"kind", info.correction}};
    json["first-frame-number"] = numbers.firstFrameNo;
    json["last-frame-number"] = numbers.lastFrameNo;
    json["calibration"] = numbers.calibValue;
    return true;
}

Json DescribeOptions(const ManifestRun& run) {
    const ConvertRequest& r = run.request;
    Json options{{"output", run.output},     {"bits", r.bits},
                 {"first", r.first},         {"last", r.last},
                 {"jobs", r.jobs},           {"stack", run.stack},
                 {"bigtiff", run.bigtiff},   {"skip-existing", run.skipExisting}};
    if (run.rate) {
        options["rate"] = *run.rate;
    }
    if (!run.format.empty()) {
        options["format"] = run.format;
    }
    if (!run.format.empty() || run.step != 1) {
        options["step"] = run.step;
    }
    if (!run.crop.empty()) {
        options["crop"] = run.crop;
    }
    return options;
}

// "number" (the same as "recorded", which older readers know) and, with a
// rate, "time" in seconds from the trigger.
void DescribeTime(const ManifestRun& run, const ManifestFile& file, Json& entry) {
    const TimeBase time(static_cast<int32_t>(file.recorded - file.frame), file.frame + 1, run.rate);
    entry["number"] = time.NumberOf(file.frame);
    if (const auto seconds = time.TimeOf(file.frame)) {
        entry["time"] = *seconds;
    }
}

} // namespace

bool WriteManifest(const std::string& path, const ManifestRun& run, RecordingHasher& hasher,
                   const std::vector<ManifestFile>& files, std::string& reason) {
    Json json;
    json["program"] = "quorvane-cli";
    json["version"] = ProgramVersion();
    std::string digest;
    int64_t size = 0;
    struct stat info {};
    if (!hasher.Result(digest, size, reason) || ::stat(run.recording.c_str(), &info) != 0) {
        reason = "cannot read " + run.recording + ": " +
                 (reason.empty() ? std::error_code(errno, std::generic_category()).message()
                                 : reason);
        return false;
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(run.recording, ec);
    Json recording;
    PutName(recording, "path", ec ? run.recording : absolute.lexically_normal().string());
    recording["size"] = size;
    recording["modified"] = UtcTime(info.st_mtim);
    recording["sha256"] = digest;
    json["recording"] = std::move(recording);
    if (!DescribeRecording(run, json, reason)) {
        reason = "cannot read " + run.recording + ": " + reason;
        return false;
    }
    json["options"] = DescribeOptions(run);
    Json list = Json::array();
    for (const ManifestFile& file : files) {
        Json entry{{"frame", file.frame}, {"recorded", file.recorded}};
        if (file.pages > 0) {
            entry["pages"] = file.pages;
        }
        PutName(entry, "name", fs::path(file.path).filename().string());
        entry["size"] = file.size;
        entry["sha256"] = file.sha256;
        DescribeTime(run, file, entry);
        list.push_back(std::move(entry));
    }
    json["files"] = std::move(list);
    // Text that is not UTF-8 (names have their exact bytes beside) gets U+FFFD.
    const std::string text = json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    int error = 0;
    if (ReplaceFileWith(path.c_str(), text.data(), text.size(), error)) {
        return true;
    }
    reason = DescribeWriteFailure(path, error);
    return false;
}
