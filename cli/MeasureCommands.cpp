// SPDX-License-Identifier: BSD-3-Clause
#include "cli/MeasureCommands.h"

#include "cli/Escape.h"
#include "cli/MeasureTable.h"
#include "cli/FrameOptions.h"
#include "cli/Usage.h"
#include "convert/Signals.h"
#include "measure/Line.h"
#include "measure/RegionSeries.h"
#include "recording/TimeBase.h"
#include "recording/VornReader.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitInterrupted = 130;

std::atomic<bool> g_interrupted{false};

int Fail(const std::string& message) {
    std::fprintf(stderr, "quorvane-cli: %s\n", PrintableName(message).c_str());
    return kExitFailure;
}

// Four comma-separated numbers filling `text` (blanks around them allowed).
template <typename Number>
bool ReadFour(const std::string& text, Number (&values)[4]) {
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        while (at < end && *at == ' ') {
            ++at;
        }
        const auto [stop, failure] = std::from_chars(at, end, values[i]);
        if (failure != std::errc{}) {
            return false;
        }
        at = stop;
        while (at < end && *at == ' ') {
            ++at;
        }
        if (i < 3 && (at == end || *at++ != ',')) {
            return false;
        }
    }
    return at == end;
}

// The header of a recording, for its size and its time axis; false after
// the failure line.
bool OpenHeader(const std::string& file, VornReader& reader) {
    if (reader.Open(file.c_str(), 0) == 0) {
        Fail("cannot open " + file + ": " + VornErrorText(reader.error));
        return false;
    }
    return true;
}

TableFormat FormatOf(bool csv, bool json) {
    return csv ? TableFormat::Csv : json ? TableFormat::Json : TableFormat::Text;
}

} // namespace

struct MeasureCommands::Args {
    CLI::App* statsCmd = nullptr;
    CLI::App* profileCmd = nullptr;
    std::string file;
    std::string shape; // --region or --line
    bool ellipse = false;
    std::optional<std::string> first;
    std::optional<std::string> last;
    std::optional<std::string> frame;
    int step = 1;
    std::optional<std::string> rate;
    bool csv = false;
    bool json = false;

    int RunStats();
    int RunProfile();
    bool ReadFrame(const TimeBase& time, const char* option, const std::optional<std::string>& text,
                   int& index, const char* command) const;
};

// --first, --last or --frame as an index, a recorded number or a time.
bool MeasureCommands::Args::ReadFrame(const TimeBase& time, const char* option,
                                      const std::optional<std::string>& text, int& index,
                                      const char* command) const {
    if (!text) {
        return true;
    }
    int32_t found = 0;
    std::string error;
    if (!time.ParseFrame(*text, found, error)) {
        Usage(std::string(option) + " " + *text + ": " + error, command);
        return false;
    }
    index = found;
    return true;
}

int MeasureCommands::Args::RunStats() {
    SeriesRequest request;
    int values[4] = {};
    if (!ReadFour(shape, values)) {
        return Usage("--region takes X,Y,W,H in pixels, e.g. 100,80,64,64", "stats");
    }
    request.region = {values[0], values[1], values[2], values[3], ellipse};
    if (!ReadRateOption(rate, request.rate, "stats")) {
        return kExitUsage;
    }
    VornReader header;
    if (!OpenHeader(file, header)) {
        return kExitFailure;
    }
    const TimeBase time(header.firstFrameNo, header.GetFrameCount(), request.rate);
    if (!ReadFrame(time, "--first", first, request.first, "stats") ||
        !ReadFrame(time, "--last", last, request.last, "stats")) {
        return kExitUsage;
    }
    request.recording = file;
    request.step = step;

    const TableFormat format = FormatOf(csv, json);
    std::optional<TableWriter> table;
    InstallInterruptHandlers(&g_interrupted);
    const SeriesResult result = ScanRegionSeries(request, [&](const RegionSample& sample) {
        if (!table) {
            table.emplace(stdout, format,
                          std::vector<TableColumn>{{"index", 7}, {"number", 8}, {"time_s", 14},
                                                   {"mean", 10}, {"std", 10}, {"min", 5},
                                                   {"max", 5}, {"pixels", 9}});
        }
        const RegionStats& stats = sample.stats;
        table->Row({WholeCell(sample.index), WholeCell(sample.number),
                    sample.seconds ? TableCell(SecondsText(*sample.seconds)) : std::nullopt,
                    FractionCell(stats.mean, format), FractionCell(stats.stddev, format),
                    WholeCell(stats.min), WholeCell(stats.max), WholeCell(stats.pixels)});
        return !g_interrupted.load();
    });
    if (result.status == SeriesStatus::Refused) {
        return Usage(result.message, "stats");
    }
    if (table) {
        table->Finish();
    }
    if (result.status == SeriesStatus::Failed) {
        return Fail(result.message);
    }
    if (result.status == SeriesStatus::Cancelled) {
        std::fflush(stdout);
        const int raised = ReRaiseReceivedSignal();
        return raised != 0 ? raised : kExitInterrupted;
    }
    return 0;
}

