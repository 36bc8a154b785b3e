// SPDX-License-Identifier: BSD-3-Clause
// Writers that convert's file output is measured against. Each writes COUNT
// TIFF files named <dir>/frame_NNNNNN.tif, of the same size as quorvane-cli's
// files of the same recording, from frames decoded before the clock starts,
// and prints the seconds its write loop took:
//
//   bench_write_baselines MODE DIR COUNT RECORDING BITS [FROM TO START]
//
// With FROM TO START it writes only files FROM..TO-1 of the COUNT, starting
// its loop at the wall-clock time START (seconds since the epoch), and prints
// the seconds from START to its end: two such writers started with the same
// START are the two-writer baseline of a two-job conversion.
//
//   fwrite    one fopen / fwrite / fclose per file of the finished file block
//             (the very bytes quorvane-cli writes)
//   pieces    the same bytes with open / write() in 128 KiB pieces / close
//   libtiff   TIFFWriteEncodedStrip, one uncompressed strip, from a malloc'd
//             buffer
//   tinytiff  a minimal writer: header and IFD with one fwrite, then the strip
//             from a malloc'd buffer with another
//   savetiff  quorvane's own ImageBuffer::SaveTiff of the finished file block:
//             the file writer alone, without decoding
//
// BITS is 16 (decoded samples as they are) or 8 (sample >> 2). The frames
// cycle through the first few of the recording, so memory stays small while
// the bytes are real image data.
#include "image/ImageBuffer.h"
#include "image/TiffWriter.h"
#include "recording/VornReader.h"

#include <tiffio.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kDistinctFrames = 8;
constexpr size_t kPiece = size_t{128} * 1024;
constexpr int32_t kWholeFrame = 0x7FFFFFFF;

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};
using MallocBlock = std::unique_ptr<uint8_t, FreeDeleter>;

struct Frames {
    int width = 0;
    int height = 0;
    int bits = 16;
    size_t stripBytes = 0;
    std::vector<std::unique_ptr<ImageBuffer>> files; // finished file blocks
    std::vector<MallocBlock> strips;                 // the strips alone, malloc'd
};

bool LoadFrames(const char* recording, int bits, Frames& out) {
    VornReader reader;
    if (reader.Open(recording, 1) == 0)
        return false;
    out.width = reader.width;
    out.height = reader.height;
    out.bits = bits;
    const size_t samples = size_t(out.width) * size_t(out.height);
    out.stripBytes = samples * (bits == 16 ? 2 : 1);
    std::vector<uint16_t> decoded(samples);
    const int32_t count = std::min(kDistinctFrames, reader.GetFrameCount());
    for (int32_t i = 0; i < count; ++i) {
        if (reader.ReadFrame(decoded.data(), i, kWholeFrame) <= 0)
            return false;
        auto file = std::make_unique<ImageBuffer>();
        // 16-bit files hold the samples unscaled; 8-bit ones their top 8 of 10 bits.
        const int code = bits == 16 ? 2 : 258;
        const int sourceBits = bits == 16 ? 16 : 10;
        if (file->CreateTiff(0, code, sourceBits, out.width, out.height, 0, decoded.data()) ==
            nullptr)
            return false;
        MallocBlock strip(static_cast<uint8_t*>(std::malloc(out.stripBytes)));
        if (!strip)
            return false;
        std::memcpy(strip.get(), file->GetBits(), out.stripBytes);
        out.files.push_back(std::move(file));
        out.strips.push_back(std::move(strip));
    }
    return !out.files.empty();
}

std::string FileName(const std::string& dir, int32_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06d.tif", static_cast<int>(index));
    return dir + name;
}

size_t FileBytes(const ImageBuffer& file) {
    return size_t(file.headerSize) + size_t(file.dataSize);
}

bool WriteFwrite(const std::string& name, const Frames& frames, size_t k) {
    const ImageBuffer& file = *frames.files[k];
    FILE* f = std::fopen(name.c_str(), "wb");
    if (f == nullptr)
        return false;
    const size_t bytes = FileBytes(file);
    const bool written = std::fwrite(file.tiff.get(), 1, bytes, f) == bytes;
    return std::fclose(f) == 0 && written;
}

