// SPDX-License-Identifier: BSD-3-Clause
// Where libavformat writes a video file: an AVIOContext over a ReplacingFile.
// The muxer writes, and seeks back in (MP4 and Matroska complete their index
// and sizes at the end), a hidden temporary beside the target; the file
// appears under its name only in Commit, once every byte is written.
#pragma once

#include "image/ReplacingFile.h"

#include <cstdint>
#include <memory>
#include <string>

struct AVIOContext;

class VideoFile {
public:
    VideoFile() = default;
    ~VideoFile(); // the temporary is removed unless committed
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Removes temporaries of `target` whose writer is gone, then creates a
    // new one and the context over it; false when the folder refuses it.
    bool Open(const std::string& target);

    // The context the muxer writes through; null unless open.
    AVIOContext* Context() const { return m_context; }

    // Flushes the context and renames the temporary over the target; false
    // (nothing left under either name) when any write failed.
    bool Commit();

    // Removes the temporary; nothing is left under either name.
    void Discard();

    // The errno of the first failure, 0 when none is known.
    int Error() const;

private:
    // The muxer's write callback (its byte pointer type depends on the
    // library version).
    template <typename Bytes> static int WriteCallback(void* opaque, Bytes data, int size) {
        return static_cast<VideoFile*>(opaque)->Append(data, size);
    }
    int Append(const uint8_t* data, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);
    void FreeContext();

    std::unique_ptr<ReplacingFile> m_file;
    AVIOContext* m_context = nullptr;
    int m_error = 0; // a failed seek; write failures are kept by m_file
};
