// SPDX-License-Identifier: BSD-3-Clause
// The manifest of a conversion run, "<base>.manifest.json" beside the
// outputs: which recording, how it was converted, and the size and SHA-256
// of every file the run left. Hashes come from OpenSSL's libcrypto.
#pragma once

#include "convert/ConvertJob.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <stop_token>
#include <thread>
#include <vector>

// Incremental SHA-256.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, std::size_t size);
    // Lower-case hex digest; the object is spent afterwards.
    std::string Finish();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

std::string Sha256Of(const void* data, std::size_t size);

// What ends a hash before the end of its file: a stop request of the thread
// or the run's interrupt flag.
struct HashStop {
    std::stop_token token;
    const std::atomic<bool>* cancel = nullptr;
};

// Hash of a whole regular file read from disk; false with `reason` set when
// it is no regular file, cannot be read or was stopped ("interrupted").
// `size` receives the bytes read.
bool Sha256OfFile(const std::string& path, std::string& digest, int64_t& size,
                  std::string& reason, const HashStop& stop = {});

// The same for a file already open (read from its current offset).
bool Sha256OfDescriptor(int fd, std::string& digest, int64_t& size, std::string& reason,
                        const HashStop& stop = {});

// One output file: a frame file, or a stack whose pages start at `frame`.
struct ManifestFile {
    int frame = 0;
    int64_t recorded = 0; // the recording's frame number of `frame`
    int pages = 0;        // 0 for a single-frame file
    std::string path;     // as written; the manifest keeps the name only
    int64_t size = 0;
    std::string sha256;
};

// Collects the files of one run from every worker.
class ManifestLog {
public:
    void Add(ManifestFile file);
    // Sorted by frame.
    std::vector<ManifestFile> Files() const;

private:
    mutable std::mutex m_mutex;
    std::vector<ManifestFile> m_files;
};

// Hashes the recording on its own thread while the run converts it; given
// up when the object goes before the result was asked for.
class RecordingHasher {
public:
    // Hashing ends early when `cancel` is set.
    explicit RecordingHasher(std::string path, const std::atomic<bool>* cancel = nullptr);
    // Waits for the hash; false with `reason` when the file could not be read.
    bool Result(std::string& digest, int64_t& size, std::string& reason);

private:
    void Hash(const std::stop_token& stop);

    std::string m_path;
    const std::atomic<bool>* m_cancel;
    bool m_deferred = false;
    std::string m_digest;
    int64_t m_size = 0;
    std::string m_reason;
    bool m_ok = false;
    std::jthread m_thread;
};

// What the manifest records about the run besides the files.
struct ManifestRun {
    std::string recording;
    ConvertRequest request;
    bool stack = false;
    bool bigtiff = false;
    bool skipExisting = false;
    std::string output; // the -o argument as given
    std::optional<double> rate; // frames per second: each file gains its time
    // An export: its format ("png", "ome-tiff", ...), step and crop ("X,Y,W,H").
    std::string format = {};
    int step = 1;
    std::string crop = {};
};

// "<directory><base>.manifest.json".
std::string ManifestPath(const OutputPattern& output);

// Builds and writes the manifest atomically. False with `reason` set.
bool WriteManifest(const std::string& path, const ManifestRun& run, RecordingHasher& hasher,
                   const std::vector<ManifestFile>& files, std::string& reason);

// "quorvane-cli <version>".
std::string ProgramNameAndVersion();
const char* ProgramVersion();
