// SPDX-License-Identifier: BSD-3-Clause
// quorvane-cli stats and profile: their numbers against the measuring
// functions on frames read whole, the three output forms, and refusals.
#include "measure/Line.h"
#include "measure/Region.h"
#include "recording/VornReader.h"

#include "CliRun.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        std::istringstream fields(line + ",");
        for (std::string cell; std::getline(fields, cell, ',');) {
            cells.push_back(cell);
        }
        rows.push_back(cells);
    }
    return rows;
}

class MeasureCliTest : public CliTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Cli("demo d.vrn --frames 8 --size 96x48 --first-number -3").status, 0);
        VornReader reader;
        ASSERT_EQ(reader.Open((work / "d.vrn").c_str(), 1), 1);
        for (int i = 0; i < 8; ++i) {
            frames.emplace_back(96 * 48);
            ASSERT_EQ(reader.ReadFrame(frames.back().data(), i, 96 * 48 * 2), 96 * 48 * 2);
        }
    }

    std::vector<std::vector<uint16_t>> frames;
};

TEST_F(MeasureCliTest, StatsCsvAgreesWithRegionStats) {
    struct Case {
        const char* options;
        Region region;
        std::vector<int> indices;
        const char* firstTime; // time_s of the first row
    };
    const std::vector<Case> cases = {
        {"--region 10,5,40,30", {10, 5, 40, 30, false}, {0, 1, 2, 3, 4, 5, 6, 7}, ""},
        {"--region 0,0,96,48 --ellipse --step 3", {0, 0, 96, 48, true}, {0, 3, 6}, ""},
        {"--region 95,47,1,1 --first '#0' --last 5", {95, 47, 1, 1, false}, {3, 4, 5}, ""},
        {"--region 20,8,33,21 --ellipse --rate 1k --first=-2ms --step 2",
         {20, 8, 33, 21, true}, {1, 3, 5, 7}, "-0.002"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(std::string("stats d.vrn --csv ") + c.options);
        ASSERT_EQ(run.status, 0) << c.options << ": " << run.err;
        const auto rows = CsvRows(run.out);
        ASSERT_EQ(rows.size(), c.indices.size() + 1) << c.options;
        EXPECT_EQ(rows[0], (std::vector<std::string>{"index", "number", "time_s", "mean", "std",
                                                     "min", "max", "pixels"}));
        EXPECT_EQ(rows[1][2], c.firstTime);
        for (size_t i = 0; i < c.indices.size(); ++i) {
            const int index = c.indices[i];
            const std::vector<std::string>& row = rows[i + 1];
            const RegionStats want = ComputeRegionStats(frames[static_cast<size_t>(index)].data(),
                                                        96, c.region);
            ASSERT_EQ(row.size(), 8u);
            EXPECT_EQ(row[0], std::to_string(index));
            EXPECT_EQ(row[1], std::to_string(index - 3));
            // Written in full: they read back as the very same doubles.
            EXPECT_EQ(std::stod(row[3]), want.mean) << c.options;
            EXPECT_EQ(std::stod(row[4]), want.stddev) << c.options;
            EXPECT_EQ(row[5], std::to_string(want.min));
            EXPECT_EQ(row[6], std::to_string(want.max));
            EXPECT_EQ(row[7], std::to_string(want.pixels));
        }
    }
}

TEST_F(MeasureCliTest, StatsTextAndJson) {
    const RegionStats want = ComputeRegionStats(frames[7].data(), 96, {1, 2, 3, 4});
    CliRun run = Cli("stats d.vrn --region 1,2,3,4 --first 7");
    ASSERT_EQ(run.status, 0) << run.err;
    char mean[32];
    std::snprintf(mean, sizeof mean, "%.3f", want.mean);
    const std::string row = run.out.substr(run.out.find('\n') + 1);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "  index   number         time_s       mean        std   min   max    pixels");
    EXPECT_EQ(row.substr(0, 31), "      7        4              -");
    EXPECT_NE(row.find(mean), std::string::npos) << row;

    run = Cli("stats d.vrn --region 1,2,3,4 --first 6 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("[\n{\"index\": 6, \"number\": 3, \"time_s\": null, \"mean\": ", 0), 0u)
        << run.out;
    EXPECT_NE(run.out.find("},\n{\"index\": 7, \"number\": 4, \"time_s\": null,"),
              std::string::npos);
    EXPECT_EQ(run.out.substr(run.out.size() - 16), "\"pixels\": 12}\n]\n");
}

TEST_F(MeasureCliTest, ProfileAgreesWithLineProfile) {
    const Line line{2, 3, 50.5, 40};
    const std::vector<double> want = LineProfile(frames[4].data(), 96, 48, line);
    const CliRun run = Cli("profile d.vrn --line 2,3,50.5,40 --frame '#1' --csv");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = CsvRows(run.out);
    ASSERT_EQ(rows.size(), want.size() + 1);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"position", "x", "y", "value"}));
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(std::stod(rows[i + 1][3]), want[i]);
    }
    EXPECT_EQ(rows[1], (std::vector<std::string>{"0", "2", "3", rows[1][3]}));
    EXPECT_DOUBLE_EQ(std::stod(rows.back()[0]), LineLength(line));
    EXPECT_EQ(rows.back()[1], "50.5");
    const std::string json = Cli("profile d.vrn --line 0,0,2,0 --frame 0 --json").out;
    EXPECT_EQ(json.rfind("[\n{\"position\": 0, \"x\": 0, \"y\": 0, \"value\": ", 0), 0u) << json;
    EXPECT_NE(json.find("},\n{\"position\": 2, \"x\": 2, \"y\": 0, \"value\": "), std::string::npos);
}

TEST_F(MeasureCliTest, RefusalsNameTheFrame) {
    struct Case {
        const char* args;
        int status;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"stats d.vrn --region 90,0,7,4", 2,
         "region 90,0,7,4 does not lie inside the frame of 96 x 48"},
        {"stats d.vrn --region=-1,0,4,4", 2,
         "region -1,0,4,4 does not lie inside the frame of 96 x 48"},
        {"stats d.vrn --region 5,5,3", 2, "--region takes X,Y,W,H in pixels"},
        {"stats d.vrn --region 0,0,4,4 --last 8", 2, "--last 8: frame 8 lies outside the frames 0..7"},
        {"stats d.vrn --region 0,0,4,4 --first 1ms", 2, "needs the recording rate"},
        {"stats d.vrn --region 0,0,4,4 --step 0", 2, "--step"},
        {"stats d.vrn --region 0,0,4,4 --csv --json", 2, "--csv excludes --json"},
        {"stats missing.vrn --region 0,0,4,4", 1, "cannot open missing.vrn"},
        {"profile d.vrn --line 0,0,96,0 --frame 0", 2,
         "line 0,0,96,0 does not lie inside the frame of 96 x 48"},
        {"profile d.vrn --line 0,0,5,5 --frame '#9'", 2, "lies outside the numbers #-3..#4"},
        {"profile d.vrn --line 0,0,5 --frame 0", 2, "--line takes X0,Y0,X1,Y1 in pixels"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_EQ(run.out, "") << c.args;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
    }
}

} // namespace
