// SPDX-License-Identifier: BSD-3-Clause
// quorvane-cli: headless access to VORN recordings.
//   info FILE [--json] [--rate R]  what the recording holds
//   convert FILE... [-o PATH]   one TIFF file per frame, or a stack
//   export FILE... -o OUT       a video, a PNG sequence or an OME-TIFF stack
//   verify MANIFEST...          check what a conversion wrote
//   demo OUT.vrn ...            write a synthetic recording
// Exit status: 0 done, 1 failure (one line on stderr), 2 usage error; an
// interrupted run ends by its signal (130 in a shell for Ctrl-C).

#include "convert/Conversion.h"
#include "convert/ConvertJob.h"
#include "cli/Escape.h"
#include "cli/ExportCommand.h"
#include "cli/FrameOptions.h"
#include "convert/RecordingDescription.h"
#include "cli/Progress.h"
#include "convert/Signals.h"
#include "cli/Usage.h"
#include "cli/Verify.h"
#include "recording/DemoRecording.h"
#include "recording/TimeBase.h"

#include <QuorvaneVersion.h>

#include <CLI/CLI.hpp>

#include <atomic>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstdlib>
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

struct InfoArgs {
    std::string file;
    bool json = false;
    std::optional<std::string> rate;
};

int RunInfo(const InfoArgs& args) {
    std::optional<double> rate;
    if (!ReadRateOption(args.rate, rate, "info")) {
        return kExitUsage;
    }
    RecordingInfo info;
    std::string error;
    if (!ReadRecordingInfo(args.file, info, error)) {
        return Fail("cannot open " + args.file + ": " + error);
    }
    const std::string text = args.json ? FormatInfoJson(info, rate) : FormatInfoText(info, rate);
    std::fputs(text.c_str(), stdout);
    return 0;
}

struct ConvertArgs {
    ConversionRequest request;
    std::optional<std::string> first;
    std::optional<std::string> last;
    std::optional<std::string> rate;
    std::optional<std::string> crop;
    bool quiet = false;
};

int RunConvertCommand(ConvertArgs& args) {
    ConversionRequest& request = args.request;
    if (!ReadRateOption(args.rate, request.rate, "convert")) {
        return kExitUsage;
    }
    for (const std::string& problem :
         {ReadFrameOption("--first", args.first, request.rate.has_value(), request.first,
                          request.firstFrame),
          ReadFrameOption("--last", args.last, request.rate.has_value(), request.last,
                          request.lastFrame)}) {
        if (!problem.empty()) {
            return Usage(problem, "convert");
        }
    }
    if (args.crop) {
        CropRect crop;
        if (std::string error; !ParseCrop(*args.crop, crop, error)) {
            return Usage(error, "convert");
        }
        request.crop = crop;
    }
    if (const std::string problem = CheckConversion(request); !problem.empty()) {
        return Usage(problem, "convert");
    }
    InstallInterruptHandlers(&g_interrupted);
    std::optional<ProgressBar> bar;
    bool stackKept = false; // interrupted only while the manifest was prepared
    ConversionHooks hooks;
    hooks.cancel = &g_interrupted;
    hooks.warning = [](const std::string& file, const std::string& message) {
        std::fprintf(stderr, "quorvane-cli: %s: %s\n", PrintableName(file).c_str(),
                     message.c_str());
    };
    hooks.started = [&](const std::string&) {
        bar.emplace(stderr, !args.quiet && QUORVANE_ISATTY(stderr));
    };
    hooks.progress = [&](int64_t done, int64_t total) { bar->Update(done, total); };
    hooks.finished = [&](const RecordingReport& report) {
        if (bar) {
            bar->Finish();
            bar.reset();
        }
        if (report.status == RecordingStatus::Refused) {
            Usage(report.message, "convert");
        } else if (report.status == RecordingStatus::Failed) {
            Fail(report.message);
        } else if (report.status == RecordingStatus::Cancelled && request.stack &&
                   report.noManifest) {
            stackKept = true;
            std::fprintf(stderr, "quorvane-cli: %s: interrupted; the stack was written, no manifest\n",
                         PrintableName(report.recording).c_str());
        } else if (report.status == RecordingStatus::Cancelled && !request.stack) {
            std::fprintf(stderr, "quorvane-cli: %s: interrupted; %s%s\n",
                         PrintableName(report.recording).c_str(),
                         WrittenFramesText(report.first, report.outcome.completeEnd).c_str(),
                         report.noManifest ? ", no manifest" : "");
        }
    };
    const ConversionSummary summary = RunConversion(request, hooks);
    if (summary.refused) {
        return kExitUsage;
    }
    if (request.recordings.size() == 1 && !summary.failed.empty()) {
        return kExitFailure;
    }
    if (!args.quiet) {
        std::printf("%s\n", ConversionSummaryLine(request, summary).c_str());
    }
    if (summary.cancelled) {
        if (request.stack && !stackKept) {
            std::fprintf(stderr, "quorvane-cli: interrupted; the stack in progress was not kept\n");
        }
        std::fflush(stdout);
        std::fflush(stderr);
        // End by the signal itself, so the shell sees an interrupted program
        // and stops a loop over several recordings.
        const int raised = ReRaiseReceivedSignal();
        return raised != 0 ? raised : kExitInterrupted;
    }
    return summary.failed.empty() ? 0 : kExitFailure;
}

