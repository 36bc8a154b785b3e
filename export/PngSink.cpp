// SPDX-License-Identifier: BSD-3-Clause
#include "export/PngSink.h"

#include "convert/ConvertJob.h"
#include "framework/SplitPath.h"
#include "image/ReplacingFile.h"
#include "recording/TimeBase.h"

#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct PngJob {
    int order = 0; // position in the sequence
    int index = 0;
    int64_t number = 0;
    std::optional<double> seconds;
    std::vector<uint8_t> pixels; // rows as the file stores them
};

struct WriteTarget {
    ReplacingFile* file;
    bool failed;
};

void WriteBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* target = static_cast<WriteTarget*>(png_get_io_ptr(png));
    if (!target->file->Write(data, length)) {
        target->failed = true;
        png_error(png, "write failed");
    }
}

void FlushNothing(png_structp) {}

void KeepError(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    *text = message;
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Everything libpng does for one file, in a function without objects to
// unwind, as libpng reports errors by longjmp.
bool EncodeRows(png_structp png, png_infop info, int width, int height, int bits, bool swap,
                png_textp texts, int textCount, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 bits, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kPngCompressionLevel);
    png_set_text(png, info, texts, textCount);
    png_write_info(png, info);
    if (swap) {
        png_set_swap(png); // 16-bit samples in the machine's little-endian order
    }
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

class PngSink final : public FrameSink {
public:
    PngSink(const SinkSetup& setup, std::string directory, std::string baseName, int bits)
        : m_width(setup.width), m_height(setup.height), m_bits(bits),
          m_directory(std::move(directory)), m_baseName(std::move(baseName)) {
        const int workers = std::max(1, setup.jobs);
        m_capacity = static_cast<std::size_t>(2 * workers);
        // One job compresses on the caller's thread, straight from the frame.
        m_inline = workers == 1;
        for (int w = 0; w < workers && !m_inline; ++w) {
            m_workers.emplace_back([this] { Work(); });
        }
    }

    ~PngSink() override {
        if (!m_done) {
            Abandon();
        }
    }

    bool WantsGrey() const override { return m_bits == 8; }

    bool Write(const ExportFrame& frame) override {
        if (m_inline) {
            if (m_failedOrder != INT_MAX) {
                return false;
            }
            const PngJob job{m_next++, frame.index, frame.number, frame.seconds, {}};
            const bool swap = m_bits == 16 && std::endian::native == std::endian::little;
            const auto* pixels = m_bits == 8 ? frame.grey
                                             : reinterpret_cast<const uint8_t*>(frame.samples);
            if (m_bits == 16 && !swap) {
                return false; // a big-endian machine would need the copying path
            }
            Process(job, pixels, swap);
            return m_failedOrder == INT_MAX;
        }
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_queue.size() < m_capacity || m_failedOrder != INT_MAX; });
        if (m_failedOrder != INT_MAX) {
            return false;
        }
        PngJob job{m_next++, frame.index, frame.number, frame.seconds, Spare()};
        lock.unlock();
        Fill(job.pixels, frame);
        lock.lock();
        m_queue.push_back(std::move(job));
        m_wake.notify_all();
        return true;
    }

    bool Finish() override {
        Stop(false);
        return m_failedOrder == INT_MAX;
    }

    void Abandon() override { Stop(true); }

    std::string Error() const override { return m_error; }

    std::vector<std::string> Files() const override { return m_kept; }

