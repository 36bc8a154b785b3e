// SPDX-License-Identifier: BSD-3-Clause
#include "export/VideoFile.h"

#include "convert/Temporaries.h"
#include "image/SaveTemporary.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavformat/version.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#define QUORVANE_LSEEK _lseeki64
#else
#include <sys/stat.h>
#include <unistd.h>
#define QUORVANE_LSEEK ::lseek
#endif

namespace fs = std::filesystem;

namespace {

// Bytes the context gathers before each write: as many as ReplacingFile
// hands to the system per write() call.
constexpr int kBufferBytes = 128 * 1024;

// A killed export leaves its hidden temporary behind; the next export to the
// same name removes it (only when its writer is gone).
void RemoveStaleTemporaries(const std::string& target) {
    const fs::path path(target);
    fs::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string name = path.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (IsSaveTemporaryOf(entry, name))
            RemoveIfStale(it->path().string());
    }
}

// The bytes the write callback receives lost their const in later versions.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using CallbackBytes = const uint8_t*;
#else
using CallbackBytes = uint8_t*;
#endif

} // namespace

VideoFile::~VideoFile() {
    Discard();
}

void VideoFile::FreeContext() {
    if (m_context != nullptr) {
        av_freep(&m_context->buffer);
        avio_context_free(&m_context);
    }
}

bool VideoFile::Open(const std::string& target) {
    Discard();
    m_error = 0;
    RemoveStaleTemporaries(target);
    m_file = std::make_unique<ReplacingFile>();
    if (!m_file->Open(target.c_str()))
        return false;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (buffer != nullptr) {
        m_context = avio_alloc_context(buffer, kBufferBytes, 1, this, nullptr, &WriteCallback<CallbackBytes>,
                                       &VideoFile::Seek);
    }
    if (m_context == nullptr) {
        av_free(buffer);
        m_file->SetFailed(ENOMEM);
        return false;
    }
    return true;
}

int VideoFile::Append(const uint8_t* data, int size) {
    if (size < 0 || !m_file->Write(data, static_cast<size_t>(size))) {
        const int error = m_file->Error();
        return AVERROR(error != 0 ? error : EIO);
    }
    return size;
}

int64_t VideoFile::Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<VideoFile*>(opaque);
    const int fd = self->m_file->Descriptor();
    if (whence == AVSEEK_SIZE) {
#ifdef _WIN32
        const int64_t here = QUORVANE_LSEEK(fd, 0, SEEK_CUR);
        const int64_t size = QUORVANE_LSEEK(fd, 0, SEEK_END);
        QUORVANE_LSEEK(fd, here, SEEK_SET);
        return size;
#else
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
#endif
    }
    const int64_t position = QUORVANE_LSEEK(fd, offset, whence & ~AVSEEK_FORCE);
    if (position < 0) {
        const int error = errno;
        if (self->m_error == 0)
            self->m_error = error;
        self->m_file->SetFailed(error);
        return AVERROR(error);
    }
    return position;
}

bool VideoFile::Commit() {
    if (m_file == nullptr || m_context == nullptr)
        return false;
    avio_flush(m_context);
    if (m_context->error < 0 && m_file->Error() == 0)
        m_file->SetFailed(AVUNERROR(m_context->error));
    FreeContext();
    const bool done = m_file->Commit();
    if (!done && m_error == 0)
        m_error = m_file->Error();
    m_file.reset();
    return done;
}

void VideoFile::Discard() {
    FreeContext();
    if (m_file != nullptr && m_error == 0)
        m_error = m_file->Error();
    m_file.reset();
}

int VideoFile::Error() const {
    if (m_error != 0)
        return m_error;
    return m_file != nullptr ? m_file->Error() : 0;
}