bool WritePieces(const std::string& name, const Frames& frames, size_t k) {
    const ImageBuffer& file = *frames.files[k];
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const uint8_t* p = file.tiff.get();
    size_t left = FileBytes(file);
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, std::min(left, kPiece));
        ok = n > 0;
        if (ok) {
            p += n;
            left -= size_t(n);
        }
    }
    return ::close(fd) == 0 && ok;
}

bool WriteLibtiff(const std::string& name, const Frames& frames, size_t k) {
    TIFF* tif = TIFFOpen(name.c_str(), "w");
    if (tif == nullptr)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(frames.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(frames.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(frames.bits));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_NONE));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(frames.height));
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 1.0);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 1.0);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_NONE));
    const auto size = static_cast<tmsize_t>(frames.stripBytes);
    const bool ok = TIFFWriteEncodedStrip(tif, 0, frames.strips[k].get(), size) == size;
    TIFFClose(tif);
    return ok;
}

// The small-library way: the header and IFD as one block, then the strip.
bool WriteTinyTiff(const std::string& name, const Frames& frames, size_t k) {
    uint8_t header[256];
    const uint8_t* strip =
        BuildTiffHeader(header, false, frames.bits, frames.width, frames.height, 0);
    if (strip == nullptr)
        return false;
    const auto headerBytes = static_cast<size_t>(strip - header);
    FILE* f = std::fopen(name.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(header, 1, headerBytes, f) == headerBytes;
    ok = ok && std::fwrite(frames.strips[k].get(), 1, frames.stripBytes, f) == frames.stripBytes;
    return std::fclose(f) == 0 && ok;
}

bool WriteSaveTiff(const std::string& name, const Frames& frames, size_t k) {
    return frames.files[k]->SaveTiff(name.c_str()) != 0;
}

using Writer = bool (*)(const std::string&, const Frames&, size_t);

Writer PickWriter(const std::string& mode) {
    if (mode == "fwrite")
        return WriteFwrite;
    if (mode == "pieces")
        return WritePieces;
    if (mode == "libtiff")
        return WriteLibtiff;
    if (mode == "tinytiff")
        return WriteTinyTiff;
    if (mode == "savetiff")
        return WriteSaveTiff;
    return nullptr;
}

} // namespace

namespace {

double EpochSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 9) {
        std::fprintf(stderr,
                     "usage: %s fwrite|pieces|libtiff|tinytiff|savetiff DIR COUNT RECORDING 16|8 "
                     "[FROM TO START]\n",
                     argv[0]);
        return 2;
    }
    const Writer writer = PickWriter(argv[1]);
    const std::string dir = argv[2];
    const int32_t count = std::atoi(argv[3]);
    const int bits = std::atoi(argv[5]);
    const int32_t from = argc == 9 ? std::atoi(argv[6]) : 0;
    const int32_t to = argc == 9 ? std::atoi(argv[7]) : count;
    const double startAt = argc == 9 ? std::atof(argv[8]) : 0.0;
    if (writer == nullptr || count <= 0 || (bits != 16 && bits != 8) || from < 0 || to > count ||
        from > to) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    Frames frames;
    if (!LoadFrames(argv[4], bits, frames)) {
        std::fprintf(stderr, "cannot decode %s\n", argv[4]);
        return 1;
    }
    TIFFSetWarningHandler(nullptr);

    if (startAt > 0) {
        const double wait = startAt - EpochSeconds();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }
    const auto start = std::chrono::steady_clock::now();
    for (int32_t i = from; i < to; ++i) {
        if (!writer(FileName(dir, i), frames, size_t(i) % frames.files.size())) {
            std::fprintf(stderr, "cannot write %s\n", FileName(dir, i).c_str());
            return 1;
        }
    }
    if (startAt > 0) {
        std::printf("%.6f\n", EpochSeconds() - startAt);
        return 0;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", took.count());
    return 0;
}
