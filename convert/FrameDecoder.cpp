// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FrameDecoder.h"

#include "convert/Manifest.h"
#include "image/ImageBuffer.h"
#include "image/Packers.h"
#include "image/TiffWriter.h"
#include "recording/CVornDoc.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <system_error>

namespace {

// Two frames per job: one being written while the next is decoded.
constexpr int kSlots = 2;
// The 8-bit file's samples: the top 8 of the 10 stored bits.
constexpr int kEightBitFormat = 2 + 8 * 32;
constexpr int kEightBitSource = 10;
// Bytes handed to the write stage at a time.
constexpr std::size_t kPieceBytes = std::size_t{128} * 1024;

void PackEight(uint8_t* destination, const uint16_t* samples, std::size_t count) {
    PackGrayTiff(destination, kEightBitFormat, kEightBitSource, static_cast<int>(count), 1,
                 samples);
}

// Packs samples [begin, end) of `samples` to bytes [begin, end) of the same
// buffer. Byte k lands in sample k / 2, which an earlier piece already
// packed, so only a piece that overlaps its own bytes (the first) goes
// through `scratch`.
void PackEightInPlace(uint16_t* samples, std::size_t begin, std::size_t end,
                      std::vector<uint8_t>& scratch) {
    auto* bytes = reinterpret_cast<uint8_t*>(samples);
    const std::size_t count = end - begin;
    if (end <= 2 * begin) {
        PackEight(bytes + begin, samples + begin, count);
        return;
    }
    scratch.resize(std::max(scratch.size(), count));
    PackEight(scratch.data(), samples + begin, count);
    std::copy_n(scratch.data(), count, bytes + begin);
}

} // namespace

FrameDecoder::FrameDecoder(CVornDoc& doc, int bits, bool hash)
    : m_doc(doc), m_bits(bits == 16 ? 16 : 8), m_hash(hash), m_width(doc.m_nWidth),
      m_height(doc.m_nHeight), m_pieceBytes(kPieceBytes), m_handoff(kSlots) {
    const int32_t headerBytes = TiffHeaderLength(false, 0);
    const auto pixels = static_cast<std::size_t>(int64_t{doc.m_nWidth} * doc.m_nHeight);
    m_header.resize(static_cast<std::size_t>(headerBytes));
    m_stripBytes = pixels * static_cast<std::size_t>(m_bits / 8);
    if (m_bits == 16) {
        // The 16-bit file is the frame image as it stands, header included.
        std::copy_n(doc.m_pFrameImage->tiff.get(), m_header.size(), m_header.begin());
    } else {
        if (BuildTiffHeader(m_header.data(), false,
                            ResolveOutputDepth(kEightBitFormat, kEightBitSource), doc.m_nWidth,
                            doc.m_nHeight, 0) == nullptr) {
            throw std::bad_alloc(); // a frame too large for a file image; the open refuses these
        }
    }
    m_slots.resize(kSlots);
    // The document's own frame image serves as one of the two (an 8-bit run
    // leaves packed bytes in it; the job's document shows no frame).
    m_slots[0].frame.samples = doc.m_pRawPixels;
    m_slots[1].owned = std::make_unique_for_overwrite<uint16_t[]>(pixels);
    m_slots[1].frame.samples = m_slots[1].owned.get();
}

void FrameDecoder::SetCrop(const CropRect& crop) {
    m_crop = crop;
    m_width = crop.width;
    m_height = crop.height;
    const auto pixels = static_cast<std::size_t>(int64_t{crop.width} * crop.height);
    m_stripBytes = pixels * static_cast<std::size_t>(m_bits / 8);
    const int format = m_bits == 16 ? 2 + 16 * 32 : kEightBitFormat;
    if (BuildTiffHeader(m_header.data(), false, ResolveOutputDepth(format, kEightBitSource),
                        crop.width, crop.height, 0) == nullptr) {
        throw std::bad_alloc(); // only for sizes the frame itself could not have
    }
}

// Moves the crop's rows to the front of the decoded frame, then packs them
// (8-bit) and hashes the file's bytes.
void FrameDecoder::CropAndPack(uint16_t* samples, std::optional<Sha256>& hash) {
    const CropRect& c = *m_crop;
    const auto rowSamples = static_cast<std::size_t>(c.width);
    for (int y = 0; y < c.height; ++y) {
        const uint16_t* from = samples + static_cast<std::size_t>(c.y + y) *
                                             static_cast<std::size_t>(m_doc.m_nWidth) +
                               static_cast<std::size_t>(c.x);
        std::memmove(samples + static_cast<std::size_t>(y) * rowSamples, from,
                     rowSamples * sizeof(uint16_t)); // rows move forward, possibly overlapping
    }
    if (m_bits == 8) {
        PackEightInPlace(samples, 0, m_stripBytes, m_packPiece);
    }
    if (hash) {
        hash->Update(samples, m_stripBytes);
    }
}