int MeasureCommands::Args::RunProfile() {
    double values[4] = {};
    if (!ReadFour(shape, values)) {
        return Usage("--line takes X0,Y0,X1,Y1 in pixels, e.g. 10,20,200,20", "profile");
    }
    const Line line{values[0], values[1], values[2], values[3]};
    std::optional<double> rateValue;
    if (!ReadRateOption(rate, rateValue, "profile")) {
        return kExitUsage;
    }
    VornReader reader;
    if (reader.Open(file.c_str(), 1) == 0) {
        return Fail("cannot open " + file + ": " + VornErrorText(reader.error));
    }
    const auto [width, height] = reader.GetFrameSize();
    if (const std::string problem = CheckLine(line, width, height); !problem.empty()) {
        return Usage(problem, "profile");
    }
    int index = 0;
    if (!ReadFrame(TimeBase(reader.firstFrameNo, reader.GetFrameCount(), rateValue), "--frame",
                   frame, index, "profile")) {
        return kExitUsage;
    }
    std::vector<uint16_t> samples(static_cast<size_t>(width) * static_cast<size_t>(height));
    const int32_t bytes = width * height * 2;
    if (reader.ReadFrame(samples.data(), index, bytes) != bytes) {
        return Fail(file + ": frame " + std::to_string(index) + " could not be read whole");
    }
    const std::vector<double> along = LineProfile(samples.data(), width, height, line);
    const TableFormat format = FormatOf(csv, json);
    TableWriter table(stdout, format, {{"position", 10}, {"x", 10}, {"y", 10}, {"value", 10}});
    const double end = static_cast<double>(along.size() - 1);
    for (size_t i = 0; i < along.size(); ++i) {
        const double t = static_cast<double>(i) / end;
        table.Row({FractionCell(LineLength(line) * t, format),
                   FractionCell(line.x0 + (line.x1 - line.x0) * t, format),
                   FractionCell(line.y0 + (line.y1 - line.y0) * t, format),
                   FractionCell(along[i], format)});
    }
    table.Finish();
    return 0;
}

MeasureCommands::MeasureCommands(CLI::App& app) : m_args(std::make_unique<Args>()) {
    Args& a = *m_args;
    a.statsCmd = app.add_subcommand("stats", "Statistics of a region, one row per frame");
    a.statsCmd->add_option("FILE", a.file, "Recording (.vrn)")->required();
    a.statsCmd->add_option("--region", a.shape, "The region's rectangle in pixels")
        ->type_name("X,Y,W,H")
        ->required();
    a.statsCmd->add_flag("--ellipse", a.ellipse, "The ellipse inscribed in the rectangle");
    a.statsCmd
        ->add_option("--first", a.first,
                     "First frame: an index (12), a recorded number (#-476) or a time (-240us)")
        ->type_name("FRAME")
        ->default_str("0");
    a.statsCmd->add_option("--last", a.last, "Last frame, inclusive (default: the last)")
        ->type_name("FRAME");
    a.statsCmd->add_option("--step", a.step, "Every Nth frame")->type_name("N")->check(WholeNumber(1));

    a.profileCmd = app.add_subcommand("profile", "Values along a line in one frame");
    a.profileCmd->add_option("FILE", a.file, "Recording (.vrn)")->required();
    a.profileCmd->add_option("--line", a.shape, "The line's ends in pixels")
        ->type_name("X0,Y0,X1,Y1")
        ->required();
    a.profileCmd
        ->add_option("--frame", a.frame,
                     "Frame: an index (12), a recorded number (#-476) or a time (-240us)")
        ->type_name("FRAME")
        ->required();

    for (CLI::App* command : {a.statsCmd, a.profileCmd}) {
        command->add_option("--rate", a.rate, "Recording rate, frames per second (50000, 50k)")
            ->type_name("R");
        CLI::Option* csv = command->add_flag("--csv", a.csv, "CSV with a header line");
        command->add_flag("--json", a.json, "A JSON array of objects")->excludes(csv);
    }
}

MeasureCommands::~MeasureCommands() = default;

bool MeasureCommands::Parsed() const {
    return m_args->statsCmd->parsed() || m_args->profileCmd->parsed();
}

int MeasureCommands::Run() {
    try {
        return m_args->statsCmd->parsed() ? m_args->RunStats() : m_args->RunProfile();
    } catch (const std::bad_alloc&) {
        return Fail(m_args->file + ": out of memory");
    }
}
