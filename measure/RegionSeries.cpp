// SPDX-License-Identifier: BSD-3-Clause
#include "measure/RegionSeries.h"

#include "measure/FetchAhead.h"

#include "recording/TimeBase.h"
#include "recording/VornReader.h"

#include <memory>
#include <new>

namespace {

SeriesResult Outcome(SeriesStatus status, std::string message, int64_t frames = 0) {
    return {status, std::move(message), frames};
}

// Empty when first..last by step lies in 0..count-1 (last already resolved).
std::string CheckRange(int first, int last, int step, int32_t count) {
    if (step < 1) {
        return "step " + std::to_string(step) + " must be at least 1";
    }
    const std::string frames = "the recording has frames 0.." + std::to_string(count - 1);
    if (first < 0 || first >= count) {
        return "first frame " + std::to_string(first) + " is outside the recording (" + frames +
               ")";
    }
    if (last < 0 || last >= count) {
        return "last frame " + std::to_string(last) + " is outside the recording (" + frames + ")";
    }
    if (last < first) {
        return "last frame " + std::to_string(last) + " comes before first frame " +
               std::to_string(first);
    }
    return {};
}

// Empty when the region fits the frames and the range the recording.
std::string CheckRequest(const SeriesRequest& request, int last, const VornReader& reader) {
    const auto [width, height] = reader.GetFrameSize();
    std::string problem = CheckRegion(request.region, width, height);
    return problem.empty() ? CheckRange(request.first, last, request.step, reader.GetFrameCount())
                           : problem;
}

} // namespace

SeriesResult ScanRegionSeries(const SeriesRequest& request,
                              const std::function<bool(const RegionSample&)>& frame) {
    VornReader reader;
    if (!reader.Open(request.recording.c_str(), request.correction ? 1 : 0)) {
        return Outcome(SeriesStatus::Failed,
                       "cannot open " + request.recording + ": " + VornErrorText(reader.error));
    }
    const auto [width, height] = reader.GetFrameSize();
    const int32_t count = reader.GetFrameCount();
    const int last = request.last == -1 ? count - 1 : request.last;
    if (std::string problem = CheckRequest(request, last, reader); !problem.empty()) {
        return Outcome(SeriesStatus::Refused, std::move(problem));
    }

    const TimeBase times(reader.firstFrameNo, count, request.rate);
    const int64_t samples = int64_t{width} * height;
    std::unique_ptr<uint16_t[]> buffer;
    try {
        buffer = std::make_unique_for_overwrite<uint16_t[]>(static_cast<size_t>(samples));
    } catch (const std::bad_alloc&) {
        return Outcome(SeriesStatus::Failed, request.recording + ": out of memory");
    }
    RegionAccumulator accumulator(request.region, width);
    const uint16_t* base = buffer.get();
    const FramePieceSink sink = [&](int64_t begin, int64_t end) {
        accumulator.Add(base, begin, end);
        return true;
    };

    // Only the region's rows are read and decoded; the next frame's bytes
    // are read while this one is decoded and summed.
    const int64_t rowsBegin = int64_t{request.region.y} * width;
    const int64_t rowsEnd = (int64_t{request.region.y} + request.region.height) * width;
    const int64_t frames = (last - request.first) / request.step + 1;
    FetchAhead ahead(frames, [&](int64_t n, FetchSlot& slot) {
        slot.begin = rowsBegin;
        slot.end = rowsEnd;
        const auto index = static_cast<int32_t>(request.first + n * request.step);
        slot.result = reader.FetchStored(slot.bytes, index, slot.begin, slot.end);
        return slot.result == samples * 2;
    });
    int64_t done = 0;
    for (int64_t n = 0; n < frames; ++n) {
        const auto at = static_cast<int32_t>(request.first + n * request.step);
        FetchSlot& slot = ahead.Next();
        if (slot.result != samples * 2) {
            return Outcome(SeriesStatus::Failed,
                           request.recording + ": frame " + std::to_string(at) +
                               " could not be read whole",
                           done);
        }
        accumulator.Reset();
        reader.DecodeStored(buffer.get(), slot.bytes.get(), slot.begin, slot.end, sink);
        ahead.Release();
        RegionSample sample;
        sample.index = at;
        sample.number = times.NumberOf(at);
        sample.seconds = times.TimeOf(at);
        sample.stats = accumulator.Result();
        if (!frame(sample)) {
            return Outcome(SeriesStatus::Cancelled, {}, done);
        }
        ++done;
    }
    return Outcome(SeriesStatus::Done, {}, done);
}
