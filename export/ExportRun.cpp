// SPDX-License-Identifier: BSD-3-Clause
// The per-recording loop of an export: resolve the range, look at the frames
// the display range needs, then decode each frame once, crop it, map it to
// grey with its overlay when the sink wants that, and hand it on.
#include "export/Export.h"

#include "convert/Conversion.h"
#include "convert/FrameDecoder.h"
#include "convert/Manifest.h"
#include "export/ExportPlan.h"
#include "export/GreyMap.h"
#include "export/OmeTiffSink.h"
#include "export/Overlay.h"
#include "export/PngSink.h"
#include "export/VideoSink.h"
#include "framework/SplitPath.h"
#include "recording/CVornDoc.h"
#include "recording/TimeBase.h"
#include "recording/VornReader.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <new>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Plan {
    std::string file;
    ExportFormat format = ExportFormat::Mkv;
    ExportTarget target;
    int first = 0;
    int last = 0;
    int step = 1;
    int64_t count = 0;
    int frameWidth = 0;
    CropRect crop;
    TimeBase time;
};

bool Cancelled(const ExportHooks& hooks) {
    return hooks.cancel != nullptr && hooks.cancel->load();
}

int JobCount(int asked) {
    if (asked > 0) {
        return asked;
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(cores > 0 ? cores : 1);
}

// The crop's samples, top row first: the frame itself when nothing is cut.
const uint16_t* Cropped(const uint16_t* samples, const Plan& plan, std::vector<uint16_t>& buffer) {
    const CropRect& c = plan.crop;
    if (c.x == 0 && c.width == plan.frameWidth) {
        return samples + static_cast<std::size_t>(c.y) * static_cast<std::size_t>(c.width);
    }
    buffer.resize(static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height));
    for (int y = 0; y < c.height; ++y) {
        const uint16_t* row =
            samples + static_cast<std::size_t>(c.y + y) * static_cast<std::size_t>(plan.frameWidth) +
            static_cast<std::size_t>(c.x);
        std::copy_n(row, c.width, buffer.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width));
    }
    return buffer.data();
}

// Decodes the exported frames in order and hands each, cropped, to `use`
// (the first only when `firstOnly`). False with `failure` set when a frame
// could not be read; true also when cancelled.
template <typename Use>
bool ForEachFrame(CVornDoc& doc, const Plan& plan, bool firstOnly, const ExportHooks& hooks,
                  std::string& failure, Use&& use) {
    FrameDecoder decoder(doc, 16, false);
    const int end = firstOnly ? plan.first + 1 : plan.last + 1;
    decoder.Start(plan.first, end, plan.step, [&](int) { return !Cancelled(hooks); });
    std::vector<uint16_t> buffer;
    while (const DecodedFrame* frame = decoder.Next()) {
        if (!frame->failure.empty()) {
            failure = plan.file + ": frame " + std::to_string(frame->index) + ": " + frame->failure;
            return false;
        }
        const bool more = use(frame->index, Cropped(frame->samples, plan, buffer));
        decoder.Release();
        if (!more) {
            break;
        }
    }
    return true;
}

std::unique_ptr<FrameSink> MakeSink(const ExportRequest& request, const Plan& plan,
                                    const SinkSetup& setup, std::string& error) {
    switch (plan.format) {
    case ExportFormat::Png:
        return MakePngSink(setup, plan.target.directory, plan.target.baseName, request.bits);
    case ExportFormat::OmeTiff: {
        OmeDescription description;
        description.name = OutputBaseName(plan.file);
        description.firstNumber = plan.time.NumberOf(plan.first);
        description.step = plan.step;
        if (request.scale) {
            description.unit = request.scale->unit;
            description.unitsPerPixel = request.scale->length / request.scale->pixels;
        }
        return MakeOmeTiffSink(setup, description, error);
    }
    case ExportFormat::Mp4:
    case ExportFormat::Mkv:
    case ExportFormat::Avi:
        break;
    }
    return MakeVideoSink(setup, error);
}