FrameDecoder::~FrameDecoder() {
    m_handoff.Stop();
}

void FrameDecoder::Start(int first, int end, int step, std::function<bool(int)> proceed) {
    m_next = first;
    m_end = end;
    m_step = step;
    m_proceed = std::move(proceed);
    try {
        m_thread = std::jthread([this] { Run(); });
    } catch (const std::system_error&) {
        m_inline = true; // no thread to spare: Next decodes each frame itself
    }
}

void FrameDecoder::Run() {
    for (int i = m_next; i < m_end; i += m_step) {
        const int slot = m_handoff.NextEmpty();
        if (slot < 0 || !m_proceed(i)) {
            break;
        }
        Slot& filled = m_slots[static_cast<std::size_t>(slot)];
        Decode(i, filled);
        m_handoff.Filled();
        if (!filled.frame.failure.empty()) {
            break; // nothing after a frame that failed
        }
    }
    m_handoff.Finish();
}

void FrameDecoder::Decode(int index, Slot& slot) {
    DecodedFrame& frame = slot.frame;
    frame.index = index;
    frame.failure.clear();
    frame.digest.clear();
    auto* samples = const_cast<uint16_t*>(frame.samples);
    try {
        VornReader& reader = *m_doc.m_pReader;
        std::optional<Sha256> hash;
        if (m_hash) {
            hash.emplace();
            hash->Update(m_header.data(), m_header.size());
        }
        // Each piece is packed (8-bit) and hashed as the file holds it while
        // it is still cached, so the write stage only writes.
        FramePieceSink sink;
        if (!m_crop && (m_hash || m_bits == 8)) {
            sink = [&](int64_t begin, int64_t end) {
                const auto from = static_cast<std::size_t>(begin);
                const auto to = static_cast<std::size_t>(end);
                if (m_bits == 8) {
                    PackEightInPlace(samples, from, to, m_packPiece);
                }
                if (hash) {
                    const std::size_t width = static_cast<std::size_t>(m_bits / 8);
                    hash->Update(reinterpret_cast<const uint8_t*>(samples) + from * width,
                                 (to - from) * width);
                }
                return true;
            };
        }
        const int64_t frameBytes = int64_t{m_doc.m_nWidth} * m_doc.m_nHeight * 2;
        const int32_t got = reader.ReadFrameInPieces(samples, index, 0x7FFFFFFF, sink);
        if (got != frameBytes || reader.currentFrame != index) {
            frame.failure = "frame could not be read whole";
            return;
        }
        if (m_crop) {
            CropAndPack(samples, hash);
        }
        if (hash) {
            frame.digest = hash->Finish();
        }
    } catch (const std::bad_alloc&) {
        frame.failure = "out of memory";
    }
}

bool FrameDecoder::ForEachPiece(const DecodedFrame& frame, const PieceSink& sink) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.samples);
    for (std::size_t done = 0; done < m_stripBytes;) {
        const std::size_t size = std::min(m_pieceBytes, m_stripBytes - done);
        if (!sink(bytes + done, size)) {
            return false;
        }
        done += size;
    }
    return true;
}

const DecodedFrame* FrameDecoder::Next() {
    const DecodedFrame* frame = nullptr;
    while (!Next(std::chrono::milliseconds(100), frame)) {
    }
    return frame;
}

bool FrameDecoder::Next(std::chrono::milliseconds wait, const DecodedFrame*& frame) {
    if (m_inline) {
        DecodeInline();
        frame = m_taken < 0 ? nullptr : &m_slots[0].frame;
        return true;
    }
    m_taken = m_handoff.NextFull(wait);
    if (m_taken == -2) {
        return false;
    }
    frame = m_taken < 0 ? nullptr : &m_slots[static_cast<std::size_t>(m_taken)].frame;
    return true;
}

void FrameDecoder::DecodeInline() {
    const bool failedBefore = m_taken >= 0 && !m_slots[0].frame.failure.empty();
    if (failedBefore || m_next >= m_end || !m_proceed(m_next)) {
        m_taken = -1;
        return;
    }
    Decode(m_next, m_slots[0]);
    m_next += m_step;
    m_taken = 0;
}

void FrameDecoder::Release() {
    if (!m_inline && m_taken >= 0) {
        m_handoff.Emptied();
    }
}
