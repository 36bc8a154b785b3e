// SPDX-License-Identifier: BSD-3-Clause
// One encoder and one muxer per video file. Write copies each frame into a
// picture that a thread of the sink encodes while the caller prepares the
// next; the packets go straight to the muxer (one stream, so no interleaving
// is needed), and Finish drains the encoder before the trailer is written
// and the file renamed into place.
#include "export/VideoSink.h"

#include "QuorvaneVersion.h"
#include "convert/ConvertJob.h"
#include "export/VideoFile.h"
#include "export/VideoModule.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFpsPrecision = 100000; // largest numerator/denominator of the frame rate
constexpr int kMjpegQscale = 2;        // near-lossless JPEG quality (1 best .. 31)
constexpr uint8_t kNeutralChroma = 128;
constexpr double kMatroskaMaxFps = 1000;
// Pictures in turn: one being filled by Write, one waiting, one encoding.
constexpr int kPictures = 3;

std::string AvText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct FormatFree {
    void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
struct EncoderFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

bool IsVideo(ExportFormat format) {
    return format == ExportFormat::Mp4 || format == ExportFormat::Mkv ||
           format == ExportFormat::Avi;
}

// The pixel formats a format's frames may take, best first. 8-bit outputs
// carry the grey as luma with neutral chroma when the encoder has no grey.
std::vector<AVPixelFormat> PixelChoices(ExportFormat format) {
    switch (format) {
    case ExportFormat::Mp4:
        return {AV_PIX_FMT_GRAY8, AV_PIX_FMT_YUV420P};
    case ExportFormat::Avi:
        return {AV_PIX_FMT_GRAY8, AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV420P};
    default:
        return {AV_PIX_FMT_GRAY16LE};
    }
}

AVPixelFormat ChoosePixels(const AVCodec* encoder, ExportFormat format) {
    for (AVPixelFormat wanted : PixelChoices(format)) {
        if (encoder->pix_fmts == nullptr)
            return wanted;
        for (const AVPixelFormat* p = encoder->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == wanted)
                return wanted;
    }
    return AV_PIX_FMT_NONE;
}

// The smallest FFV1 slice count (a grid of v x h slices, v <= h < 2v) that
// gives every thread at least one slice.
int Ffv1Slices(int threads) {
    for (int v = 2; v < 8; ++v)
        for (int h = v; h < 2 * v; ++h)
            if (v * h >= threads)
                return v * h;
    return 64;
}

// Encoder threads for `jobs` cores, as the encoders pick them for all cores:
// x264 keeps half as many frames again in flight to hide its serial parts
// (0: its own choice, with lookahead threads, when all cores are given), and
// FFmpeg's slice threads take one more than the cores.
int EncoderThreads(ExportFormat format, int jobs) {
    jobs = std::max(1, jobs);
    if (jobs == 1)
        return 1;
    if (format != ExportFormat::Mp4)
        return jobs + 1;
    return unsigned(jobs) >= std::thread::hardware_concurrency() ? 0 : jobs * 3 / 2;
}

class VideoSink final : public FrameSink {
public:
    VideoSink(const SinkSetup& setup, VideoCodec codec) : m_setup(setup), m_codec(std::move(codec)) {}
    ~VideoSink() override { Abandon(); }
    VideoSink(const VideoSink&) = delete;
    VideoSink& operator=(const VideoSink&) = delete;

    bool Start();

    bool WantsGrey() const override { return m_setup.format != ExportFormat::Mkv; }
    bool Write(const ExportFrame& frame) override;
    bool Finish() override;
    void Abandon() override;
    std::string Error() const override {
        std::lock_guard lock(m_mutex);
        return m_error;
    }
    std::vector<std::string> Files() const override { return m_files; }

private:
    bool CheckSetup();
    bool OpenEncoder(const AVCodec* encoder, AVPixelFormat pixels);
    void SetEncoderOptions(AVDictionary** options) const;
    bool OpenMuxer(const AVOutputFormat* muxer);
    bool Fill(const ExportFrame& frame, AVFrame& picture);
    void FillGrey(const uint8_t* grey, AVFrame& picture) const;
    void FillSamples(const uint16_t* samples, AVFrame& picture) const;
    void EncodeLoop();
    void StopEncoding();
    bool Encode(const AVFrame* picture);
    bool Drain();
    bool Complete();
    // Records why `what` failed: the file's errno when a write failed (the
    // library only knows it as an I/O error), else the library's text.
    bool Fail(const std::string& what, int code);
    bool FailText(const std::string& text);
    std::string EncoderName() const { return "the " + m_codec.encoderKind + " encoder " + m_codec.encoder; }

    SinkSetup m_setup;
    VideoCodec m_codec;
    AVRational m_fps{30, 1};
    VideoFile m_file;
    std::unique_ptr<AVFormatContext, FormatFree> m_muxer;
    std::unique_ptr<AVCodecContext, EncoderFree> m_encoder;
    std::array<std::unique_ptr<AVFrame, FrameFree>, kPictures> m_pictures;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    AVStream* m_stream = nullptr;
    int64_t m_next = 0; // the next frame's timestamp in the encoder's time base
    bool m_done = false;
    std::vector<std::string> m_files;

    // The encoding thread takes the pictures Write fills, so the caller
    // prepares the next frame while one is encoded. Only it uses the encoder,
    // muxer and file until it has stopped.
    std::thread m_encoding;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    const AVFrame* m_waiting = nullptr; // handed over, not yet taken
    bool m_closing = false;
    std::atomic<bool> m_failed{false};
    std::string m_error;
};

bool VideoSink::FailText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (!m_failed)
        m_error = text;
    m_failed = true;
    m_changed.notify_all();
    return false;
}