SinkSetup SetupOf(const ExportRequest& request, const Plan& plan) {
    SinkSetup setup;
    setup.format = plan.format;
    setup.path = plan.target.path;
    setup.width = plan.crop.width;
    setup.height = plan.crop.height;
    setup.frames = plan.count;
    std::string unused; // checked with the request
    ResolveFps(request.fps, request.rate, setup.fps, unused);
    setup.quality = request.quality;
    setup.jobs = JobCount(request.jobs);
    setup.rate = request.rate;
    if (request.scale) {
        setup.metresPerPixel = MetresPerPixel(*request.scale);
    }
    setup.bigtiff = request.bigtiff;
    return setup;
}

// The plan for one recording, or false with the report's status and message set.
bool PlanRecording(const ExportRequest& request, CVornDoc& doc, Plan& plan, ExportReport& report) {
    plan.format = ResolvedFormat(request);
    plan.target = ResolveExportTarget(request, plan.file);
    plan.time = TimeBase(doc.m_pReader->firstFrameNo, doc.m_nFrameCount, request.rate);
    plan.step = request.step;
    const FrameRangeRequest range{request.first, request.last, request.firstFrame,
                                  request.lastFrame};
    if (!ResolveFrameRange(range, plan.time, plan.file, plan.first, plan.last, report.message)) {
        report.status = ExportReport::Status::Refused;
        return false;
    }
    plan.count = (plan.last - plan.first) / plan.step + 1;
    plan.frameWidth = doc.m_nWidth;
    plan.crop = request.crop.value_or(CropRect{0, 0, doc.m_nWidth, doc.m_nHeight});
    if (const std::string problem = CropProblem(plan.crop, doc.m_nWidth, doc.m_nHeight);
        !problem.empty()) {
        report.status = ExportReport::Status::Refused;
        report.message = plan.file + ": " + problem;
        return false;
    }
    return true;
}

// Writes NAME.manifest.json for the files the sink put in place.
bool WriteExportManifest(const ExportRequest& request, const Plan& plan,
                         const std::vector<std::string>& files, RecordingHasher& hasher,
                         std::string& reason) {
    std::vector<ManifestFile> listed;
    int64_t order = 0;
    for (const std::string& path : files) {
        ManifestFile entry;
        const int index = plan.format == ExportFormat::Png
                              ? plan.first + static_cast<int>(order) * plan.step
                              : plan.first;
        entry.frame = index;
        entry.recorded = plan.time.NumberOf(index);
        entry.pages = plan.format == ExportFormat::Png ? 0 : static_cast<int>(plan.count);
        entry.path = path;
        if (!Sha256OfFile(path, entry.sha256, entry.size, reason)) {
            reason = "cannot read " + path + ": " + reason;
            return false;
        }
        listed.push_back(std::move(entry));
        ++order;
    }
    ManifestRun run;
    run.recording = plan.file;
    run.request.recording = plan.file;
    run.request.bits = request.bits;
    run.request.first = plan.first;
    run.request.last = plan.last;
    run.request.jobs = JobCount(request.jobs);
    run.bigtiff = request.bigtiff;
    run.output = request.output;
    run.rate = request.rate;
    run.format = ExportFormatName(plan.format);
    run.step = plan.step;
    run.crop = request.crop ? CropText(*request.crop) : std::string();
    const std::string path = ExportManifestPath(plan.target);
    if (!WriteManifest(path, run, hasher, listed, reason)) {
        reason = "cannot write " + path + ": " + reason;
        return false;
    }
    return true;
}

