// SPDX-License-Identifier: BSD-3-Clause
// Videos written by the sink, decoded again with libavformat/libavcodec.
#include "export/Export.h"
#include "export/VideoSink.h"
#include "recording/DemoRecording.h"
#include "recording/VornReader.h"

#include "FaultSupport.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstdlib>

namespace {

struct Decoded {
    std::string codec;
    int width = 0;
    int height = 0;
    double fps = 0;
    std::vector<std::vector<uint16_t>> frames; // plane 0 of each frame, width * height
};

void CopyPlane(const AVFrame& f, std::vector<uint16_t>& out) {
    const bool wide = f.format == AV_PIX_FMT_GRAY16LE || f.format == AV_PIX_FMT_GRAY10LE;
    out.resize(size_t(f.width) * size_t(f.height));
    for (int y = 0; y < f.height; ++y) {
        const uint8_t* row = f.data[0] + ptrdiff_t(y) * f.linesize[0];
        for (int x = 0; x < f.width; ++x)
            out[size_t(y) * size_t(f.width) + size_t(x)] =
                wide ? reinterpret_cast<const uint16_t*>(row)[x] : row[x];
    }
}

// Decodes every frame of the file's video stream; false when it cannot be read.
bool DecodeVideo(const std::string& path, Decoded& out) {
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0)
        return false;
    bool ok = avformat_find_stream_info(input, nullptr) >= 0;
    const AVCodec* codec = nullptr;
    const int index = ok ? av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0) : -1;
    AVCodecContext* decoder = index >= 0 ? avcodec_alloc_context3(codec) : nullptr;
    ok = decoder != nullptr &&
         avcodec_parameters_to_context(decoder, input->streams[index]->codecpar) >= 0 &&
         avcodec_open2(decoder, codec, nullptr) >= 0;
    if (ok) {
        out.codec = codec->name;
        out.width = decoder->width;
        out.height = decoder->height;
        out.fps = av_q2d(input->streams[index]->avg_frame_rate);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            out.frames.emplace_back();
            CopyPlane(*frame, out.frames.back());
        }
    };
    while (ok && av_read_frame(input, packet) >= 0) {
        if (packet->stream_index == index)
            ok = avcodec_send_packet(decoder, packet) >= 0;
        av_packet_unref(packet);
        receive();
    }
    if (ok && avcodec_send_packet(decoder, nullptr) >= 0)
        receive();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&input);
    return ok;
}

// Frames of a demo recording, decoded by the reader and cut to width x height.
std::vector<std::vector<uint16_t>> DemoFrames(const TempDir& dir, int count, int width, int height) {
    DemoOptions options;
    options.frames = count;
    options.width = 64;
    options.height = 48;
    const std::string path = dir / "demo.vrn";
    EXPECT_TRUE(WriteDemoRecording(path, options));
    VornReader reader;
    EXPECT_EQ(reader.Open(path.c_str(), 1), 1);
    std::vector<uint16_t> whole(64 * 48);
    std::vector<std::vector<uint16_t>> frames;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(reader.ReadFrame(whole.data(), i, int32_t(whole.size() * 2)), 64 * 48 * 2);
        auto& cut = frames.emplace_back(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y)
            std::copy_n(whole.begin() + y * 64, width, cut.begin() + y * width);
    }
    std::filesystem::remove(path);
    return frames;
}

SinkSetup VideoSetup(ExportFormat format, const std::string& path, int width, int height, double fps) {
    SinkSetup setup;
    setup.format = format;
    setup.path = path;
    setup.width = width;
    setup.height = height;
    setup.fps = fps;
    setup.jobs = 2;
    return setup;
}

// Writes `frames` through a new sink; the sink (finished or not) for more checks.
std::unique_ptr<FrameSink> WriteAll(const SinkSetup& setup, const std::vector<std::vector<uint16_t>>& frames,
                                    bool finish = true) {
    std::string error;
    auto sink = MakeVideoSink(setup, error);
    EXPECT_NE(sink, nullptr) << error;
    if (!sink)
        return nullptr;
    std::vector<uint8_t> grey;
    for (size_t i = 0; i < frames.size(); ++i) {
        grey.resize(frames[i].size());
        std::transform(frames[i].begin(), frames[i].end(), grey.begin(),
                       [](uint16_t v) { return uint8_t(v >> 2); });
        ExportFrame frame;
        frame.index = int(i);
        frame.samples = frames[i].data();
        frame.grey = sink->WantsGrey() ? grey.data() : nullptr;
        EXPECT_TRUE(sink->Write(frame)) << sink->Error();
    }
    if (finish) {
        EXPECT_TRUE(sink->Finish()) << sink->Error();
    }
    return sink;
}

