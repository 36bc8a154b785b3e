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
    ShortFrameFault(const std::string& message, int32_t index, std::string file);
    int32_t frame;
    std::string path;
};

// The file at the path is no longer the recording that was opened (it was
// rewritten or replaced); what() names what differs.
struct ChangedError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The recording was closed.
struct ClosedError : std::runtime_error {
    ClosedError();
};

class RecordingReader {
public:
    // Opens `path` exactly as the converter does; with `correction` false the
    // frames are read without the fixed-pattern correction; with
    // `completeOnly` the frame count stops before a frame the file cuts off.
    // Throws PathError or RefusedError.
    RecordingReader(const std::string& path, bool correction, bool completeOnly = false);
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

    // In the child after fork, before any other thread exists: a lock held
    // by a parent thread at the fork is never released in the child, so the
    // lock is replaced. The next read opens the file again.
    void AfterForkInChild();

    // Seeks the file has made since it was opened (for tests of sequential
    // reading).
    int64_t SeekCount();

    int32_t width = 0;
    int32_t height = 0;
    int32_t frames = 0;         // frames readable by index
    int32_t storedFrames = 0;   // frames the recording declares
    int32_t completeFrames = 0; // frames wholly inside the file at open
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
    std::unique_ptr<VornReader> OpenReader(bool correction);
    void ReopenInThisProcess();
    std::string ShortFrameText(int32_t frame) const;

    std::unique_ptr<std::mutex> m_mutex = std::make_unique<std::mutex>();
    std::unique_ptr<VornReader> m_reader; // null once closed
    bool m_correction = true;
    long m_pid = 0; // process that opened m_reader
};
