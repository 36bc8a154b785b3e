// SPDX-License-Identifier: BSD-3-Clause
// Header, chunk directory and the refusals of Open.
#include "RecordingFiles.h"

#include <cstring>
#include <limits>
#include <tuple>

namespace {

using OpenTest = RecordingTest;

TEST_F(OpenTest, DefaultRecordingFields) {
    VornRecipe desc;
    desc.width = 64;
    desc.height = 16;
    desc.frameCount = 1000;
    desc.frameStride = 1300;
    desc.firstFrameNo = -500;
    desc.calibValue = -7;
    auto r = OpenRecording(desc);
    EXPECT_EQ(std::make_tuple(r->width, r->height, r->frameCount, r->firstFrameNo, r->lastFrameNo,
                              r->frameBytes, r->calibValue, r->chunkCount, r->currentFrame),
              std::make_tuple(64, 16, 1000, -500, 499, 1300, -7, 4, -2));
    EXPECT_EQ(std::make_tuple(r->genpPos, r->playPos, r->fszpPos, r->fpnpPos, r->framPos),
              std::make_tuple(256, 832, 2480, 0, 2880));
    EXPECT_EQ(r->correctionNote, CorrectionNote::NoChunk);
    std::vector<uint16_t> frame(64 * 16);
    EXPECT_EQ(r->ReadFrame(frame.data(), 999, 0x7FFFFFFF), 2048);
    EXPECT_EQ(frame[65], VornPatternSample(999, 1, 1));
}

TEST_F(OpenTest, ByteOrderMark) {
    VornRecipe desc;
    desc.byteOrderMark = Tag("MMMM");
    desc.basePosition = 300;
    desc.firstFrameNo = -3;
    desc.frameCount = 2;
    desc.calibValue = 0x1234;
    const auto bytes = BuildVorn(desc);
    // Big-endian on disk: base position 300 is 00 00 01 2C.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 16, bytes.begin() + 20),
              (std::vector<uint8_t>{0, 0, 1, 0x2C}));
    int opened = 0;
    auto r = OpenBytes(bytes, opened);
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(std::make_tuple(r->littleEndian, r->genpPos, r->firstFrameNo, r->frameCount,
                              r->calibValue, r->width, r->chunkCount),
              std::make_tuple(0, 300, -3, 2, 0x1234, 32, 4));

    for (const char* mark : {"IIII", "mmmm", "MMMm", "1234", "\0\0\0\0"}) {
        desc.byteOrderMark = {mark[0], mark[1], mark[2], mark[3]};
        r = OpenRecording(desc);
        EXPECT_EQ(std::make_pair(r->littleEndian, r->firstFrameNo), std::make_pair(1, -3)) << mark;
    }
}

TEST_F(OpenTest, DirectoryWalk) {
    VornRecipe desc;
    VornChunkEntry unknown = Chunk("XTRA", 10);
    unknown.content.assign(100, 7);
    VornChunkEntry secondFram = Chunk("FRAM", 4);
    secondFram.content.assign(40, 1);
    desc.directory = {Chunk("GENP"), unknown,    Chunk("PLAY", 3), Chunk("FRAM"),
                      Chunk("FSZP"), secondFram, Chunk("DSPP", 2), Chunk("DFCT")};
    auto reader = OpenRecording(desc);
    EXPECT_EQ(reader->chunkCount, 8);
    EXPECT_EQ(reader->genpPos, 256);
    EXPECT_EQ(reader->playPos, 256 + 576 + 10 + 100 + 3);
    const int32_t fram = reader->playPos + 1648;
    EXPECT_EQ(reader->framPos, fram); // the first FRAM wins
    EXPECT_EQ(reader->fszpPos, fram + 1280);
    EXPECT_EQ(reader->dsppPos, fram + 1280 + 400 + 4 + 40 + 2);
    EXPECT_EQ(reader->dfctPos, reader->dsppPos);
}