// Mean absolute difference between a decoded frame (stride `stride`) and the
// 8-bit grey of `samples` over width x height; and the mean of what lies
// beyond (the padding).
std::pair<double, double> GreyError(const std::vector<uint16_t>& decoded, int stride, int rows,
                                    const std::vector<uint16_t>& samples, int width, int height) {
    double inside = 0, outside = 0;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < stride; ++x) {
            const double v = decoded[size_t(y) * size_t(stride) + size_t(x)];
            if (x < width && y < height)
                inside += std::abs(v - (samples[size_t(y) * size_t(width) + size_t(x)] >> 2));
            else
                outside += v;
        }
    }
    const double padding = double(stride) * rows - double(width) * height;
    return {inside / (double(width) * height), padding > 0 ? outside / padding : 0.0};
}

TEST(VideoSink, DecodesToTheFramesWritten) {
    struct Case {
        ExportFormat format;
        const char* name;
        int width, height;
        double fps;
        const char* codec;
        int decodedWidth, decodedHeight;
    };
    const Case cases[] = {
        {ExportFormat::Mp4, "even.mp4", 64, 48, 30, "h264", 64, 48},
        {ExportFormat::Mp4, "odd.mp4", 63, 47, 30000.0 / 1001, "h264", 64, 48},
        {ExportFormat::Mp4, "oddw.mp4", 63, 48, 2000, "h264", 64, 48},
        {ExportFormat::Mkv, "even.mkv", 64, 48, 25, "ffv1", 64, 48},
        {ExportFormat::Mkv, "odd.mkv", 63, 47, 12.5, "ffv1", 63, 47},
        {ExportFormat::Avi, "odd.avi", 63, 47, 30000.0 / 1001, "mjpeg", 63, 47},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frames = DemoFrames(dir, 17, c.width, c.height);
        const SinkSetup setup = VideoSetup(c.format, dir / c.name, c.width, c.height, c.fps);
        auto sink = WriteAll(setup, frames);
        ASSERT_NE(sink, nullptr);
        EXPECT_EQ(sink->Files(), std::vector<std::string>{setup.path});
        EXPECT_EQ(VideoPaddingNote(setup).empty(),
                  c.width == c.decodedWidth && c.height == c.decodedHeight);
        EXPECT_EQ(dir.Files(), std::vector<std::string>{c.name}); // no temporary left
        Decoded video;
        ASSERT_TRUE(DecodeVideo(setup.path, video));
        EXPECT_EQ(video.codec, c.codec);
        EXPECT_EQ(video.width, c.decodedWidth);
        EXPECT_EQ(video.height, c.decodedHeight);
        EXPECT_NEAR(video.fps, c.fps, c.fps * 1e-3);
        ASSERT_EQ(video.frames.size(), frames.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            if (c.format == ExportFormat::Mkv) {
                ASSERT_EQ(video.frames[i], frames[i]) << "frame " << i; // bit for bit
                continue;
            }
            const auto [error, padding] = GreyError(video.frames[i], video.width, video.height,
                                                    frames[i], c.width, c.height);
            EXPECT_LT(error, 2.5) << "frame " << i;
            EXPECT_LT(padding, 8.0) << "frame " << i; // black
        }
        std::filesystem::remove(setup.path);
    }
}

