// SPDX-License-Identifier: BSD-3-Clause
// quorvane-cli: headless access to VORN recordings.
//   info FILE [--json]          what the recording holds
//   convert FILE... [-o PATH]   one TIFF file per frame, or a stack
//   verify MANIFEST...          check what a conversion wrote
//   demo OUT.vrn ...            write a synthetic recording
// Exit status: 0 done, 1 failure (one line on stderr), 2 usage error; an
// interrupted run ends by its signal (130 in a shell for Ctrl-C).

#include "cli/Batch.h"
#include "cli/ConvertJob.h"
#include "cli/Demo.h"
#include "cli/Escape.h"
#include "cli/Info.h"
#include "cli/Progress.h"
#include "cli/Signals.h"
#include "cli/Usage.h"
#include "cli/Verify.h"
#include "recording/CVornDoc.h"

#include <QuorvaneVersion.h>

#include <CLI/CLI.hpp>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define QUORVANE_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define QUORVANE_ISATTY(f) isatty(fileno(f))
#endif

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitInterrupted = 130;

// Set by SIGINT, SIGTERM or SIGHUP; the only state a signal handler touches.
std::atomic<bool> g_interrupted{false};

// Messages carry file names, which are printed with their control characters
// escaped: a name must not be able to drive the terminal.
int Fail(const std::string& message) {
    std::fprintf(stderr, "quorvane-cli: %s\n", PrintableName(message).c_str());
    return kExitFailure;
}

// "frames 0..57 written": the contiguous run an interrupted conversion left.
std::string WrittenFramesText(int first, int end) {
    if (end <= first) {
        return "no frames written";
    }
    return "frames " + std::to_string(first) + ".." + std::to_string(end - 1) + " written";
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
    std::vector<std::string> files;
    std::string output;
    int bits = 16;
    std::optional<int> first;
    std::optional<int> last;
    int jobs = 0;
    bool quiet = false;
    BatchOptions batch;
};

struct ConvertTotals {
    int64_t files = 0;
    int64_t bytes = 0;
    int64_t skipped = 0;
    double seconds = 0.0;
};

// Converts one recording; returns its exit status.
int ConvertOne(const ConvertArgs& args, const std::string& file, ConvertTotals& totals) {
    int frames = 0;
    {
        CVornDoc probe;
        if (probe.OnOpenDocument(file.c_str()) == 0) {
            return Fail("cannot open " + file + ": " + probe.GetOpenError());
        }
        frames = probe.m_nFrameCount;
        WarnCorrectionNotApplied(file, *probe.m_pReader);
    }
    ConvertRequest request;
    request.recording = file;
    request.bits = args.bits;
    request.first = args.first.value_or(0);
    request.last = args.last.value_or(frames - 1);
    if (request.first < 0 || request.last >= frames || request.first > request.last) {
        return Usage("frames " + std::to_string(request.first) + ".." +
                     std::to_string(request.last) + " lie outside " + file + " (frames 0.." +
                     std::to_string(frames - 1) + ")");
    }
    request.output = ResolveOutputPattern(file, args.output);
    const unsigned cores = std::thread::hardware_concurrency();
    request.jobs = args.jobs > 0 ? args.jobs : static_cast<int>(cores > 0 ? cores : 1);
    request.cancel = &g_interrupted;

    ProgressBar bar(stderr, !args.quiet && QUORVANE_ISATTY(stderr));
    const RecordingResult result = ConvertRecording(
        request, args.batch, [&bar](int64_t done, int64_t total) { bar.Update(done, total); });
    bar.Finish();
    totals.seconds += bar.Seconds();

    const ConvertOutcome& outcome = result.outcome;
    if (outcome.status == ConvertStatus::Failed) {
        if (outcome.failedFile.empty()) {
            return Fail("cannot open " + file + ": " + outcome.reason);
        }
        return Fail(file + ": frame " + std::to_string(outcome.failedFrame) + " (" +
                    outcome.failedFile + "): " + outcome.reason);
    }
    totals.files += outcome.files;
    totals.bytes += outcome.bytes;
    totals.skipped += result.skipped;
    if (!result.manifestError.empty()) {
        return Fail(result.manifestError);
    }
    if (outcome.status == ConvertStatus::Cancelled && !args.batch.stack) {
        std::fprintf(stderr, "quorvane-cli: %s: interrupted; %s\n", PrintableName(file).c_str(),
                     WrittenFramesText(request.first, outcome.completeEnd).c_str());
    }
    return outcome.status == ConvertStatus::Cancelled ? kExitInterrupted : 0;
}

