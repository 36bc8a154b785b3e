// quorvane-cli: headless access to VORN recordings.
//   info FILE [--json]          what the recording holds
//   convert FILE [-o PATH] ...  one TIFF file per frame
//   demo OUT.vrn ...            write a synthetic recording
// Exit status: 0 done, 1 failure (one line on stderr), 2 usage error; an
// interrupted run ends by its signal (130 in a shell for Ctrl-C).

#include "cli/ConvertJob.h"
#include "cli/Demo.h"
#include "cli/Escape.h"
#include "cli/Info.h"
#include "cli/Progress.h"
#include "cli/Signals.h"
#include "recording/CVornDoc.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <io.h>
#define QUORVANE_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define QUORVANE_ISATTY(f) isatty(fileno(f))
#endif

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Set by SIGINT, SIGTERM or SIGHUP; the only state a signal handler touches.
std::atomic<bool> g_interrupted{false};

// Messages carry file names, which are printed with their control characters
// escaped: a name must not be able to drive the terminal.
int Fail(const std::string& message) {
    std::fprintf(stderr, "quorvane-cli: %s\n", PrintableName(message).c_str());
    return kExitFailure;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "quorvane-cli: %s\nRun with --help for more information.\n",
                 PrintableName(message).c_str());
    return kExitUsage;
}

// CLI11's own messages quote the arguments, so they are escaped too.
int ExitParseError(const CLI::App& app, const CLI::ParseError& error) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = app.exit(error, out, err);
    std::fputs(PrintableName(out.str(), true).c_str(), stdout);
    std::fputs(PrintableName(err.str(), true).c_str(), stderr);
    return status == 0 ? 0 : kExitUsage;
}

// "frames 0..57 written": the contiguous run an interrupted conversion left.
std::string WrittenFramesText(int first, int64_t files) {
    if (files <= 0) {
        return "no frames written";
    }
    return "frames " + std::to_string(first) + ".." + std::to_string(first + files - 1) +
           " written";
}

// One warning line when the recording carries a correction that is not
// applied; the frames are converted uncorrected.
void WarnCorrectionNotApplied(const std::string& file, const VornReader& reader) {
    const CorrectionNote note = reader.correctionNote;
    if (note == CorrectionNote::None || note == CorrectionNote::NoChunk ||
        note == CorrectionNote::NotRequested) {
        return;
    }
    const std::string why = note == CorrectionNote::UnknownKind
                                ? "unknown correction kind " + std::to_string(reader.fpnpKind)
                                : CorrectionNoteText(note);
    std::fprintf(stderr, "quorvane-cli: %s: fixed-pattern correction not applied: %s\n",
                 PrintableName(file).c_str(), why.c_str());
}

struct InfoArgs {
    std::string file;
    bool json = false;
};

int RunInfo(const InfoArgs& args) {
    RecordingInfo info;
    std::string error;
    if (!ReadRecordingInfo(args.file, info, error)) {
        return Fail("cannot open " + args.file + ": " + error);
    }
    const std::string text = args.json ? FormatInfoJson(info) : FormatInfoText(info);
    std::fputs(text.c_str(), stdout);
    return 0;
}

struct ConvertArgs {
    std::string file;
    std::string output;
    int bits = 16;
    std::optional<int> first;
    std::optional<int> last;
    int jobs = 0;
    bool quiet = false;
};

int RunConvertCommand(const ConvertArgs& args) {
    if (args.first && args.last && *args.first > *args.last) {
        return Usage("--first " + std::to_string(*args.first) + " lies after --last " +
                     std::to_string(*args.last));
    }
    int frames = 0;
    {
        CVornDoc probe;
        if (probe.OnOpenDocument(args.file.c_str()) == 0) {
            return Fail("cannot open " + args.file + ": " + probe.GetOpenError());
        }
        frames = probe.m_nFrameCount;
        WarnCorrectionNotApplied(args.file, *probe.m_pReader);
    }
    ConvertRequest request;
    request.recording = args.file;
    request.bits = args.bits;
    request.first = args.first.value_or(0);
    request.last = args.last.value_or(frames - 1);
    if (request.first < 0 || request.last >= frames || request.first > request.last) {
        return Usage("frames " + std::to_string(request.first) + ".." +
                     std::to_string(request.last) + " lie outside " + args.file + " (frames 0.." +
                     std::to_string(frames - 1) + ")");
    }
    request.output = ResolveOutputPattern(args.file, args.output);
    const unsigned cores = std::thread::hardware_concurrency();
    request.jobs = args.jobs > 0 ? args.jobs : static_cast<int>(cores > 0 ? cores : 1);
    request.cancel = &g_interrupted;

    InstallInterruptHandlers(&g_interrupted);
    ProgressBar bar(stderr, !args.quiet && QUORVANE_ISATTY(stderr));
    const ConvertOutcome outcome =
        RunConvert(request, [&bar](int64_t done, int64_t total) { bar.Update(done, total); });
    bar.Finish();

    if (outcome.status == ConvertStatus::Failed) {
        if (outcome.failedFile.empty()) {
            return Fail("cannot open " + args.file + ": " + outcome.reason);
        }
        return Fail(args.file + ": frame " + std::to_string(outcome.failedFrame) + " (" +
                    outcome.failedFile + "): " + outcome.reason);
    }
    if (!args.quiet) {
        std::printf("%s\n", SummaryLine(outcome.files, outcome.bytes, bar.Seconds()).c_str());
    }
    if (outcome.status == ConvertStatus::Cancelled) {
        std::fprintf(stderr, "quorvane-cli: %s: interrupted; %s\n",
                     PrintableName(args.file).c_str(),
                     WrittenFramesText(request.first, outcome.files).c_str());
        std::fflush(stdout);
        std::fflush(stderr);
        // End by the signal itself, so the shell sees an interrupted program.
        const int status = ReRaiseReceivedSignal();
        return status != 0 ? status : kExitInterrupted;
    }
    return 0;
}