// The grey table for the run: the range as asked, over the frames it needs.
bool ChooseLut(const ExportRequest& request, CVornDoc& doc, const Plan& plan,
               const ExportHooks& hooks, DisplayLut& lut, std::string& failure) {
    RangeProbe probe;
    const bool all = RangeNeedsAllFrames(request.range);
    if (all || RangeNeedsFirstFrame(request.range)) {
        const std::size_t count =
            static_cast<std::size_t>(plan.crop.width) * static_cast<std::size_t>(plan.crop.height);
        if (!ForEachFrame(doc, plan, !all, hooks, failure, [&](int, const uint16_t* samples) {
                probe.Add(samples, count);
                return true;
            })) {
            return false;
        }
    }
    lut = probe.Lut(request.range);
    return true;
}

// Hands every frame of the plan to `sink`; false with `failure` set.
bool WriteFrames(const ExportRequest& request, CVornDoc& doc, const Plan& plan, FrameSink& sink,
                 const DisplayLut& lut, const ExportHooks& hooks, int64_t& done,
                 std::string& failure) {
    const bool grey = sink.WantsGrey();
    const std::size_t count =
        static_cast<std::size_t>(plan.crop.width) * static_cast<std::size_t>(plan.crop.height);
    std::vector<uint8_t> greyFrame(grey ? count : 0);
    auto tick = Clock::now();
    bool written = true;
    const bool decoded = ForEachFrame(doc, plan, false, hooks, failure, [&](int index, const uint16_t* samples) {
        ExportFrame frame;
        frame.index = index;
        frame.number = plan.time.NumberOf(index);
        frame.seconds = plan.time.TimeOf(index);
        frame.samples = samples;
        if (grey) {
            MapToGrey(samples, count, lut, greyFrame.data());
            BurnOverlay(greyFrame.data(), plan.crop.width, plan.crop.height, plan.crop.width,
                        request.overlay, {frame.index, frame.number, frame.seconds}, request.scale);
            frame.grey = greyFrame.data();
        }
        if (!sink.Write(frame)) {
            failure = plan.file + ": " + sink.Error();
            written = false;
            return false;
        }
        ++done;
        if (hooks.progress && Clock::now() - tick >= std::chrono::milliseconds(100)) {
            tick = Clock::now();
            hooks.progress(done, plan.count);
        }
        return true;
    });
    return decoded && written;
}

int64_t SizeOf(const std::vector<std::string>& files) {
    int64_t bytes = 0;
    for (const std::string& file : files) {
        std::error_code ec;
        const auto size = fs::file_size(file, ec);
        bytes += ec ? 0 : static_cast<int64_t>(size);
    }
    return bytes;
}

// Runs the plan through its sink and puts the outputs in place.
void RunPlan(const ExportRequest& request, CVornDoc& doc, const Plan& plan,
             const ExportHooks& hooks, ExportReport& report) {
    std::optional<RecordingHasher> hasher;
    if (request.manifest) {
        std::error_code ec;
        fs::remove(ExportManifestPath(plan.target), ec); // it stands for a finished run only
        hasher.emplace(plan.file, hooks.cancel);
    }
    DisplayLut lut = StandardLut();
    std::string error;
    std::unique_ptr<FrameSink> sink;
    if (ChooseLut(request, doc, plan, hooks, lut, error) && !Cancelled(hooks)) {
        const SinkSetup setup = SetupOf(request, plan);
        sink = MakeSink(request, plan, setup, error);
        if (sink == nullptr) {
            error = plan.file + ": " + error;
        } else if (const std::string note = VideoPaddingNote(setup); !note.empty() && hooks.warning) {
            hooks.warning(plan.file, note);
        }
    }
    if (sink != nullptr && WriteFrames(request, doc, plan, *sink, lut, hooks, report.frames, error) &&
        !Cancelled(hooks) && !sink->Finish()) {
        error = plan.file + ": " + sink->Error();
    }
    if (sink != nullptr && (!error.empty() || Cancelled(hooks))) {
        sink->Abandon();
    }
    if (sink != nullptr) {
        report.files = sink->Files();
    }
    report.bytes = SizeOf(report.files);
    if (!error.empty()) {
        report.status = ExportReport::Status::Failed;
        report.message = error;
    } else if (Cancelled(hooks)) {
        report.status = ExportReport::Status::Cancelled;
    } else if (hasher && !WriteExportManifest(request, plan, report.files, *hasher, error)) {
        report.status = ExportReport::Status::Failed;
        report.message = plan.file + ": " + error;
    }
    if (hooks.progress) {
        hooks.progress(report.frames, plan.count);
    }
}