bool VideoSink::Fail(const std::string& what, int code) {
    if (m_file.Error() != 0)
        return FailText("cannot write " + m_setup.path + ": " +
                        DescribeWriteFailure(m_setup.path, m_file.Error()));
    return FailText(what + ": " + AvText(code));
}

bool VideoSink::CheckSetup() {
    if (!IsVideo(m_setup.format))
        return FailText("not a video format");
    if (m_setup.width <= 0 || m_setup.height <= 0)
        return FailText("the frames have no size");
    if (!std::isfinite(m_setup.fps) || m_setup.fps <= 0)
        return FailText("the frame rate must be above 0");
    // Matroska's timestamps count milliseconds: faster frames would collide.
    if (m_setup.format == ExportFormat::Mkv && m_setup.fps > kMatroskaMaxFps)
        return FailText("Matroska keeps times in milliseconds: the frame rate must be at most 1000");
    m_fps = av_d2q(m_setup.fps, kFpsPrecision);
    if (m_fps.num <= 0 || m_fps.den <= 0)
        return FailText("the frame rate must be above 0");
    return true;
}

bool VideoSink::Start() {
    if (!CheckSetup())
        return false;
    const AVOutputFormat* muxer = av_guess_format(m_codec.muxer.c_str(), nullptr, nullptr);
    if (muxer == nullptr)
        return FailText("the " + m_codec.muxerKind + " muxer " + m_codec.muxer +
                        " is not in the installed FFmpeg libraries");
    const AVCodec* encoder = avcodec_find_encoder_by_name(m_codec.encoder.c_str());
    if (encoder == nullptr || encoder->type != AVMEDIA_TYPE_VIDEO)
        return FailText(EncoderName() + " is not in the installed FFmpeg libraries");
    const AVPixelFormat pixels = ChoosePixels(encoder, m_setup.format);
    if (pixels == AV_PIX_FMT_NONE)
        return FailText(EncoderName() + " cannot take " +
                        (m_setup.format == ExportFormat::Mkv ? "16-bit" : "8-bit") + " grey");
    if (avformat_query_codec(muxer, encoder->id, FF_COMPLIANCE_NORMAL) != 1)
        return FailText("the " + m_codec.muxerKind + " muxer " + m_codec.muxer +
                        " cannot store what " + EncoderName() + " writes");
    return OpenEncoder(encoder, pixels) && OpenMuxer(muxer);
}

void VideoSink::SetEncoderOptions(AVDictionary** options) const {
    switch (m_setup.format) {
    case ExportFormat::Mp4:
        av_dict_set(options, "preset", "veryfast", 0);
        av_dict_set_int(options, "crf", m_setup.quality, 0);
        break;
    case ExportFormat::Mkv:
        // Version 3 codes slices independently, so each thread takes some.
        av_dict_set(options, "level", "3", 0);
        if (m_setup.jobs > 1)
            av_dict_set_int(options, "slices",
                            Ffv1Slices(EncoderThreads(m_setup.format, m_setup.jobs)), 0);
        break;
    default:
        break;
    }
}