struct DemoArgs {
    std::string file;
    int frames = 300;
    std::string size = "512x256";
    std::string layout = "lanes";
    std::string byteOrder = "little";
    std::string correction = "offset-gain";
};

bool ParseSize(const std::string& text, int32_t& width, int32_t& height) {
    int w = 0;
    int h = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &tail) != 2) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

int RunDemo(const DemoArgs& args) {
    DemoOptions options;
    options.frames = args.frames;
    if (!ParseSize(args.size, options.width, options.height)) {
        return Usage("--size takes WIDTHxHEIGHT, e.g. 512x256");
    }
    options.quadrants = args.layout == "quadrants";
    options.bigEndian = args.byteOrder == "big";
    options.correctionKind = args.correction == "offset" ? 3 : args.correction == "none" ? 0 : 6;
    if (const std::string problem = CheckDemoOptions(options); !problem.empty()) {
        return Usage(problem);
    }
    if (!WriteDemoRecording(args.file, options)) {
        return Fail("cannot write " + args.file + ": " + DescribeWriteFailure(args.file));
    }
    std::printf("%s: %d frames of %d x %d, %s, %s-endian, correction %s\n",
                PrintableName(args.file).c_str(), options.frames, options.width, options.height,
                args.layout.c_str(), args.byteOrder.c_str(), args.correction.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Views VORN high-speed recordings and converts them to TIFF sequences.",
                 "quorvane-cli"};
    app.require_subcommand(1);

    InfoArgs info;
    CLI::App* infoCmd = app.add_subcommand("info", "Show what a recording holds");
    infoCmd->add_option("FILE", info.file, "Recording (.vrn)")->required();
    infoCmd->add_flag("--json", info.json, "One JSON object instead of key: value lines");

    ConvertArgs convert;
    CLI::App* convertCmd = app.add_subcommand("convert", "Write one TIFF file per frame");
    convertCmd->add_option("FILE", convert.file, "Recording (.vrn)")->required();
    convertCmd->add_option("-o,--output", convert.output,
                           "Output name; frame numbers are added (default: NAME.tif)");
    convertCmd->add_option("--bits", convert.bits, "Bits per sample, 16 or 8")
        ->check(CLI::IsMember({8, 16}));
    convertCmd->add_option("--first", convert.first, "First frame, zero-based");
    convertCmd->add_option("--last", convert.last, "Last frame, inclusive");
    convertCmd->add_option("--jobs", convert.jobs, "Worker threads (default: one per core)")
        ->check(CLI::PositiveNumber);
    convertCmd->add_flag("-q,--quiet", convert.quiet, "No progress bar and no summary");

    DemoArgs demo;
    CLI::App* demoCmd = app.add_subcommand("demo", "Write a synthetic recording");
    demoCmd->add_option("OUT", demo.file, "Recording to write (.vrn)")->required();
    demoCmd->add_option("--frames", demo.frames, "Number of frames")->check(CLI::PositiveNumber);
    demoCmd->add_option("--size", demo.size, "Frame size WIDTHxHEIGHT");
    demoCmd->add_option("--layout", demo.layout, "lanes or quadrants")
        ->check(CLI::IsMember({"lanes", "quadrants"}));
    demoCmd->add_option("--byte-order", demo.byteOrder, "little or big")
        ->check(CLI::IsMember({"little", "big"}));
    demoCmd->add_option("--correction", demo.correction, "none, offset or offset-gain")
        ->check(CLI::IsMember({"none", "offset", "offset-gain"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return ExitParseError(app, e);
    }
    try {
        if (infoCmd->parsed()) {
            return RunInfo(info);
        }
        if (convertCmd->parsed()) {
            return RunConvertCommand(convert);
        }
        return RunDemo(demo);
    } catch (const std::bad_alloc&) {
        const std::string& file = infoCmd->parsed()      ? info.file
                                  : convertCmd->parsed() ? convert.file
                                                         : demo.file;
        return Fail(file + ": out of memory");
    }
}
