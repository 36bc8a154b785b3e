// SPDX-License-Identifier: BSD-3-Clause
// Rendering frames that no view shows (the command line, scripts): the
// display image is left for later, and a saved frame is written piece by
// piece while it is decoded, so each piece goes from the stored frame to the
// file without leaving the CPU's caches. The file's bytes are those of the
// whole-frame save.
#include "image/ImageBuffer.h"
#include "image/Packers.h"
#include "image/ReplacingFile.h"
#include "image/TiffWriter.h"
#include "recording/CVornDoc.h"

#include <cerrno>

namespace {

// Header bytes of any one-strip grey file image: enough for the layout
// without private data.
constexpr int32_t kHeaderBytes = 200;

} // namespace

int CVornDoc::RenderUnseen(int index, int save, const char* path, int sourceBits,
                           int outputBits) {
    m_bDisplayStale = true;
    // Samples held in 2-byte containers are written while they are decoded;
    // other depths go through the whole-frame save.
    if (save != 0 && path != nullptr && (sourceBits + 7) / 8 == 2 &&
        TiffHeaderLength(false, 0) == kHeaderBytes) {
        return StreamFrame(index, path, sourceBits, outputBits);
    }
    if (!ReadWhole(index)) {
        m_renderError = RenderError::ShortFrame;
        return 0;
    }
    if (save == 0) {
        return 1;
    }
    errno = 0;
    const int result = path != nullptr ? SaveFrame(path, sourceBits, outputBits) : 0;
    if (result == 0) {
        m_renderError = RenderError::SaveFailed;
        m_nSaveErrno = errno;
    }
    return result;
}

bool CVornDoc::WriteSamples(ReplacingFile& file, int64_t begin, int64_t end, int sourceBits,
                            int outputBits) {
    const auto* samples = reinterpret_cast<const uint8_t*>(m_pRawPixels + begin);
    const int64_t count = end - begin;
    if (sourceBits == 16 && outputBits == 16) {
        // The frame image's strip is the file's: written as it stands.
        return file.Write(samples, static_cast<size_t>(count * 2));
    }
    const int64_t bytes = count * (outputBits / 8);
    if (bytes > m_nPieceBytes) {
        m_pPieceBytes = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(bytes));
        m_nPieceBytes = bytes;
    }
    const int formatCode = 2 + outputBits * 32;
    PackGrayTiff(m_pPieceBytes.get(), formatCode, sourceBits, static_cast<int>(count), 1, samples);
    return file.Write(m_pPieceBytes.get(), static_cast<size_t>(bytes));
}

int CVornDoc::StreamFrame(int index, const char* path, int sourceBits, int outputBits) {
    ReplacingFile file;
    if (!file.Open(path)) {
        // A frame that cannot be read whole is reported as such, as by the
        // whole-frame save, even when the file could not be written either.
        const int error = file.Error();
        m_renderError = ReadWhole(index) ? RenderError::SaveFailed : RenderError::ShortFrame;
        m_nSaveErrno = error;
        return 0;
    }
    // The 16-bit file keeps the frame image's own header; others get the one
    // the whole-frame save builds for its converted image.
    uint8_t header[kHeaderBytes];
    const bool asStored = sourceBits == 16 && outputBits == 16;
    const uint8_t* headerBytes = asStored ? m_pFrameImage->tiff.get() : header;
    if (!asStored && BuildTiffHeader(header, false,
                                     ResolveOutputDepth(2 + outputBits * 32, sourceBits),
                                     m_nWidth, m_nHeight, 0) == nullptr) {
        m_renderError = RenderError::SaveFailed;
        m_nSaveErrno = 0;
        return 0;
    }
    bool written = file.Write(headerBytes, kHeaderBytes);
    const int64_t frameBytes = int64_t{m_nWidth} * m_nHeight * 2;
    const int32_t got = m_pReader->ReadFrameInPieces(
        m_pRawPixels, index, 0x7FFFFFFF, [&](int64_t begin, int64_t end) {
            // After a failed write the frame is still decoded whole, so the
            // frame image holds it as after any render.
            written = written && WriteSamples(file, begin, end, sourceBits, outputBits);
            return true;
        });
    if (written && (got != frameBytes || m_pReader->currentFrame != index)) {
        m_renderError = RenderError::ShortFrame;
        return 0;
    }
    if (!written || !file.Commit()) {
        m_renderError = RenderError::SaveFailed;
        m_nSaveErrno = file.Error();
        return 0;
    }
    return 1;
}
