// SPDX-License-Identifier: BSD-3-Clause
// The document of one open recording: owns the reader, the frame image (a
// 16-bit grey TIFF file image the reader decodes into) and the display image
// (an 8-bit grey bitmap the views draw). Every frame shown or written goes
// through RenderFrame. Without views it is a complete headless converter.
#pragma once

#include "framework/Document.h"
#include "image/DisplayLut.h"
#include "image/ImageBuffer.h"
#include "recording/VornReader.h"

#include <cstdint>
#include <memory>
#include <string>

class ReplacingFile;

// Why the last RenderFrame returned 0.
enum class RenderError : int {
    None = 0,
    Refused,    // depth or index out of range: nothing was read or painted
    ShortFrame, // the frame could not be read whole: nothing was saved
    SaveFailed, // the TIFF file could not be written completely
};

class CVornDoc : public CDocument {
public:
    CVornDoc();
    ~CVornDoc() override;

    void Serialize() {}
    int OnNewDocument() override;

    // Opens the recording: standard open, reader, frame image, frame 0,
    // display image. FALSE with GetOpenError() set when refused.
    int OnOpenDocument(const char* path) override;

    // Stored range; returns TRUE when the stored choice is all frames. Either
    // pointer may be null.
    int GetFrameRange(int* start, int* end) const;

    // all != 0 stores 0..N-1 (all frames); otherwise stores start..end when
    // 0 <= start <= end <= N-1, else returns FALSE and keeps the earlier range.
    int SetFrameRange(int all, int start, int end);

    // Reads frame `index`, refreshes the display image, optionally saves the
    // frame as a TIFF file, repaints every view. 0 when refused (depth, index),
    // when the frame could not be read whole (nothing saved), or when the save
    // failed; otherwise 1 (or the save's result).
    // A document without views leaves the display image for later (see
    // RefreshDisplay) and writes a saved frame while it decodes it.
    int RenderFrame(int index, int save, const char* path, int sourceBits, int outputBits);

    // Sets the title "%s - %d/%d" (base title, reader's currentFrame, count).
    void UpdateTitle();

    std::string GetBaseTitle() const { return m_strBaseTitle; }

    // Why a recording the reader accepted is still refused by OnOpenDocument
    // (zero frames, a frame too large for the images, a cut file that would
    // need huge images), or empty. Lets other callers refuse exactly what the
    // document refuses without building its images.
    static std::string CheckRecording(const VornReader& reader);

    // How the display image shows frames; saved files never change with it.
    // Setting a range repacks the frame on show and repaints the views.
    void SetDisplayRange(const DisplayRange& range);
    const DisplayRange& GetDisplayRange() const { return m_displayRange; }

    // Refreshes the display image from the frame image through the display
    // range (sample >> 2 for the standard range).
    void RepackDisplay();

    // Brings the display image up to the frame image when frames were
    // rendered while no view showed them; attaching a view does it too.
    void RefreshDisplay();

    // Why the last RenderFrame returned 0 (None after a successful call).
    RenderError GetRenderError() const { return m_renderError; }
    // The system's error number of the last failed save, 0 when none is known.
    int GetSaveErrno() const { return m_nSaveErrno; }

    std::unique_ptr<VornReader> m_pReader;
    std::unique_ptr<ImageBuffer> m_pFrameImage;
    std::unique_ptr<ImageBuffer> m_pDisplayImage;
    const BITMAPINFOHEADER* m_pDisplayHeader = nullptr;
    uint16_t* m_pRawPixels = nullptr;
    int32_t m_nWidth = 0;
    int32_t m_nHeight = 0;
    int32_t m_nFrameCount = 0;
    int32_t m_nSampleBits = 0;
    int32_t m_nSampleBytes = 0;
    int m_bTitleCaptured = 0;
    std::string m_strBaseTitle;
    int32_t m_nRangeStart = 0;
    int32_t m_nRangeEnd = 0;
    int m_bAllFrames = 1;

protected:
    void OnViewAdded(CView* view) override;

private:
    bool ReadWhole(int32_t index);
    int SaveFrame(const char* path, int sourceBits, int outputBits);
    int RefuseOpen(std::string reason);
    int RenderUnseen(int index, int save, const char* path, int sourceBits, int outputBits);
    int StreamFrame(int index, const char* path, int sourceBits, int outputBits);
    bool WriteSamples(ReplacingFile& file, int64_t begin, int64_t end, int sourceBits,
                      int outputBits);

    RenderError m_renderError = RenderError::None;
    int m_nSaveErrno = 0;
    DisplayRange m_displayRange;
    bool m_bDisplayStale = false;           // frames rendered since the last repack
    std::unique_ptr<uint8_t[]> m_pPieceBytes; // converted samples of one piece
    int64_t m_nPieceBytes = 0;
};