int RunConvertCommand(const ConvertArgs& args) {
    if (const std::string problem = CheckBatch(args.batch); !problem.empty()) {
        return Usage(problem);
    }
    if (args.first && args.last && *args.first > *args.last) {
        return Usage("--first " + std::to_string(*args.first) + " lies after --last " +
                     std::to_string(*args.last));
    }
    InstallInterruptHandlers(&g_interrupted);
    ConvertTotals totals;
    std::vector<std::string> failed;
    int status = 0;
    for (const std::string& file : args.files) {
        status = ConvertOne(args, file, totals);
        if (status == kExitUsage || status == kExitInterrupted) {
            break;
        }
        if (status != 0) {
            failed.push_back(file);
        }
    }
    if (status == kExitUsage || (args.files.size() == 1 && status == kExitFailure)) {
        return status;
    }
    if (!args.quiet) {
        std::printf("%s\n", BatchSummary(totals.files, totals.bytes, totals.seconds, args.batch,
                                         totals.skipped, failed)
                                .c_str());
    }
    if (status == kExitInterrupted) {
        if (args.batch.stack) {
            std::fprintf(stderr, "quorvane-cli: interrupted; the stack in progress was not kept\n");
        }
        std::fflush(stdout);
        std::fflush(stderr);
        // End by the signal itself, so the shell sees an interrupted program
        // and stops a loop over several recordings.
        const int raised = ReRaiseReceivedSignal();
        return raised != 0 ? raised : kExitInterrupted;
    }
    return failed.empty() ? 0 : kExitFailure;
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
    app.set_version_flag("--version", "quorvane-cli " QUORVANE_VERSION, "Show the version and exit");
    app.option_defaults()->always_capture_default();
    // An option given twice takes its last value, as in most converters.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    InfoArgs info;
    CLI::App* infoCmd = app.add_subcommand("info", "Show what a recording holds");
    infoCmd->add_option("FILE", info.file, "Recording (.vrn)")->required();
    infoCmd->add_flag("--json", info.json, "One JSON object instead of key: value lines");

    ConvertArgs convert;
    CLI::App* convertCmd = app.add_subcommand("convert", "Write one TIFF file per frame");
    convertCmd->add_option("FILE", convert.files, "Recordings (.vrn)")->required();
    convertCmd
        ->add_option("-o,--output", convert.output,
                     "Output name; frame numbers are added (default: NAME.tif)")
        ->type_name("PATH");
    convertCmd->add_option("-b,--bits", convert.bits, "Bits per sample, 16 or 8")
        ->type_name("N")
        ->check(OneOf({"16", "8"}));
    convertCmd->add_option("--first", convert.first, "First frame, zero-based")
        ->type_name("N")
        ->check(WholeNumber())
        ->default_str("0");
    convertCmd->add_option("--last", convert.last, "Last frame, inclusive (default: the last)")
        ->type_name("N")
        ->check(WholeNumber());
    convertCmd->add_option("-j,--jobs", convert.jobs, "Worker threads (default: one per core)")
        ->type_name("N")
        ->check(WholeNumber(1))
        ->default_str("");
    convertCmd->add_flag("-q,--quiet", convert.quiet, "No progress bar and no summary");
    convertCmd->add_flag("--skip-existing", convert.batch.skipExisting,
                         "Keep frame files (or the stack) already complete from an earlier run");
    convertCmd->add_flag("--stack", convert.batch.stack,
                         "One multi-page TIFF per recording instead of one file per frame");
    convertCmd->add_flag("--bigtiff", convert.batch.bigtiff,
                         "Write the stack as BigTIFF even below 4 GiB");
    convertCmd->add_flag("--manifest", convert.batch.manifest,
                         "Write NAME.manifest.json with the size and SHA-256 of every file");

    std::vector<std::string> manifests;
    CLI::App* verifyCmd =
        app.add_subcommand("verify", "Check the files a manifest lists against their hashes");
    verifyCmd->add_option("MANIFEST", manifests, "Manifests (.manifest.json)")->required();

    DemoArgs demo;
    CLI::App* demoCmd = app.add_subcommand("demo", "Write a synthetic recording");
    demoCmd->add_option("OUT", demo.file, "Recording to write (.vrn)")->required();
    demoCmd->add_option("--frames", demo.frames, "Number of frames")
        ->type_name("N")
        ->check(WholeNumber(1));
    demoCmd->add_option("--size", demo.size, "Frame size")->type_name("WIDTHxHEIGHT");
    demoCmd->add_option("--layout", demo.layout, "Pixel order")
        ->type_name("lanes|quadrants")
        ->check(OneOf({"lanes", "quadrants"}));
    demoCmd->add_option("--byte-order", demo.byteOrder, "Byte order of the header fields")
        ->type_name("little|big")
        ->check(OneOf({"little", "big"}));
    demoCmd->add_option("--correction", demo.correction, "Fixed-pattern correction")
        ->type_name("none|offset|offset-gain")
        ->check(OneOf({"none", "offset", "offset-gain"}));

    if (const int status = ParseArguments(app, argc, argv); status >= 0) {
        return status;
    }
    try {
        if (infoCmd->parsed()) {
            return RunInfo(info);
        }
        if (convertCmd->parsed()) {
            convert.batch.files = convert.files;
            convert.batch.output = convert.output;
            convert.batch.rangeGiven = convert.first.has_value() || convert.last.has_value();
            return RunConvertCommand(convert);
        }
        if (verifyCmd->parsed()) {
            return RunVerify(manifests, stdout, stderr);
        }
        return RunDemo(demo);
    } catch (const std::bad_alloc&) {
        const std::string& file = infoCmd->parsed()      ? info.file
                                  : convertCmd->parsed() ? convert.files.front()
                                                         : demo.file;
        return Fail(file + ": out of memory");
    }
}