TEST(VideoSink, RefusesWhatItCannotWrite) {
    TempDir dir;
    struct Case {
        const char* name;
        SinkSetup setup;
        VideoCodec codec;
        std::string error;
    };
    const std::string missing = dir / "missing";
    auto with = [](VideoCodec codec, std::string VideoCodec::*field, const char* name) {
        codec.*field = name;
        return codec;
    };
    const VideoCodec h264 = VideoCodecFor(ExportFormat::Mp4);
    const SinkSetup mp4 = VideoSetup(ExportFormat::Mp4, dir / "a.mp4", 64, 48, 30);
    const Case cases[] = {
        {"no encoder", mp4, with(h264, &VideoCodec::encoder, "libnonesuch"),
         "the H.264 encoder libnonesuch is not in the installed FFmpeg libraries"},
        {"no muxer", mp4, with(h264, &VideoCodec::muxer, "nonesuch"),
         "the MP4 muxer nonesuch is not in the installed FFmpeg libraries"},
        {"no folder", VideoSetup(ExportFormat::Mkv, missing + "/a.mkv", 64, 48, 30),
         VideoCodecFor(ExportFormat::Mkv),
         "cannot write " + missing + "/a.mkv: folder " + missing + " does not exist"},
        {"no rate", VideoSetup(ExportFormat::Mp4, dir / "a.mp4", 64, 48, 0), h264,
         "the frame rate must be above 0"},
        {"too fast for Matroska", VideoSetup(ExportFormat::Mkv, dir / "a.mkv", 64, 48, 1001),
         VideoCodecFor(ExportFormat::Mkv),
         "Matroska keeps times in milliseconds: the frame rate must be at most 1000"},
        {"no 8-bit grey", mp4, with(h264, &VideoCodec::encoder, "r210"),
         "the H.264 encoder r210 cannot take 8-bit grey"},
        {"not in the container", mp4, with(h264, &VideoCodec::encoder, "ffv1"),
         "the MP4 muxer mp4 cannot store what the H.264 encoder ffv1 writes"},
        {"no size", VideoSetup(ExportFormat::Avi, dir / "a.avi", 0, 48, 30),
         VideoCodecFor(ExportFormat::Avi), "the frames have no size"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(MakeVideoSink(c.setup, c.codec, error), nullptr);
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(dir.Files().empty());
    }
}

// Nothing is left under any name by a sink given up on, whichever way, and
// a temporary a killed run left behind goes with the next export.
TEST(VideoSink, UnfinishedLeavesNothing) {
    TempDir dir;
    const auto frames = DemoFrames(dir, 5, 64, 48);
    for (const ExportFormat format : {ExportFormat::Mp4, ExportFormat::Mkv, ExportFormat::Avi}) {
        const std::string stale = dir / ".out.v.Ab12Cd";
        std::ofstream(stale) << "left by a killed run";
        const SinkSetup setup = VideoSetup(format, dir / "out.v", 64, 48, 30);
        auto abandoned = WriteAll(setup, frames, false);
        ASSERT_NE(abandoned, nullptr);
        EXPECT_EQ(dir.Files().size(), 1u); // its own temporary, the stale one gone
        abandoned->Abandon();
        EXPECT_TRUE(dir.Files().empty());
        EXPECT_FALSE(abandoned->Finish());
        EXPECT_TRUE(dir.Files().empty());
        WriteAll(setup, frames, false).reset(); // destroyed unfinished
        EXPECT_TRUE(dir.Files().empty());
    }
}

// A full disk fails the sink with the system's reason, on a Write or at the
// latest in Finish, and leaves nothing behind.
TEST(VideoSink, FullDiskFailsCleanly) {
    TempDir dir;
    const auto frames = DemoFrames(dir, 40, 64, 48);
    const std::string small = dir / "small";
    std::filesystem::create_directory(small);
    TmpfsMount mount(small, "8k");
    if (!mount.Ok())
        GTEST_SKIP() << mount.Why();
    std::string error;
    auto sink = MakeVideoSink(VideoSetup(ExportFormat::Mkv, small + "/v.mkv", 64, 48, 30), error);
    ASSERT_NE(sink, nullptr) << error;
    bool ok = true;
    for (size_t i = 0; ok && i < frames.size(); ++i) {
        ExportFrame frame;
        frame.samples = frames[i].data();
        ok = sink->Write(frame);
    }
    EXPECT_FALSE(ok && sink->Finish());
    EXPECT_EQ(sink->Error(), "cannot write " + small + "/v.mkv: No space left on device");
    sink->Abandon();
    EXPECT_TRUE(dir.Files("small").empty());
}

// Through the export engine: the frames of the step and crop, in order, and
// the note on padding said once.
TEST(VideoSink, ExportsCroppedSteppedFrames) {
    struct Case {
        const char* name;
        CropRect crop;
        int decodedWidth, decodedHeight;
        int notes;
    };
    const Case cases[] = {
        {"v.mkv", {3, 5, 41, 31}, 41, 31, 0},
        {"v.mp4", {3, 5, 41, 31}, 42, 32, 1},
    };
    TempDir dir;
    const std::string recording = dir / "shot.vrn";
    DemoOptions options;
    options.frames = 9;
    options.width = 64;
    options.height = 48;
    ASSERT_TRUE(WriteDemoRecording(recording, options));
    VornReader reader;
    ASSERT_EQ(reader.Open(recording.c_str(), 1), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExportRequest request;
        request.recordings = {recording};
        request.output = dir / c.name;
        request.step = 3;
        request.crop = c.crop;
        int notes = 0;
        ExportHooks hooks;
        hooks.warning = [&](const std::string&, const std::string& note) {
            notes += note == "H.264 needs even sizes: the 41 x 31 frames are padded to 42 x 32 "
                             "with a black column and row";
        };
        const ExportSummary summary = RunExport(request, hooks);
        ASSERT_EQ(summary.recordings.size(), 1u);
        ASSERT_EQ(summary.recordings[0].status, ExportReport::Status::Done)
            << summary.recordings[0].message;
        EXPECT_EQ(notes, c.notes);
        Decoded video;
        ASSERT_TRUE(DecodeVideo(request.output, video));
        EXPECT_EQ(video.width, c.decodedWidth);
        EXPECT_EQ(video.height, c.decodedHeight);
        ASSERT_EQ(video.frames.size(), 3u); // frames 0, 3 and 6
        std::vector<uint16_t> whole(64 * 48);
        for (int i = 0; i < 3; ++i) {
            ASSERT_GT(reader.ReadFrame(whole.data(), i * 3, int32_t(whole.size() * 2)), 0);
            std::vector<uint16_t> cut;
            for (int y = c.crop.y; y < c.crop.y + c.crop.height; ++y)
                cut.insert(cut.end(), whole.begin() + y * 64 + c.crop.x,
                           whole.begin() + y * 64 + c.crop.x + c.crop.width);
            if (video.codec == "ffv1") {
                EXPECT_EQ(video.frames[size_t(i)], cut) << "frame " << i * 3;
            } else {
                EXPECT_LT(GreyError(video.frames[size_t(i)], video.width, video.height, cut,
                                    c.crop.width, c.crop.height).first, 2.5);
            }
        }
    }
}

} // namespace