ExportReport ExportOneRecording(const ExportRequest& request, const std::string& file,
                                const ExportHooks& hooks) {
    ExportReport report;
    report.recording = file;
    const auto start = Clock::now();
    try {
        CVornDoc doc;
        if (doc.OnOpenDocument(file.c_str()) == 0) {
            report.status = ExportReport::Status::Failed;
            report.message = "cannot open " + file + ": " + doc.GetOpenError();
            return report;
        }
        if (const std::string note = CorrectionWarning(*doc.m_pReader); !note.empty() && hooks.warning) {
            hooks.warning(file, note);
        }
        Plan plan;
        plan.file = file;
        if (!PlanRecording(request, doc, plan, report)) {
            return report;
        }
        if (hooks.started) {
            hooks.started(file);
        }
        RunPlan(request, doc, plan, hooks, report);
    } catch (const std::bad_alloc&) {
        report.status = ExportReport::Status::Failed;
        report.message = file + ": out of memory";
    }
    report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return report;
}

} // namespace

ExportSummary RunExport(const ExportRequest& request, const ExportHooks& hooks) {
    ExportSummary summary;
    summary.usageError = CheckExport(request);
    if (!summary.usageError.empty()) {
        return summary;
    }
    const ExportFormat format = ResolvedFormat(request);
    const ExportOverlay& overlay = request.overlay;
    if ((overlay.number || overlay.time || overlay.scale) && !EightBitOutput(request, format) &&
        hooks.warning) {
        hooks.warning(request.output, std::string("no overlay: ") + ExportFormatName(format) +
                                          (format == ExportFormat::Png ? " with 16 bits" : "") +
                                          " keeps the samples unchanged");
    }
    for (const std::string& file : request.recordings) {
        ExportReport report = ExportOneRecording(request, file, hooks);
        if (report.status != ExportReport::Status::Failed) {
            summary.files += static_cast<int64_t>(report.files.size());
            summary.frames += report.frames;
            summary.bytes += report.bytes;
        }
        summary.seconds += report.seconds;
        if (hooks.finished) {
            hooks.finished(report);
        }
        const ExportReport::Status status = report.status;
        summary.recordings.push_back(std::move(report));
        if (status == ExportReport::Status::Refused) {
            summary.refused = true;
            break;
        }
        if (status == ExportReport::Status::Cancelled) {
            summary.cancelled = true;
            break;
        }
        if (status == ExportReport::Status::Failed) {
            summary.failed.push_back(file);
        }
    }
    return summary;
}

std::string ExportSummaryLine(const ExportRequest& request, const ExportSummary& summary) {
    char text[160];
    const double megabytes =
        summary.seconds > 0 ? static_cast<double>(summary.bytes) / summary.seconds / 1e6 : 0.0;
    std::snprintf(text, sizeof text, "exported %lld frames: %lld %s, %lld bytes in %.2f s (%.1f MB/s)",
                  static_cast<long long>(summary.frames), static_cast<long long>(summary.files),
                  summary.files == 1 ? "file" : "files", static_cast<long long>(summary.bytes),
                  summary.seconds, megabytes);
    std::string line = text;
    if (!summary.failed.empty() && request.recordings.size() > 1) {
        line += "; failed:";
        for (std::size_t i = 0; i < summary.failed.size(); ++i) {
            line += (i == 0 ? " " : ", ") + summary.failed[i];
        }
    }
    return line;
}
