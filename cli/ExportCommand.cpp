// SPDX-License-Identifier: BSD-3-Clause
#include "cli/ExportCommand.h"

#include "cli/Escape.h"
#include "cli/FrameOptions.h"
#include "cli/Progress.h"
#include "cli/Usage.h"
#include "convert/Signals.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitInterrupted = 130;

std::atomic<bool> g_exportInterrupted{false};

int Failure(const std::string& message) {
    std::fprintf(stderr, "quorvane-cli: %s\n", PrintableName(message).c_str());
    return kExitFailure;
}

} // namespace

ExportCommand::ExportCommand(CLI::App& app) {
    m_command = app.add_subcommand(
        "export", "Write a video, a PNG sequence or an OME-TIFF stack");
    CLI::App* c = m_command;
    c->add_option("FILE", m_request.recordings, "Recordings (.vrn)")->required();
    c->add_option("-o,--output", m_request.output,
                  "Output file (.mp4 .mkv .avi .png .ome.tif), or a folder DIR/")
        ->type_name("OUT")
        ->required();
    c->add_option("--format", m_format, "Output format (default: from OUT's extension)")
        ->type_name("mp4|mkv|avi|png|ome-tiff");
    c->add_option("--first", m_first,
                  "First frame: an index (12), a recorded number (#-476) or a time (-240us)")
        ->type_name("FRAME")
        ->default_str("0");
    c->add_option("--last", m_last, "Last frame, inclusive (default: the last)")->type_name("FRAME");
    c->add_option("--step", m_request.step, "Keep every Nth frame of the range")
        ->type_name("N")
        ->check(WholeNumber(1));
    c->add_option("--crop", m_crop, "Export only this rectangle of the frame")
        ->type_name("X,Y,W,H");
    c->add_option("--rate", m_rate, "Recording rate, frames per second (50000, 50k)")
        ->type_name("R");
    c->add_option("--fps", m_request.fps, "Playback rate of a video: a number or rate/N")
        ->type_name("P");
    c->add_option("--quality", m_request.quality, "H.264 quality (CRF), 0 best to 51")
        ->type_name("Q")
        ->check(WholeNumber(0));
    c->add_option("--range", m_range, "8-bit mapping: standard, auto, LO%,HI% or LO,HI")
        ->type_name("RANGE")
        ->default_str("standard");
    c->add_option("-b,--bits", m_request.bits, "PNG bits per sample, 16 or 8")
        ->type_name("N")
        ->check(OneOf({"16", "8"}));
    c->add_option("--overlay", m_overlay, "Burn into 8-bit outputs: number, time, scale")
        ->type_name("LIST");
    c->add_option("--scale", m_scale, "Spatial scale, e.g. 412=10mm")->type_name("PIXELS=LENGTH");
    c->add_flag("--bigtiff", m_request.bigtiff, "Write the OME-TIFF stack as BigTIFF even below 4 GiB");
    c->add_option("-j,--jobs", m_request.jobs, "Worker threads (default: one per core)")
        ->type_name("N")
        ->check(WholeNumber(1))
        ->default_str("");
    c->add_flag("-q,--quiet", m_quiet, "No progress bar and no summary");
    c->add_flag("--manifest", m_request.manifest,
                "Write NAME.manifest.json with the size and SHA-256 of every file");
}

std::string ExportCommand::ReadOptions() {
    ExportRequest& r = m_request;
    std::string error;
    if (m_format) {
        ExportFormat format{};
        if (!ParseExportFormat(*m_format, format, error)) {
            return error;
        }
        r.format = format;
    }
    if (m_crop) {
        CropRect crop;
        if (!ParseCrop(*m_crop, crop, error)) {
            return error;
        }
        r.crop = crop;
    }
    if (m_range && !ParseExportRange(*m_range, r.range, error)) {
        return error;
    }
    if (m_overlay && !ParseOverlay(*m_overlay, r.overlay, error)) {
        return error;
    }
    if (m_scale) {
        Scale scale;
        if (!ParseScale(*m_scale, scale, error)) {
            return "--scale: " + error;
        }
        r.scale = scale;
    }
    for (const std::string& problem :
         {ReadFrameOption("--first", m_first, r.rate.has_value(), r.first, r.firstFrame),
          ReadFrameOption("--last", m_last, r.rate.has_value(), r.last, r.lastFrame)}) {
        if (!problem.empty()) {
            return problem;
        }
    }
    return CheckExport(r);
}

int ExportCommand::Run() {
    if (!ReadRateOption(m_rate, m_request.rate, "export")) {
        return kExitUsage;
    }
    if (const std::string problem = ReadOptions(); !problem.empty()) {
        return Usage(problem, "export");
    }
    InstallInterruptHandlers(&g_exportInterrupted);
    std::optional<ProgressBar> bar;
    ExportHooks hooks;
    hooks.cancel = &g_exportInterrupted;
    hooks.warning = [](const std::string& file, const std::string& message) {
        std::fprintf(stderr, "quorvane-cli: %s: %s\n", PrintableName(file).c_str(),
                     PrintableName(message).c_str());
    };
    hooks.started = [&](const std::string&) { bar.emplace(stderr, !m_quiet && isatty(2) != 0); };
    hooks.progress = [&](int64_t done, int64_t total) {
        if (bar) {
            bar->Update(done, total);
        }
    };
    hooks.finished = [&](const ExportReport& report) {
        bar.reset();
        if (report.status == ExportReport::Status::Refused) {
            Usage(report.message, "export");
        } else if (report.status == ExportReport::Status::Failed) {
            Failure(report.message);
        } else if (report.status == ExportReport::Status::Cancelled) {
            std::fprintf(stderr, "quorvane-cli: %s: interrupted; %zu complete %s kept\n",
                         PrintableName(report.recording).c_str(), report.files.size(),
                         report.files.size() == 1 ? "file" : "files");
        }
    };
    const ExportSummary summary = RunExport(m_request, hooks);
    if (summary.refused) {
        return kExitUsage;
    }
    if (m_request.recordings.size() == 1 && !summary.failed.empty()) {
        return kExitFailure;
    }
    if (!m_quiet) {
        std::printf("%s\n", PrintableName(ExportSummaryLine(m_request, summary)).c_str());
    }
    if (summary.cancelled) {
        std::fflush(stdout);
        std::fflush(stderr);
        const int raised = ReRaiseReceivedSignal();
        return raised != 0 ? raised : kExitInterrupted;
    }
    return summary.failed.empty() ? 0 : kExitFailure;
}