bool VideoSink::OpenEncoder(const AVCodec* encoder, AVPixelFormat pixels) {
    m_encoder.reset(avcodec_alloc_context3(encoder));
    m_packet.reset(av_packet_alloc());
    if (!m_encoder || !m_packet)
        return Fail("cannot start " + EncoderName(), AVERROR(ENOMEM));
    AVCodecContext& c = *m_encoder;
    c.width = VideoPaddedSize(m_setup, m_setup.width);
    c.height = VideoPaddedSize(m_setup, m_setup.height);
    c.pix_fmt = pixels;
    c.time_base = av_inv_q(m_fps);
    c.framerate = m_fps;
    c.sample_aspect_ratio = AVRational{1, 1};
    c.thread_count = EncoderThreads(m_setup.format, m_setup.jobs);
    // The grey spans 0..255 (the display's mapping), not video's 16..235.
    if (pixels != AV_PIX_FMT_GRAY16LE)
        c.color_range = AVCOL_RANGE_JPEG;
    if (m_setup.format == ExportFormat::Avi) {
        c.flags |= AV_CODEC_FLAG_QSCALE;
        c.global_quality = FF_QP2LAMBDA * kMjpegQscale;
    }
    const AVOutputFormat* muxer = av_guess_format(m_codec.muxer.c_str(), nullptr, nullptr);
    if (muxer != nullptr && (muxer->flags & AVFMT_GLOBALHEADER) != 0)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    SetEncoderOptions(&options);
    const int opened = avcodec_open2(&c, encoder, &options);
    av_dict_free(&options);
    if (opened < 0)
        return Fail("cannot start " + EncoderName(), opened);
    for (auto& picture : m_pictures) {
        picture.reset(av_frame_alloc());
        if (!picture)
            return Fail("cannot start " + EncoderName(), AVERROR(ENOMEM));
        picture->format = pixels;
        picture->width = c.width;
        picture->height = c.height;
        const int allocated = av_frame_get_buffer(picture.get(), 0);
        if (allocated < 0)
            return Fail("cannot start " + EncoderName(), allocated);
    }
    return true;
}

bool VideoSink::OpenMuxer(const AVOutputFormat* muxer) {
    AVFormatContext* context = nullptr;
    int result = avformat_alloc_output_context2(&context, muxer, nullptr, m_setup.path.c_str());
    m_muxer.reset(context);
    if (result < 0 || !m_muxer)
        return Fail("cannot start the " + m_codec.muxerKind + " file", result);
    m_stream = avformat_new_stream(m_muxer.get(), nullptr);
    if (m_stream == nullptr)
        return Fail("cannot start the " + m_codec.muxerKind + " file", AVERROR(ENOMEM));
    result = avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get());
    if (result < 0)
        return Fail("cannot start the " + m_codec.muxerKind + " file", result);
    m_stream->time_base = m_encoder->time_base;
    m_stream->avg_frame_rate = m_fps;
    m_stream->r_frame_rate = m_fps;
    if (!m_file.Open(m_setup.path))
        return FailText("cannot write " + m_setup.path + ": " +
                        DescribeWriteFailure(m_setup.path, m_file.Error()));
    m_muxer->pb = m_file.Context();
    m_muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    result = avformat_write_header(m_muxer.get(), nullptr);
    if (result < 0)
        return Fail("cannot start the " + m_codec.muxerKind + " file", result);
    m_encoding = std::thread([this] { EncodeLoop(); });
    return true;
}

void VideoSink::FillGrey(const uint8_t* grey, AVFrame& f) const {
    const int w = m_setup.width;
    const int h = m_setup.height;
    for (int y = 0; y < f.height; ++y) {
        uint8_t* row = f.data[0] + ptrdiff_t(y) * f.linesize[0];
        if (y < h) {
            std::memcpy(row, grey + ptrdiff_t(y) * w, size_t(w));
            std::memset(row + w, 0, size_t(f.width - w)); // the padding column is black
        } else {
            std::memset(row, 0, size_t(f.width));
        }
    }
    if (f.format == AV_PIX_FMT_GRAY8)
        return;
    const int chromaHeight = (f.height + 1) / 2;
    for (int plane = 1; plane < 3; ++plane)
        std::memset(f.data[plane], kNeutralChroma, size_t(f.linesize[plane]) * size_t(chromaHeight));
}

void VideoSink::FillSamples(const uint16_t* samples, AVFrame& f) const {
    const size_t rowBytes = size_t(m_setup.width) * sizeof(uint16_t);
    for (int y = 0; y < m_setup.height; ++y)
        std::memcpy(f.data[0] + ptrdiff_t(y) * f.linesize[0], samples + ptrdiff_t(y) * m_setup.width,
                    rowBytes);
}

