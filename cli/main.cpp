// quorvane-cli: headless access to VORN recordings.
//   info FILE [--json]          what the recording holds
//   convert FILE [-o PATH] ...  one TIFF file per frame
//   demo OUT.vrn ...            write a synthetic recording
// Exit status: 0 done, 1 failure (one line on stderr), 2 usage error,
// 130 interrupted.

#include "cli/ConvertJob.h"
#include "cli/Demo.h"
#include "cli/Info.h"
#include "cli/Progress.h"
#include "cli/Usage.h"
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

// Set by SIGINT; the only state a signal handler may touch.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    g_interrupted.store(true);
}

void InstallInterruptHandler() {
#ifdef _WIN32
    std::signal(SIGINT, OnInterrupt);
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // A second Ctrl-C ends the program at once.
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigaction(SIGINT, &action, nullptr);
#endif
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "quorvane-cli: %s\n", message.c_str());
    return kExitFailure;
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

    InstallInterruptHandler();
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
        if (!args.quiet) {
            std::fprintf(stderr, "quorvane-cli: interrupted; the files written so far remain\n");
        }
        return kExitInterrupted;
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
    std::printf("%s: %d frames of %d x %d, %s, %s-endian, correction %s\n", args.file.c_str(),
                options.frames, options.width, options.height, args.layout.c_str(),
                args.byteOrder.c_str(), args.correction.c_str());
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
    convertCmd->add_option("FILE", convert.file, "Recording (.vrn)")->required();
    convertCmd->add_option("-o,--output", convert.output,
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
