// SPDX-License-Identifier: BSD-3-Clause
// The read stage of a conversion job: reads and decodes its frames on a
// thread of its own into a two-frame hand-over, so frame i+1 is read and
// decoded while the job writes frame i. Slots hold the bytes after the file
// header: decoded 16-bit samples, or for an 8-bit file the samples packed in
// place piece by piece while still in the cache, so the write stage does
// nothing but write. On request the read stage also hashes each frame's
// whole file image as it decodes it.
#pragma once

#include "convert/CropRect.h"
#include "convert/FrameHandoff.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class CVornDoc;
class Sha256;

struct DecodedFrame {
    int index = -1;
    std::string failure;    // empty: decoded whole; otherwise why not
    const uint16_t* samples = nullptr; // the decoded frame (8-bit: its packed bytes)
    std::string digest;     // SHA-256 of the file's bytes, header included, when hashing
};

class FrameDecoder {
public:
    // `doc` is this job's own document; `bits` 16 or 8. Throws bad_alloc.
    FrameDecoder(CVornDoc& doc, int bits, bool hash);
    ~FrameDecoder(); // stops the read stage and waits for it
    FrameDecoder(const FrameDecoder&) = delete;
    FrameDecoder& operator=(const FrameDecoder&) = delete;

    // The header every frame file of this job starts with, and the length
    // of the bytes after it.
    const std::vector<uint8_t>& Header() const { return m_header; }
    std::size_t StripBytes() const { return m_stripBytes; }

    // Write stage: hands the file's bytes after the header to `sink` in
    // order, in pieces of at most PieceBytes(); false once `sink` says false.
    using PieceSink = std::function<bool(const uint8_t* data, std::size_t size)>;
    bool ForEachPiece(const DecodedFrame& frame, const PieceSink& sink);
    // 128 KiB unless set (at least 1).
    std::size_t PieceBytes() const { return m_pieceBytes; }
    void SetPieceBytes(std::size_t bytes) { m_pieceBytes = bytes == 0 ? 1 : bytes; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Bits() const { return m_bits; }

    // Hands on only `crop` of each frame (inside the frame; before Start):
    // Width, Height, Header and StripBytes become the crop's.
    void SetCrop(const CropRect& crop);

    // Decodes frames first, first + step, ... below end. `proceed(i)` is
    // asked before each frame; false ends the stage there. Without a thread
    // to spare, each frame is decoded by Next instead.
    void Start(int first, int end, int step, std::function<bool(int)> proceed);

    // The next frame in order; null once the stage ended (all frames handed
    // on, or `proceed` said no). With `wait`, returns false when nothing
    // arrived in that time.
    const DecodedFrame* Next();
    bool Next(std::chrono::milliseconds wait, const DecodedFrame*& frame);

    // The frame from Next was written: its slot may be refilled.
    void Release();

    // Ends the read stage after the frame it decodes now.
    void Stop() { m_handoff.Stop(); }

    const FrameHandoff& Handoff() const { return m_handoff; }

private:
    struct Slot {
        DecodedFrame frame;
        std::unique_ptr<uint16_t[]> owned;
    };

    void Run();
    void Decode(int index, Slot& slot);
    void DecodeInline();
    void CropAndPack(uint16_t* samples, std::optional<Sha256>& hash);

    CVornDoc& m_doc;
    const int m_bits;
    const bool m_hash;
    int m_width;
    int m_height;
    std::optional<CropRect> m_crop;
    std::vector<uint8_t> m_header;
    std::size_t m_stripBytes = 0;
    std::size_t m_pieceBytes;
    FrameHandoff m_handoff;
    std::vector<Slot> m_slots;
    std::vector<uint8_t> m_packPiece; // read stage: a piece packed aside
    int m_next = 0;
    int m_end = 0;
    int m_step = 1;
    std::function<bool(int)> m_proceed;
    bool m_inline = false;
    int m_taken = -1;
    std::jthread m_thread;
};