bool VideoSink::Fill(const ExportFrame& frame, AVFrame& picture) {
    const bool grey = WantsGrey();
    if ((grey && frame.grey == nullptr) || (!grey && frame.samples == nullptr))
        return FailText("frame " + std::to_string(frame.index) + " has no samples");
    // The encoder may still hold a reference to this picture's buffer.
    const int writable = av_frame_make_writable(&picture);
    if (writable < 0)
        return FailText(EncoderName() + " failed: " + AvText(writable));
    if (grey)
        FillGrey(frame.grey, picture);
    else
        FillSamples(frame.samples, picture);
    return true;
}

// Picture k is filled while k - 1 waits and k - 2 is encoded: the encoding
// thread took k - 2 before k - 1 was handed over, so it is done with k - 3,
// the picture that is filled again.
bool VideoSink::Write(const ExportFrame& frame) {
    if (m_failed || m_done || !m_encoder)
        return false;
    AVFrame& picture = *m_pictures[size_t(m_next % kPictures)];
    if (!Fill(frame, picture))
        return false;
    picture.pts = m_next++;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_waiting == nullptr || m_failed; });
    if (m_failed)
        return false;
    m_waiting = &picture;
    m_changed.notify_all();
    return true;
}

void VideoSink::EncodeLoop() {
    for (;;) {
        const AVFrame* picture = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_waiting != nullptr || m_closing; });
            if (m_waiting == nullptr || m_failed)
                return;
            picture = m_waiting;
            m_waiting = nullptr;
            m_changed.notify_all();
        }
        if (!Encode(picture))
            return;
    }
}

void VideoSink::StopEncoding() {
    if (!m_encoding.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        m_changed.notify_all();
    }
    m_encoding.join();
}

// Sends a picture (null: the end) and writes the packets that are ready.
bool VideoSink::Encode(const AVFrame* picture) {
    const int sent = avcodec_send_frame(m_encoder.get(), picture);
    if (sent < 0)
        return Fail(EncoderName() + " failed", sent);
    return Drain();
}

bool VideoSink::Drain() {
    for (;;) {
        const int received = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received < 0)
            return Fail(EncoderName() + " failed", received);
        m_packet->duration = 1; // one frame, in the encoder's time base
        av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        const int written = av_write_frame(m_muxer.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (written < 0)
            return Fail("cannot write the " + m_codec.muxerKind + " file", written);
    }
}

bool VideoSink::Finish() {
    if (m_failed || m_done || !m_encoder)
        return false;
    StopEncoding();
    if (m_failed || !Complete()) {
        Abandon(); // nothing partial stays behind
        return false;
    }
    m_done = true;
    m_files = {m_setup.path};
    return true;
}

bool VideoSink::Complete() {
    if (!Encode(nullptr))
        return false;
    const int trailer = av_write_trailer(m_muxer.get());
    if (trailer < 0)
        return Fail("cannot complete the " + m_codec.muxerKind + " file", trailer);
    m_muxer->pb = nullptr;
    if (!m_file.Commit())
        return FailText("cannot write " + m_setup.path + ": " +
                        DescribeWriteFailure(m_setup.path, m_file.Error()));
    return true;
}

void VideoSink::Abandon() {
    StopEncoding();
    m_encoder.reset();
    if (m_muxer)
        m_muxer->pb = nullptr;
    m_muxer.reset();
    m_stream = nullptr;
    if (!m_done)
        m_file.Discard();
    if (!m_done)
        m_failed = true;
}

// The libraries' own messages (x264's statistics, muxer notes) would mix
// with the program's output; only their errors are let through.
void QuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

} // namespace

std::unique_ptr<FrameSink> CreateVideoSink(const SinkSetup& setup, const VideoCodec& codec,
                                           std::string& error) {
    QuietLibraries();
    auto sink = std::make_unique<VideoSink>(setup, codec);
    if (!sink->Start()) {
        error = sink->Error();
        return nullptr;
    }
    error.clear();
    return sink;
}

// The module's one exported symbol; everything else in it stays local, so
// its copies of the engine's code never stand in for the program's.
extern "C" __attribute__((visibility("default"))) const VideoModuleEntry* QuorvaneVideoModule() {
    static const VideoModuleEntry entry{QUORVANE_VERSION, sizeof(SinkSetup), &CreateVideoSink};
    return &entry;
}
