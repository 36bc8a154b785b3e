// SPDX-License-Identifier: BSD-3-Clause
#include "RecordingReader.h"

#include "recording/RecordingInfo.h"
#include "recording/CVornDoc.h"
#include "recording/VornReader.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The reader's capacity argument meaning "the whole frame".
constexpr int32_t kWholeFrame = 0x7FFFFFFF;

// Raises the errno of a path that cannot be opened for reading at all, so
// Python gets FileNotFoundError, PermissionError or IsADirectoryError. What
// the name leads to is checked before it is opened, as the reader does: a
// device, FIFO or socket is refused without being opened.
void CheckOpenable(const std::string& path) {
    if (path.empty()) {
        throw PathError(ENOENT, path);
    }
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0) {
        throw PathError(errno, path);
    }
    if (S_ISDIR(named.st_mode)) {
        throw PathError(EISDIR, path);
    }
    if (!S_ISREG(named.st_mode)) {
        throw RefusedError("not a regular file");
    }
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        throw PathError(errno, path);
    }
    struct stat info {};
    const bool directory = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(fd);
    if (directory) {
        throw PathError(EISDIR, path);
    }
}

// What differs between the recording opened first and the one at its path
// now, e.g. "frame count 40 -> 20"; empty when they agree.
std::string Differences(const VornReader& was, const VornReader& now) {
    std::string text;
    const auto compare = [&text](const char* what, int64_t a, int64_t b) {
        if (a != b) {
            text += (text.empty() ? "" : ", ") + std::string(what) + " " + std::to_string(a) +
                    " -> " + std::to_string(b);
        }
    };
    compare("width", was.width, now.width);
    compare("height", was.height, now.height);
    compare("frame count", was.GetFrameCount(), now.GetFrameCount());
    compare("frame stride", was.frameBytes, now.frameBytes);
    compare("layout", was.pixelLayout, now.pixelLayout);
    compare("byte order", was.littleEndian, now.littleEndian);
    compare("correction kind", was.correctionKind, now.correctionKind);
    return text;
}

} // namespace

PathError::PathError(int error, std::string file)
    : std::runtime_error("cannot open " + file), errnoValue(error), path(std::move(file)) {}

ShortFrameFault::ShortFrameFault(const std::string& message, int32_t index, std::string file)
    : std::runtime_error(message), frame(index), path(std::move(file)) {}

ClosedError::ClosedError() : std::runtime_error("I/O operation on closed recording") {}

RecordingReader::RecordingReader(const std::string& file, bool correction, bool completeOnly)
    : path(file), m_correction(correction), m_pid(static_cast<long>(::getpid())) {
    CheckOpenable(path);
    // The converter's own open decides what is refused and words why.
    CVornDoc probe;
    if (probe.OnOpenDocument(path.c_str()) == 0) {
        throw RefusedError(probe.GetOpenError());
    }
    m_reader = correction ? std::move(probe.m_pReader) : OpenReader(false);
    VornReader& reader = *m_reader;
    width = reader.width;
    height = reader.height;
    storedFrames = reader.GetFrameCount();
    completeFrames = CompleteFrameCount(reader);
    frames = completeOnly ? completeFrames : storedFrames;
    frameBytes = reader.frameBytes;
    quadrants = reader.pixelLayout == 1;
    littleEndian = reader.littleEndian != 0;
    correctionKind = (reader.correctionKind == 3 || reader.correctionKind == 6)
                         ? reader.correctionKind
                         : 0;
    correctionNote = CorrectionNotApplied(reader);
    firstFrameNumber = reader.firstFrameNo;
    lastFrameNumber = reader.lastFrameNo;
    calibration = reader.calibValue;
    // The reader keeps only the layout the model tag selects; read the tag
    // itself and leave the frame position unknown, so the next read seeks.
    if (!reader.file.Seek(int64_t{reader.genpPos} + 80) ||
        reader.file.Read(model.data(), 4) != 4) {
        model.fill('\0');
    }
    reader.currentFrame = -2;
}

std::unique_ptr<VornReader> RecordingReader::OpenReader(bool correction) {
    auto reader = std::make_unique<VornReader>();
    if (reader->Open(path.c_str(), correction ? 1 : 0) == 0) {
        throw RefusedError(VornErrorText(reader->error));
    }
    return reader;
}

void RecordingReader::AfterForkInChild() {
    // The old lock is left as it is: it may be held by a thread that does
    // not exist here, and destroying a held lock is undefined.
    static_cast<void>(m_mutex.release());
    m_mutex = std::make_unique<std::mutex>();
}

void RecordingReader::ReopenInThisProcess() {
    // A child after fork gets its own open file, so nothing it does depends
    // on the parent's; the file must still hold the recording first opened.
    std::unique_ptr<VornReader> fresh;
    try {
        fresh = OpenReader(m_correction);
    } catch (const RefusedError& e) {
        throw ChangedError(path + ": the recording changed since it was opened (" + e.what() +
                           ")");
    }
    const std::string changed = Differences(*m_reader, *fresh);
    if (!changed.empty()) {
        throw ChangedError(path + ": the recording changed since it was opened (" + changed +
                           ")");
    }
    m_reader = std::move(fresh);
    m_pid = static_cast<long>(::getpid());
}

RecordingReader::~RecordingReader() = default;

void RecordingReader::Close() {
    std::lock_guard lock(*m_mutex);
    m_reader.reset();
}

bool RecordingReader::IsClosed() {
    std::lock_guard lock(*m_mutex);
    return !m_reader;
}

int64_t RecordingReader::SeekCount() {
    std::lock_guard lock(*m_mutex);
    if (!m_reader) {
        throw ClosedError();
    }
    return m_reader->file.seekCount;
}

void RecordingReader::ReadLocked(int64_t index, uint16_t* destination) {
    if (!m_reader) {
        throw ClosedError();
    }
    if (static_cast<long>(::getpid()) != m_pid) {
        ReopenInThisProcess();
    }
    if (index < 0 || index >= frames) {
        throw std::out_of_range("frame index " + std::to_string(index) + " out of range (0.." +
                                std::to_string(frames - 1) + ")");
    }
    const auto frame = static_cast<int32_t>(index);
    // Whole only when every sample arrived and the file stands at the next
    // frame, as the converter judges it.
    const int64_t expected = int64_t{width} * height * 2;
    if (m_reader->ReadFrame(destination, frame, kWholeFrame) != expected ||
        m_reader->currentFrame != frame) {
        throw ShortFrameFault(ShortFrameText(frame), frame, path);
    }
}

std::string RecordingReader::ShortFrameText(int32_t frame) const {
    std::string text = path + ": frame " + std::to_string(frame) + " could not be read whole";
    if (completeFrames < storedFrames) {
        text += " (" + std::to_string(completeFrames) + " of " + std::to_string(storedFrames) +
                " frames are complete; quorvane.open(path, complete_only=True) reads just those)";
    }
    return text;
}

void RecordingReader::Read(int64_t index, uint16_t* destination) {
    std::lock_guard lock(*m_mutex);
    ReadLocked(index, destination);
}

void RecordingReader::ReadMany(int64_t start, int64_t step, int64_t count,
                               uint16_t* destination) {
    std::lock_guard lock(*m_mutex);
    const auto samples = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (int64_t k = 0; k < count; ++k) {
        ReadLocked(start + k * step, destination + static_cast<std::size_t>(k) * samples);
    }
}
