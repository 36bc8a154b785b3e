// SPDX-License-Identifier: BSD-3-Clause
#include "recording/CVornDoc.h"

#include "image/Packers.h"
#include "image/TiffWriter.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

namespace {

// The reader's capacity argument meaning "the whole frame".
constexpr int32_t kWholeFrame = 0x7FFFFFFF;

// Largest frame and display images (bytes together) we build for a file that
// does not even hold frame 0: about a 1600 x 1600 frame.
constexpr int64_t kTruncatedImageLimit = int64_t{8} << 20;

constexpr const char* kFrameSizeNotSupported = "frame size not supported";

} // namespace

CVornDoc::CVornDoc() = default;

CVornDoc::~CVornDoc() {
    // The recording closes first, then the images go; views lose the display
    // header here and are detached by the base class.
    m_pReader.reset();
    if (m_pFrameImage) {
        m_pFrameImage->Release();
        m_pFrameImage.reset();
    }
    if (m_pDisplayImage) {
        m_pDisplayImage->Release();
        m_pDisplayImage.reset();
    }
    m_pDisplayHeader = nullptr;
    m_pRawPixels = nullptr;
    m_bTitleCaptured = 0;
    m_strBaseTitle.clear();
}

int CVornDoc::OnNewDocument() {
    return CDocument::OnNewDocument() != 0 ? 1 : 0;
}

int CVornDoc::RefuseOpen(std::string reason) {
    SetOpenError(std::move(reason));
    // Nothing may be rendered from a half-built document.
    m_nFrameCount = 0;
    m_pRawPixels = nullptr;
    m_pDisplayHeader = nullptr;
    return 0;
}

std::string CVornDoc::CheckRecording(const VornReader& reader) {
    // The reader refuses such recordings already; the images would otherwise
    // be built from nonsense sizes.
    const auto [width, height] = reader.GetFrameSize();
    if (width <= 0 || height <= 0) {
        return VornErrorText(VornError::BadFrameSize);
    }
    if (reader.GetFrameCount() <= 0) {
        return VornErrorText(VornError::BadFrameCount);
    }
    // A file that ends inside frame 0 still opens (showing black), but a few
    // hundred bytes must not make us allocate gigabytes of images for it.
    const int64_t pixels = int64_t{width} * height;
    const int64_t displayBytes = (int64_t{width} + 3) / 4 * 4 * height;
    const int64_t imageBytes = pixels * 2 + displayBytes;
    const int64_t frameZeroEnd = int64_t{reader.framPos} + pixels * 10 / 8;
    if (reader.file.Size() < frameZeroEnd && imageBytes > kTruncatedImageLimit) {
        return "file too short for its frame size";
    }
    // Each image is one block of at most 2 GiB.
    constexpr int64_t kBlockLimit = 0x7FFFFFFF;
    if (TiffHeaderLength(false, 0) + pixels * 2 > kBlockLimit ||
        kGreyDibHeaderSize + displayBytes > kBlockLimit) {
        return kFrameSizeNotSupported;
    }
    return {};
}

bool CVornDoc::ReadWhole(int32_t index) {
    // A short read may return as many bytes as a decoded frame has; the
    // reader is positioned at the frame only when it read it whole.
    const int64_t frameBytes = int64_t{m_nWidth} * m_nHeight * 2;
    return m_pReader->ReadFrame(m_pRawPixels, index, kWholeFrame) == frameBytes &&
           m_pReader->currentFrame == index;
}

