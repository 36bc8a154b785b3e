// SPDX-License-Identifier: BSD-3-Clause
// One open recording for the Python package: the reader the converter uses,
// behind a lock so several Python threads may share it, and the facts about
// the recording that the package shows as attributes. Free of Python: errors
// are the exception types below, which the module translates.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

class VornReader;

// The path cannot be opened at all: errno says why.
struct PathError : std::runtime_error {
    PathError(int error, std::string file);
    int errnoValue;
    std::string path;
};

// The recording is refused; what() is the reader's or document's reason.
struct RefusedError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A frame could not be read whole.
struct ShortFrameFault : std::runtime_error {
    ShortFrameFault(const std::string& message, int32_t index);
    int32_t frame;
};

// The recording was closed.
struct ClosedError : std::runtime_error {
    ClosedError();
};

class RecordingReader {
public:
    // Opens `path` exactly as the converter does; with `correction` false the
    // frames are read without the fixed-pattern correction. Throws PathError
    // or RefusedError.
    RecordingReader(const std::string& path, bool correction);
    ~RecordingReader();
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    // Closes the file; waits for a read in progress. Idempotent.
    void Close();
    bool IsClosed();

    // Decodes frame `index` (0 <= index < frames) into width * height
    // samples. Throws std::out_of_range, ShortFrameFault or ClosedError.
    void Read(int64_t index, uint16_t* destination);

    // `count` frames start, start + step, ... into consecutive frame slots,
    // under one lock so the run stays sequential.
    void ReadMany(int64_t start, int64_t step, int64_t count, uint16_t* destination);

    // Seeks the file has made since it was opened (for tests of sequential
    // reading).
    int64_t SeekCount();

    int32_t width = 0;
    int32_t height = 0;
    int32_t frames = 0;
    int32_t frameBytes = 0;
    bool quadrants = false;
    bool littleEndian = true;
    int32_t correctionKind = 0;  // applied: 0, 3 or 6
    std::string correctionNote;  // why a correction in the file is not applied
    int32_t firstFrameNumber = 0;
    int32_t lastFrameNumber = 0;
    int32_t calibration = 0;
    std::array<char, 4> model{}; // camera model tag from GENP
    std::string path;

private:
    void ReadLocked(int64_t index, uint16_t* destination);

    std::mutex m_mutex;
    std::unique_ptr<VornReader> m_reader; // null once closed
};