private:
    struct Written {
        std::string name;
        bool existed;
    };

    std::vector<uint8_t> Spare() {
        if (m_spare.empty()) {
            return {};
        }
        std::vector<uint8_t> buffer = std::move(m_spare.back());
        m_spare.pop_back();
        return buffer;
    }

    // The frame as the file's rows hold it: 16-bit samples big-endian.
    void Fill(std::vector<uint8_t>& pixels, const ExportFrame& frame) const {
        const std::size_t count = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
        pixels.resize(count * static_cast<std::size_t>(m_bits / 8));
        if (m_bits == 8) {
            std::copy_n(frame.grey, count, pixels.data());
            return;
        }
        uint8_t* out = pixels.data();
        for (std::size_t i = 0; i < count; ++i) {
            const uint16_t swapped = __builtin_bswap16(frame.samples[i]); // vectorises
            std::memcpy(out + 2 * i, &swapped, sizeof swapped);
        }
    }

    void Work() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return !m_queue.empty() || m_closing; });
            if (m_queue.empty() || m_stopping) {
                return;
            }
            PngJob job = std::move(m_queue.front());
            m_queue.pop_front();
            const bool wanted = job.order < m_failedOrder;
            lock.unlock();
            if (wanted) {
                Process(job, job.pixels.data(), false);
            }
            lock.lock();
            m_spare.push_back(std::move(job.pixels));
            m_wake.notify_all();
        }
    }

    // Writes one file and notes what became of it.
    void Process(const PngJob& job, const uint8_t* pixels, bool swap) {
        std::string name = FrameFileName(m_directory, m_baseName, job.index, "png");
        struct stat there {};
        const bool existed = ::lstat(name.c_str(), &there) == 0;
        std::string reason;
        const bool ok = Encode(job, pixels, swap, name, reason);
        std::lock_guard lock(m_mutex);
        if (ok) {
            m_written.emplace(job.order, Written{std::move(name), existed});
        } else if (job.order < m_failedOrder) {
            m_failedOrder = job.order;
            m_error = "frame " + std::to_string(job.index) + " (" + name + "): " + reason;
        }
    }

    bool Encode(const PngJob& job, const uint8_t* pixels, bool swap, const std::string& name,
                std::string& reason) const {
        ReplacingFile file;
        if (!file.Open(name.c_str())) {
            reason = DescribeWriteFailure(name, file.Error() != 0 ? file.Error() : errno);
            return false;
        }
        std::string frame = std::to_string(job.index);
        std::string number = std::to_string(job.number);
        std::string time = job.seconds ? SecondsText(*job.seconds) : std::string();
        std::string keys[] = {"frame", "number", "time"};
        png_text texts[3] = {};
        std::string* values[] = {&frame, &number, &time};
        for (int k = 0; k < 3; ++k) {
            texts[k].compression = PNG_TEXT_COMPRESSION_NONE;
            texts[k].key = keys[k].data();
            texts[k].text = values[k]->data();
            texts[k].text_length = values[k]->size();
        }
        const std::size_t rowBytes = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_bits / 8);
        std::vector<png_bytep> rows(static_cast<std::size_t>(m_height));
        for (std::size_t y = 0; y < rows.size(); ++y) {
            rows[y] = const_cast<png_bytep>(pixels + y * rowBytes);
        }
        std::string error;
        png_structp png =
            png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, KeepError, IgnoreWarning);
        png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
        WriteTarget target{&file, false};
        bool ok = info != nullptr;
        if (ok) {
            png_set_write_fn(png, &target, WriteBytes, FlushNothing);
            ok = EncodeRows(png, info, m_width, m_height, m_bits, swap, texts, job.seconds ? 3 : 2,
                            rows.data());
        }
        png_destroy_write_struct(&png, &info);
        if (ok && file.Commit()) {
            return true;
        }
        reason = target.failed || file.Error() != 0 || error.empty()
                     ? DescribeWriteFailure(name, file.Error())
                     : error;
        return false;
    }

    // Ends the workers (`abandon`: dropping frames not yet written) and keeps
    // the files of the first frames up to the first one missing.
    void Stop(bool abandon) {
        {
            std::lock_guard lock(m_mutex);
            if (m_done) {
                return;
            }
            m_done = true;
            m_closing = true;
            m_stopping = abandon;
            m_wake.notify_all();
        }
        m_workers.clear(); // joins
        int order = 0;
        for (auto& [at, file] : m_written) {
            if (at == order) {
                m_kept.push_back(file.name);
                ++order;
                continue;
            }
            std::error_code ec;
            if (!file.existed) {
                std::filesystem::remove(file.name, ec);
            }
        }
    }

    const int m_width;
    const int m_height;
    const int m_bits;
    const std::string m_directory;
    const std::string m_baseName;
    std::size_t m_capacity = 2;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<PngJob> m_queue;
    std::vector<std::vector<uint8_t>> m_spare;
    std::map<int, Written> m_written;
    std::vector<std::string> m_kept;
    int m_next = 0;
    int m_failedOrder = INT_MAX;
    std::string m_error;
    bool m_closing = false;
    bool m_stopping = false;
    bool m_done = false;
    bool m_inline = false;
    std::vector<std::jthread> m_workers;
};

} // namespace

std::unique_ptr<FrameSink> MakePngSink(const SinkSetup& setup, const std::string& directory,
                                       const std::string& baseName, int bits) {
    return std::make_unique<PngSink>(setup, directory, baseName, bits == 8 ? 8 : 16);
}