struct DemoArgs {
    std::string file;
    int frames = 300;
    std::string size = "512x256";
    std::string layout = "lanes";
    std::string byteOrder = "little";
    std::string correction = "offset-gain";
    int firstNumber = 0;
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
    options.firstNumber = args.firstNumber;
    if (!ParseSize(args.size, options.width, options.height)) {
        return Usage("--size takes WIDTHxHEIGHT, e.g. 512x256", "demo");
    }
    options.quadrants = args.layout == "quadrants";
    options.bigEndian = args.byteOrder == "big";
    options.correctionKind = args.correction == "offset" ? 3 : args.correction == "none" ? 0 : 6;
    if (const std::string problem = CheckDemoOptions(options); !problem.empty()) {
        return Usage(problem, "demo");
    }
    if (int error = 0; !WriteDemoRecording(args.file, options, error)) {
        return Fail("cannot write " + args.file + ": " + DescribeWriteFailure(args.file, error));
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
    infoCmd->add_option("--rate", info.rate, "Recording rate, frames per second (50000, 50k, 1.2M)")
        ->type_name("R");

    ConvertArgs convert;
    CLI::App* convertCmd = app.add_subcommand("convert", "Write one TIFF file per frame");
    convertCmd->add_option("FILE", convert.request.recordings, "Recordings (.vrn)")->required();
    convertCmd
        ->add_option("-o,--output", convert.request.output,
                     "Output name; frame numbers are added (default: NAME.tif)")
        ->type_name("PATH");
    convertCmd->add_option("-b,--bits", convert.request.bits, "Bits per sample, 16 or 8")
        ->type_name("N")
        ->check(OneOf({"16", "8"}));
    convertCmd
        ->add_option("--first", convert.first,
                     "First frame: an index (12), a recorded number (#-476) or a time (-240us)")
        ->type_name("FRAME")
        ->default_str("0");
    convertCmd->add_option("--last", convert.last, "Last frame, inclusive (default: the last)")
        ->type_name("FRAME");
    convertCmd->add_option("--step", convert.request.step, "Keep every Nth frame of the range")
        ->type_name("N")
        ->check(WholeNumber(1));
    convertCmd->add_option("--crop", convert.crop, "Convert only this rectangle of the frame")
        ->type_name("X,Y,W,H");
    convertCmd->add_option("--rate", convert.rate, "Recording rate, frames per second (50000, 50k)")
        ->type_name("R");
    convertCmd->add_flag("--timestamps", convert.request.timestamps,
                         "Write NAME.frames.csv: index, number, time and file of every frame");
    convertCmd->add_option("-j,--jobs", convert.request.jobs, "Worker threads (default: one per core)")
        ->type_name("N")
        ->check(WholeNumber(1))
        ->default_str("");
    convertCmd->add_flag("-q,--quiet", convert.quiet, "No progress bar and no summary");
    convertCmd->add_flag("--skip-existing", convert.request.skipExisting,
                         "Keep frame files (or the stack) already complete from an earlier run");
    convertCmd->add_flag("--stack", convert.request.stack,
                         "One multi-page TIFF per recording instead of one file per frame");
    convertCmd->add_flag("--bigtiff", convert.request.bigtiff,
                         "Write the stack as BigTIFF even below 4 GiB");
    convertCmd->add_flag("--manifest", convert.request.manifest,
                         "Write NAME.manifest.json with the size and SHA-256 of every file");

    ExportCommand exportCommand(app);

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
    demoCmd->add_option("--first-number", demo.firstNumber,
                        "Recorded number of frame 0 (negative: frames before the trigger)")
        ->type_name("N")
        ->check(WholeNumber());

    if (const int status = ParseArguments(app, argc, argv); status >= 0) {
        return status;
    }
    try {
        if (infoCmd->parsed()) {
            return RunInfo(info);
        }
        if (convertCmd->parsed()) {
            return RunConvertCommand(convert);
        }
        if (exportCommand.Parsed()) {
            return exportCommand.Run();
        }
        if (verifyCmd->parsed()) {
            return RunVerify(manifests, stdout, stderr);
        }
        return RunDemo(demo);
    } catch (const std::bad_alloc&) {
        const std::string& file = infoCmd->parsed()      ? info.file
                                  : convertCmd->parsed() ? convert.request.recordings.front()
                                  : exportCommand.Parsed() ? exportCommand.FirstRecording()
                                                         : demo.file;
        return Fail(file + ": out of memory");
    }
}
