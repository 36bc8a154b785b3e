// SPDX-License-Identifier: BSD-3-Clause
// Every correction path against the reference row kernels, bit for bit, on
// hostile values (full-range samples, offsets and gains whose 32-bit product
// wraps) and on row lengths around each vector width.
#include "FastPaths.h"

#include "recording/Unpack.h"

#include <cstddef>
#include <random>
#include <utility>
#include <vector>

namespace {

struct Row {
    std::vector<uint16_t> samples;
    std::vector<int16_t> offset;
    std::vector<int16_t> gain;
};

// Every combination of the edge values, then random full-range values.
Row HostileRow(size_t randomCount, uint32_t seed) {
    const uint16_t samples[] = {0, 1, 511, 1023, 1024, 32767, 32768, 33791, 33792, 65535};
    const int16_t factors[] = {-32768, -32767, -1025, -1, 0, 1, 255, 511, 512, 1024, 32767};
    Row row;
    for (const uint16_t p : samples) {
        for (const int16_t o : factors) {
            for (const int16_t k : factors) {
                row.samples.push_back(p);
                row.offset.push_back(o);
                row.gain.push_back(k);
            }
        }
    }
    std::mt19937 random(seed);
    for (size_t n = 0; n < randomCount; ++n) {
        // Half the samples in the 10-bit range the reader produces.
        const auto p = static_cast<uint16_t>(random());
        row.samples.push_back(n % 2 == 0 ? static_cast<uint16_t>(p & 0x3FF) : p);
        row.offset.push_back(static_cast<int16_t>(random()));
        row.gain.push_back(static_cast<int16_t>(random()));
    }
    return row;
}

// Samples whose scaled value x = (p + offset) * gain + 256 lies on either
// edge of a quotient's range of the division by 512, for quotients whose low
// 16 bits land inside or just outside 0..1023. Random values almost never hit
// these, and an off-by-one in the rounding shows nowhere else.
Row DivisionEdgeRow() {
    Row row;
    const int64_t quotients[] = {-65536 + 5, -65536 + 1023, -1, 0, 1, 1023, 1024, 65536 + 7};
    for (const int64_t q : quotients) {
        const int64_t edges[] = {q < 0 ? 512 * q - 511 : 512 * q, q <= 0 ? 512 * q : 512 * q + 511};
        for (const int64_t x : edges) {
            for (int64_t gain = -32768; gain <= 32767; ++gain) {
                if (gain == 0 || (x - 256) % gain != 0) {
                    continue;
                }
                const int64_t sum = (x - 256) / gain;
                if (sum < -32768 || sum > 32767 + 1023) {
                    continue;
                }
                const int64_t p = sum < 0 ? 0 : (sum > 1023 ? 1023 : sum);
                row.samples.push_back(static_cast<uint16_t>(p));
                row.offset.push_back(static_cast<int16_t>(sum - p));
                row.gain.push_back(static_cast<int16_t>(gain));
                break;
            }
        }
    }
    // Repeat at shifted positions so that every edge passes through the
    // vector bodies of every width, not only through the scalar tail.
    Row repeated;
    for (size_t copy = 0; copy < 17; ++copy) {
        repeated.samples.insert(repeated.samples.end(), row.samples.begin(), row.samples.end());
        repeated.offset.insert(repeated.offset.end(), row.offset.begin(), row.offset.end());
        repeated.gain.insert(repeated.gain.end(), row.gain.begin(), row.gain.end());
        repeated.samples.push_back(1);
        repeated.offset.push_back(0);
        repeated.gain.push_back(512);
    }
    return repeated;
}

using Correction = EveryPath;

TEST_P(Correction, OffsetMatchesReference) {
    const Row row = HostileRow(4000, 3);
    std::vector<uint16_t> expected = row.samples;
    std::vector<uint16_t> actual = row.samples;
    CorrectRowOffset(expected.data(), row.offset.data(), static_cast<int32_t>(expected.size()));
    kernels->correctRowOffset(actual.data(), row.offset.data(),
                              static_cast<int32_t>(actual.size()));
    EXPECT_EQ(actual, expected);
}

TEST_P(Correction, OffsetGainRoundsLikeReferenceAtDivisionEdges) {
    const Row row = DivisionEdgeRow();
    ASSERT_GE(row.samples.size(), 12u);
    std::vector<uint16_t> expected = row.samples;
    std::vector<uint16_t> actual = row.samples;
    CorrectRowOffsetGain(expected.data(), row.offset.data(), row.gain.data(),
                         static_cast<int32_t>(expected.size()));
    kernels->correctRowOffsetGain(actual.data(), row.offset.data(), row.gain.data(),
                                  static_cast<int32_t>(actual.size()));
    EXPECT_EQ(actual, expected);
}

TEST_P(Correction, OffsetGainMatchesReference) {
    const Row row = HostileRow(4000, 4);
    std::vector<uint16_t> expected = row.samples;
    std::vector<uint16_t> actual = row.samples;
    CorrectRowOffsetGain(expected.data(), row.offset.data(), row.gain.data(),
                         static_cast<int32_t>(expected.size()));
    kernels->correctRowOffsetGain(actual.data(), row.offset.data(), row.gain.data(),
                                  static_cast<int32_t>(actual.size()));
    EXPECT_EQ(actual, expected);
}

// Rows of every length up to two 256-bit vectors and a half, started at odd
// element positions: the vector body, the 128-bit step and the scalar tail
// must each stop exactly at the row's end.
TEST_P(Correction, RowLengthsAndOffsetsStopAtTheRowEnd) {
    const Row row = HostileRow(64, 5);
    for (int32_t start = 0; start < 3; ++start) {
        for (int32_t count = 0; count <= 40; ++count) {
            const auto from = static_cast<size_t>(start);
            std::vector<uint16_t> expected = row.samples;
            std::vector<uint16_t> actual = row.samples;
            CorrectRowOffset(expected.data() + from, row.offset.data() + from, count);
            kernels->correctRowOffset(actual.data() + from, row.offset.data() + from, count);
            ASSERT_EQ(actual, expected) << "offset, start " << start << ", count " << count;
            CorrectRowOffsetGain(expected.data() + from, row.offset.data() + from,
                                 row.gain.data() + from, count);
            kernels->correctRowOffsetGain(actual.data() + from, row.offset.data() + from,
                                          row.gain.data() + from, count);
            ASSERT_EQ(actual, expected) << "gain, start " << start << ", count " << count;
        }
    }
}

// The 10-bit form against the reference for every sample 0..1023 under maps
// that GainMapsNarrow accepts: random ones and those on its bounds.
TEST_P(Correction, NarrowOffsetGainMatchesReferenceForEverySample) {
    std::vector<std::pair<int16_t, int16_t>> maps = {
        {31744, 0},     {31744, 1},     {0, 16399},   {0, -16400},  {-1023, 16383},
        {-32768, 512},  {-32767, -511}, {100, 14000}, {-500, -511}, {0, 0}};
    std::mt19937 random(7);
    while (maps.size() < 600) {
        const auto o = static_cast<int16_t>(static_cast<int>(random() % 8192) - 4096);
        const auto g = static_cast<int16_t>(static_cast<int>(random() % 32768) - 16384);
        if (GainMapsNarrow(&o, &g, 1)) {
            maps.emplace_back(o, g);
        }
    }
    std::vector<uint16_t> samples;
    std::vector<int16_t> offset;
    std::vector<int16_t> gain;
    for (const auto& [o, g] : maps) {
        ASSERT_TRUE(GainMapsNarrow(&o, &g, 1)) << o << " " << g;
        for (uint16_t p = 0; p < 1024; ++p) {
            samples.push_back(p);
            offset.push_back(o);
            gain.push_back(g);
        }
    }
    // An odd length so the tail runs as well.
    const auto count = static_cast<int32_t>(samples.size() - 3);
    std::vector<uint16_t> expected = samples;
    std::vector<uint16_t> actual = samples;
    CorrectRowOffsetGain(expected.data(), offset.data(), gain.data(), count);
    kernels->correctRowOffsetGain10(actual.data(), offset.data(), gain.data(), count);
    EXPECT_EQ(actual, expected);
}

INSTANTIATE_EVERY_PATH(Correction);

TEST(FastDispatch, NarrowMapsEndWhereThe16BitFormWouldFail) {
    const auto narrow = [](int16_t o, int16_t g) { return GainMapsNarrow(&o, &g, 1); };
    // p + offset must fit int16 for p = 1023.
    EXPECT_TRUE(narrow(31744, 1));
    EXPECT_FALSE(narrow(31745, 0));
    // The quotient must fit int16: 1023 * g + 256 within [-2^24, 2^24).
    EXPECT_TRUE(narrow(0, 16399));
    EXPECT_FALSE(narrow(0, 16400));
    EXPECT_TRUE(narrow(0, -16400));
    EXPECT_FALSE(narrow(0, -16401));
    EXPECT_TRUE(narrow(-32768, 511));
    EXPECT_FALSE(narrow(-32768, 513));
    // One element outside decides for the whole map.
    const int16_t offsets[] = {0, 0, 31745};
    const int16_t gains[] = {512, 512, 512};
    EXPECT_TRUE(GainMapsNarrow(offsets, gains, 2));
    EXPECT_FALSE(GainMapsNarrow(offsets, gains, 3));
}

TEST(FastDispatch, CorrectionEntryPointsMatchReference) {
    const Row row = HostileRow(100, 6);
    const auto count = static_cast<int32_t>(row.samples.size());
    std::vector<uint16_t> expected = row.samples;
    std::vector<uint16_t> actual = row.samples;
    CorrectRowOffset(expected.data(), row.offset.data(), count);
    CorrectRowOffsetFast(actual.data(), row.offset.data(), count);
    CorrectRowOffsetGain(expected.data(), row.offset.data(), row.gain.data(), count);
    CorrectRowOffsetGainFast(actual.data(), row.offset.data(), row.gain.data(), count);
    EXPECT_EQ(actual, expected);
}

} // namespace
