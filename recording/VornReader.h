// SPDX-License-Identifier: BSD-3-Clause
// Reader of one VORN recording (.vrn): header and chunk directory, frame
// reading and unpacking, and the fixed-pattern correction.
//
// Standard library only. Failure is reported by return values (0 = refused);
// the reason of the last refusal is kept in `error` for callers that want to
// tell the user why. Allocation failure propagates as std::bad_alloc.
#pragma once

#include "recording/VornFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

// Why Open refused a file. Texts come from VornErrorText().
enum class VornError : int {
    None = 0,
    CannotOpen,       // the file cannot be opened for reading
    ShortHeader,      // fewer than 256 bytes
    BadMagic,         // first four bytes are not "VORN"
    BadChunkCount,    // directory count below 0 or above the 13 entries that fit
    BadChunkPosition, // a known chunk starts before the file or beyond 2 GiB
    MissingGenp,
    MissingPlay,
    MissingFszp,
    MissingFram,
    ShortGenp, // chunk read returned fewer bytes than its fixed size
    ShortPlay,
    ShortFszp,
    BadFrameSize,   // width or height not above 0
    BadFrameCount,  // last - first + 1 below 1 or beyond int32
    StrideTooSmall, // frame stride below width * height * 10 / 8
    BadQuadrantGeometry,
    OutOfMemory,    // a correction map could not be allocated
    NotRegularFile, // a folder, FIFO, socket or device: never read
};

// Short lower-case text for a refusal, e.g. "missing FSZP chunk".
const char* VornErrorText(VornError error);

// Why a recording's fixed-pattern correction is not applied (correctionKind 0)
// although the file carries an FPNP chunk, or None when it is applied / absent.
enum class CorrectionNote : int {
    None = 0,
    NoChunk,      // the recording has no FPNP chunk
    NotRequested, // Open was called with loadCorrection 0
    UnknownKind,  // a kind other than 3 or 6: frames are read uncorrected
    ShortChunk,   // the 128-byte FPNP chunk could not be read whole
    ShortImage,   // an offset, gain or kind-3 block could not be read whole
    MapsTooSmall, // the frame window does not lie inside the maps
    BadMapSize,   // map width or height not above 0
};

// Short text for a correction note, e.g. "maps smaller than the frame".
const char* CorrectionNoteText(CorrectionNote note);

// Receives samples [begin, end) of a frame being decoded, in reading order,
// as soon as they are final (corrected). Returning false stops the read.
using FramePieceSink = std::function<bool(int64_t begin, int64_t end)>;

class VornReader {
public:
    VornReader();
    ~VornReader();
    VornReader(const VornReader&) = delete;
    VornReader& operator=(const VornReader&) = delete;

    // 1 when the file is accepted, 0 when refused (reason in `error`).
    // Call at most once.
    int Open(const char* path, int loadCorrection);

    std::pair<int32_t, int32_t> GetFrameSize() const { return {width, height}; }
    int32_t GetFrameCount() const { return frameCount; }

    // Decodes frame `index` into width * height native uint16 samples.
    // Returns width * height * 2 on success, 0 when refused, and on a short
    // read the byte count that arrived (or -1); the destination is then left
    // untouched and the next read seeks again.
    // A capacity below width * height * 2 is refused (0).
    int32_t ReadFrame(uint16_t* destination, int32_t index, int32_t capacity);

    // ReadFrame that hands the frame to `sink` in pieces of about 64 KiB
    // while it decodes it, so each piece can be passed on (written to a file)
    // while it is still in the CPU's caches. Same samples and results as
    // ReadFrame; when the sink returns false, decoding stops, the destination
    // holds part of the frame and 0 is returned.
    int32_t ReadFrameInPieces(uint16_t* destination, int32_t index, int32_t capacity,
                              const FramePieceSink& sink);

    // ReadFrameInPieces for samples [begin, end) of the frame only (reading
    // order, 0 <= begin < end <= width * height): in lane order only the
    // stored bytes that hold them are read and decoded, so a measurement over
    // some rows costs what those rows hold. The pieces handed on run in order
    // and cover the range, widened to whole packing groups; the rest of the
    // destination is unspecified. The frame must still lie in the file whole
    // (else a short read, as ReadFrame). An invalid range is refused (0).
    int32_t ReadFrameSamples(uint16_t* destination, int32_t index, int32_t capacity,
                             int64_t begin, int64_t end, const FramePieceSink& sink);