int CVornDoc::OnOpenDocument(const char* path) {
    if (CDocument::OnOpenDocument(path) == 0) {
        return 0;
    }
    Serialize();

    m_pReader = std::make_unique<VornReader>();
    if (m_pReader->Open(path, 1) == 0) {
        return RefuseOpen(VornErrorText(m_pReader->error));
    }
    const auto [width, height] = m_pReader->GetFrameSize();
    m_nWidth = width;
    m_nHeight = height;
    m_nFrameCount = m_pReader->GetFrameCount();
    if (std::string why = CheckRecording(*m_pReader); !why.empty()) {
        return RefuseOpen(std::move(why));
    }

    m_nSampleBits = 10;
    m_nSampleBytes = 2;
    m_nRangeStart = 0;
    m_nRangeEnd = m_nFrameCount - 1;
    m_bAllFrames = 1;

    m_pFrameImage = std::make_unique<ImageBuffer>();
    m_pDisplayImage = std::make_unique<ImageBuffer>();
    if (m_pFrameImage->CreateTiff(0, m_nSampleBytes, m_nSampleBits, m_nWidth, m_nHeight, 0,
                                  nullptr) == nullptr) {
        return RefuseOpen(kFrameSizeNotSupported);
    }
    int32_t stripBytes = 0;
    m_pRawPixels = reinterpret_cast<uint16_t*>(m_pFrameImage->GetBits(&stripBytes));

    if (!ReadWhole(0)) {
        // Still open the recording, showing black, so later frames can be
        // looked at; RenderFrame reports unreadable frames itself.
        std::fill_n(m_pRawPixels, static_cast<std::size_t>(stripBytes) / 2, uint16_t{0});
    }

    m_pDisplayHeader = m_pDisplayImage->CreateDib(0, m_nSampleBytes, m_nSampleBits, m_nWidth,
                                                  m_nHeight, m_pRawPixels);
    if (m_pDisplayHeader == nullptr) {
        return RefuseOpen(kFrameSizeNotSupported);
    }
    SetPathName(path);
    UpdateAllViews(nullptr, 0, nullptr);
    return 1;
}

int CVornDoc::GetFrameRange(int* start, int* end) const {
    if (start != nullptr) {
        *start = m_nRangeStart;
    }
    if (end != nullptr) {
        *end = m_nRangeEnd;
    }
    return m_bAllFrames;
}

int CVornDoc::SetFrameRange(int all, int start, int end) {
    const int last = m_nFrameCount - 1;
    if (all != 0) {
        m_nRangeEnd = last;
        m_bAllFrames = 1;
        m_nRangeStart = 0;
        return 1;
    }
    // Bounded by the last frame rather than the stored end, so a typed range
    // can grow again without passing through "all frames".
    if (start < 0 || start > last || end < start || end > last) {
        return 0;
    }
    m_nRangeStart = start;
    m_bAllFrames = 0;
    m_nRangeEnd = end;
    return 1;
}

int CVornDoc::SaveFrame(const char* path, int sourceBits, int outputBits) {
    if (sourceBits == 16 && outputBits == 16) {
        // The frame image already is the 16-bit file: written as it stands.
        return m_pFrameImage->SaveTiff(path);
    }
    ImageBuffer converted;
    int result = 0;
    if (converted.CreateTiff(0, (sourceBits + 7) / 8 + outputBits * 32, sourceBits, m_nWidth,
                             m_nHeight, 0, m_pRawPixels) != nullptr) {
        result = converted.SaveTiff(path);
    }
    converted.Release();
    return result;
}

int CVornDoc::RenderFrame(int index, int save, const char* path, int sourceBits, int outputBits) {
    if (sourceBits < 1 || sourceBits > 16 || (outputBits != 8 && outputBits != 16) || index < 0 ||
        index >= m_nFrameCount || m_pRawPixels == nullptr) {
        m_renderError = RenderError::Refused;
        return 0;
    }
    m_renderError = RenderError::None;
    if (GetViews().empty()) {
        return RenderUnseen(index, save, path, sourceBits, outputBits);
    }

    const bool whole = ReadWhole(index);

    RepackDisplay();
    m_bDisplayStale = false;

    int result = 1;
    if (!whole) {
        // The strip still holds an earlier frame: saving it under this
        // frame's name would be a silently wrong file.
        m_renderError = RenderError::ShortFrame;
        result = 0;
    } else if (save != 0) {
        errno = 0;
        result = (path != nullptr) ? SaveFrame(path, sourceBits, outputBits) : 0;
        if (result == 0) {
            // Taken before the repaint below can overwrite it.
            m_renderError = RenderError::SaveFailed;
            m_nSaveErrno = errno;
        }
    }

    // Show the frame (and where a run stopped) before returning.
    const std::vector<CView*> views = GetViews();
    for (CView* view : views) {
        view->RepaintNow();
    }
    return result;
}

void CVornDoc::UpdateTitle() {
    if (m_bTitleCaptured == 0) {
        m_strBaseTitle = GetTitle();
        m_bTitleCaptured = 1;
    }
    const int32_t current = m_pReader ? m_pReader->currentFrame : -2;
    std::string title =
        m_strBaseTitle + " - " + std::to_string(current) + "/" + std::to_string(m_nFrameCount);
    // Views call this on every paint; only a change is worth telling them.
    if (title != GetTitle()) {
        SetTitle(title);
    }
}