TEST_F(OpenTest, RefusesHostileHeaders) {
    VornReader missing;
    EXPECT_EQ(missing.Open(Path("absent.vrn").c_str(), 1), 0);
    EXPECT_EQ(missing.error, VornError::CannotOpen);
    EXPECT_EQ(missing.Open(dir_.c_str(), 1), 0);
    EXPECT_EQ(missing.error, VornError::NotRegularFile);

    const auto good = BuildVorn(VornRecipe{}); // GENP 256, PLAY 832, FSZP 2480, FRAM 2880
    EXPECT_EQ(Refusal({good.begin(), good.begin() + 255}), VornError::ShortHeader);
    for (int64_t at = 0; at < 4; ++at) {
        auto bad = good;
        PokeBytes(bad, at, {static_cast<uint8_t>(good[static_cast<size_t>(at)] ^ 0x20)});
        EXPECT_EQ(Refusal(bad), VornError::BadMagic) << at;
    }
    // {position, value, field bits, expected}
    using Poke = std::tuple<int64_t, int32_t, int, VornError>;
    const int32_t max = std::numeric_limits<int32_t>::max();
    const int32_t min = std::numeric_limits<int32_t>::min();
    const Poke pokes[] = {
        {44, -1, 32, VornError::BadChunkCount},     {44, 14, 32, VornError::BadChunkCount},
        {44, 0, 32, VornError::MissingGenp},        {48, 0, 32, VornError::MissingGenp},
        {64, 0, 32, VornError::MissingPlay},        {80, 0, 32, VornError::MissingFszp},
        {96, 0, 32, VornError::MissingFram},        {16, -4000, 32, VornError::BadChunkPosition},
        {72, max, 32, VornError::BadChunkPosition}, {2532, 0, 16, VornError::BadFrameSize},
        {2534, -16, 16, VornError::BadFrameSize},   {2576, 1279, 32, VornError::StrideTooSmall},
        {2576, -1, 32, VornError::StrideTooSmall},  {1116, 1, 32, VornError::BadFrameCount},
        {1116, min, 32, VornError::BadFrameCount},  {1116, 1 - max, 32, VornError::None},
    };
    for (const auto& [at, value, bits, error] : pokes) {
        auto bad = good;
        if (bits == 16) {
            PokeInt16(bad, at, static_cast<int16_t>(value), false);
        } else {
            PokeInt32(bad, at, value, false);
        }
        int opened = 0;
        EXPECT_EQ(OpenBytes(bad, opened)->error, error) << "at " << at << " value " << value;
        EXPECT_EQ(opened, error == VornError::None ? 1 : 0);
    }
    // A directory of 0 entries finds nothing.
    auto none = good;
    PokeInt32(none, 44, 0, false);
    int opened = 1;
    auto reader = OpenBytes(none, opened);
    EXPECT_EQ(reader->genpPos + reader->playPos + reader->fszpPos + reader->framPos, 0);
}

TEST_F(OpenTest, RefusesShortChunks) {
    // Each chunk placed last and the file cut one byte short of its end.
    const std::tuple<const char*, size_t, VornError> cases[] = {
        {"GENP", 576, VornError::ShortGenp},
        {"PLAY", 1648, VornError::ShortPlay},
        {"FSZP", 400, VornError::ShortFszp}};
    for (const auto& [tag, size, error] : cases) {
        VornRecipe desc;
        desc.directory.push_back(Chunk("FRAM"));
        for (const char* name : {"GENP", "PLAY", "FSZP"}) {
            if (std::strcmp(name, tag) != 0) {
                desc.directory.push_back(Chunk(name));
            }
        }
        desc.directory.push_back(Chunk(tag));
        auto bytes = BuildVorn(desc);
        bytes.pop_back();
        EXPECT_EQ(Refusal(bytes), error) << tag;
        bytes.push_back(0);
        int opened = 0;
        OpenBytes(bytes, opened);
        EXPECT_EQ(opened, 1) << tag;
    }
}

TEST_F(OpenTest, RefusesGeometryOffTheQuadrantGrid) {
    for (const auto& [w, h] : {std::pair{32, 24}, std::pair{6, 256}, std::pair{48, 16}}) {
        for (const char* tag : {"trq1", "lnc1"}) {
            VornRecipe desc;
            desc.modelTag = Tag(tag);
            desc.frameCount = 0;
            desc.lastFrameNo = 0;
            desc.width = w;
            desc.height = h;
            desc.frameStride = 4000;
            int opened = 0;
            auto reader = OpenBytes(BuildVorn(desc), opened);
            const bool quadrants = tag[0] == 't';
            EXPECT_EQ(reader->error, quadrants ? VornError::BadQuadrantGeometry : VornError::None)
                << w << " x " << h << " " << tag;
        }
    }
}

} // namespace