    // The two halves of ReadFrameSamples, so one thread can read the next
    // frame's stored bytes while another decodes this one: FetchStored moves
    // only the file position and `packed`, DecodeStored only reads the
    // geometry and the correction maps.
    // FetchStored reads the stored bytes that hold samples [begin, end) of
    // frame `index` into `packed` (allocated when empty) and widens the range
    // to what they decode; returns as ReadFrame, without decoding.
    int32_t FetchStored(std::unique_ptr<uint8_t[]>& packed, int32_t index, int64_t& begin,
                        int64_t& end);
    // Unpacks and corrects samples [begin, end) (as FetchStored left them)
    // into the frame at `destination`, handing them on in pieces; false when
    // the sink stopped it.
    bool DecodeStored(uint16_t* destination, const uint8_t* packed, int64_t begin, int64_t end,
                      const FramePieceSink& sink) const;

    // 0 when the file is positioned at frame `index`, -1 when a seek failed.
    int32_t SeekFrame(int32_t index);

    // Unpacks one stored frame by pixelLayout.
    void Unpack(uint16_t* destination, const uint8_t* packed, int32_t frameWidth,
                int32_t rows) const;

    // Corrects a decoded frame in place; does nothing when correctionKind is
    // not 3 or 6.
    void ApplyCorrection(uint16_t* destination) const;

    // Converts `count` kind-6 offset words from the file's byte order in place
    // and widens bit 10 into bits 9..15.
    void ReadOffsetWords(uint16_t* words, int64_t count) const;

    // Fields, in the order the format description gives them.
    int32_t pixelLayout = 0; // 0 = lane order, 1 = quadrant order
    VornFile file;           // the open recording; closed when not open
    int32_t littleEndian = 1;
    int32_t correctionKind = 0;
    int32_t chunkCount = 0;
    int32_t genpPos = 0, playPos = 0, fszpPos = 0, fpnpPos = 0, dsppPos = 0, dfctPos = 0,
            framPos = 0;
    int32_t firstFrameNo = 0, lastFrameNo = 0;
    int32_t frameCount = 0;
    int32_t currentFrame = -2; // -2 = file position unknown
    int32_t calibValue = 0;
    int32_t width = 0, height = 0;
    int32_t frameBytes = 0;
    int32_t fpnpKind = 0, mapWidth = 0, mapHeight = 0;
    std::unique_ptr<int16_t[]> offsetMap;
    std::unique_ptr<int16_t[]> gainMap;

    // Our additions: why Open refused, and why an FPNP chunk is not applied.
    VornError error = VornError::None;
    CorrectionNote correctionNote = CorrectionNote::NoChunk;

private:
    // Reads exactly `size` bytes at `position`; false on a failed seek or a
    // short read.
    bool ReadAt(int64_t position, uint8_t* buffer, int64_t size);
    bool ReadHeaderChunks();
    bool CheckGeometry();
    bool LoadCorrectionMaps();
    bool CorrectionWindowFits() const;
    bool BlockInFile(int32_t blockPos, int64_t bytes, int64_t fileSize) const;
    void DropCorrection(CorrectionNote why);

    // FPNP fields that only LoadCorrection needs.
    int32_t calibLow_ = 0, calibHigh_ = 0;
    int32_t blockPos_[4] = {0, 0, 0, 0};

    // Packed-pixel scratch block, allocated at the first read and reused. It
    // holds the packed bytes only, never the stride's padding, so its size
    // follows the frame geometry whatever stride the file declares.
    std::unique_ptr<uint8_t[]> scratch_;
    int64_t PackedBytes() const;
    void ClearUnpackedTail(uint16_t* destination) const;

    // Corrects samples [begin, end) of a decoded frame, row piece by row piece.
    void CorrectSamples(uint16_t* destination, int64_t begin, int64_t end) const;
    // The kind-6 maps allow the 10-bit form of the correction (set at Open).
    bool narrowGain_ = false;

    // Reads the FPNP chunk and, when asked, builds the maps. Returns false
    // only on allocation failure (then Open refuses).
    bool LoadCorrection(int loadCorrection);
    int32_t Refuse(VornError why);
    int32_t ShortRead(int64_t arrived);
};

// Free unpackers. `packed` holds at least width * rows * 10 / 8 bytes.
// Lane order writes (width * rows) / 32 groups of 32 samples in reading order;
// quadrant order writes (width * rows) / 512 blocks from the centre outwards.
// Remainders are left untouched.
void UnpackLanes(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows);
void UnpackQuadrants(uint16_t* destination, const uint8_t* packed, int32_t width, int32_t rows);
