#include "simcard/source_reader.h"

#include "simcard/sim_clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace simcard {
namespace {

constexpr long kChunkFrames = 1024;
// A device may run this far ahead of the clock before the reader waits for the clock.
constexpr double kDeviceLeadSeconds = 0.25;
// A source that falls this far behind the clock (the machine slept, the thread was starved)
// skips ahead instead of catching up.
constexpr double kMaxBehindSeconds = 1.0;
// The meter windows read every 100 ms; a reader that comes five times as often keeps them current.
constexpr auto kPassInterval = std::chrono::milliseconds(20);

// The frames in a span of seconds; a hair more, so that rounding never loses a whole frame.
long frames(double seconds, double rate) {
    return static_cast<long>(std::floor(seconds * rate + 1e-6));
}

} // namespace

// Eight 16-bit samples side by side: one SSE2 register (the compiler's vector extension).
using Lanes = std::int16_t __attribute__((vector_size(16)));

void raisePeaks(const std::int16_t* samples, long frames, int channels, std::int32_t* peaks) {
    // The largest and smallest sample of each channel, eight channels at a time.
    constexpr int kGroup = 8;
    int c0 = 0;
    for (; c0 + kGroup <= channels; c0 += kGroup) {
        Lanes hi = {};
        Lanes lo = {};
        for (long f = 0; f < frames; ++f) {
            Lanes v;
            std::memcpy(&v, samples + f * channels + c0, sizeof v);
            hi = v > hi ? v : hi;
            lo = v < lo ? v : lo;
        }
        for (int c = 0; c < kGroup; ++c) {
            const std::int32_t peak = std::max<std::int32_t>(hi[c], -std::int32_t{lo[c]});
            peaks[c0 + c] = std::max(peaks[c0 + c], std::min(peak, kFullScale));
        }
    }
    for (; c0 < channels; ++c0) {
        std::int32_t peak = peaks[c0];
        for (long f = 0; f < frames; ++f) {
            const std::int32_t v = samples[f * channels + c0];
            peak = std::max(peak, v < 0 ? -v : v);
        }
        peaks[c0] = std::min(peak, kFullScale);
    }
}

SourceReader::SourceReader(std::unique_ptr<SampleStream> stream, std::string label,
                           std::vector<Feed> feeds, PeakBank& bank)
    : stream_(std::move(stream)), label_(std::move(label)), feeds_(std::move(feeds)), bank_(bank) {}

SourceReader::~SourceReader() {
    stop();
}

void SourceReader::start() {
    if (thread_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { run(); });
}

void SourceReader::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    stream_->close();
    open_.store(false, std::memory_order_release);
}

void SourceReader::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

void SourceReader::run() {
    while (true) {
        pass(simNow());
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, kPassInterval, [this] { return stopping_ || woken_; });
        if (stopping_) {
            return;
        }
        woken_ = false;
    }
}

void SourceReader::pass(double now) {
    if (!open_.load(std::memory_order_relaxed) && now >= nextOpen_) {
        tryOpen(now);
    }
    if (open_.load(std::memory_order_relaxed)) {
        long allowed = framesAllowed(now);
        while (allowed > 0) {
            const long got = stream_->read(buffer_.data(), std::min(allowed, kChunkFrames));
            if (got < 0) {
                lose(now, stream_->lostReason());
                break;
            }
            if (got == 0) {
                break;
            }
            feed(got);
            done_ += got;
            allowed -= got;
        }
    }
    passes_.fetch_add(1, std::memory_order_acq_rel);
}

void SourceReader::tryOpen(double now) {
    const std::string problem = stream_->open();
    if (!problem.empty()) {
        if (!failing_) {
            report(reason(problem) + "; its channels read silent, trying again every " +
                   std::to_string(static_cast<int>(kRetrySeconds)) + " s");
            failing_ = true;
        }
        nextOpen_ = now + kRetrySeconds;
        return;
    }
    if (failing_) {
        report("reading again");
        failing_ = false;
    }
    const int channels = stream_->channels();
    buffer_.assign(static_cast<std::size_t>(kChunkFrames * channels), 0);
    peaks_.assign(static_cast<std::size_t>(channels), 0);
    start_ = now;
    done_ = 0;
    if (!shapeReported_ && channels > 1) {
        const int wanted =
            std::max_element(feeds_.begin(), feeds_.end(), [](const Feed& a, const Feed& b) {
                return a.streamChannel < b.streamChannel;
            })->streamChannel;
        if (wanted >= channels) {
            report("it has " + std::to_string(channels) + " channels, channel " +
                   std::to_string(wanted + 1) +
                   " is not there; the channels it should feed read "
                   "silent");
            shapeReported_ = true;
        }
    }
    open_.store(true, std::memory_order_release);
}

void SourceReader::lose(double now, const std::string& why) {
    stream_->close();
    open_.store(false, std::memory_order_release);
    if (!failing_) {
        report(reason(why) + "; its channels read silent, trying again every " +
               std::to_string(static_cast<int>(kRetrySeconds)) + " s");
        failing_ = true;
    }
    nextOpen_ = now + kRetrySeconds;
}

void SourceReader::report(const std::string& message) {
    std::fprintf(stderr, "orvane: simulated card: %s: %s\n", label_.c_str(), message.c_str());
}

std::string SourceReader::reason(std::string text) {
    // libsndfile ends its messages with a full stop, ALSA does not.
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n')) {
        text.pop_back();
    }
    return text.empty() ? "failed" : text;
}

long SourceReader::framesAllowed(double now) {
    const double rate = stream_->rate();
    const double played = static_cast<double>(done_) / rate;
    if (stream_->playedByClock()) {
        if (now - start_ - played > kMaxBehindSeconds) {
            start_ = now - played - 0.05;
        }
        return frames(now - start_, rate) - static_cast<long>(done_);
    }
    // A device delivers in real time; the clock only keeps one that runs free (a device without
    // a clock of its own) from taking the whole processor. One that falls behind the clock is
    // not owed the difference.
    if (now - start_ - played > kMaxBehindSeconds) {
        start_ = now - played;
    }
    return frames(now - start_ + kDeviceLeadSeconds, rate) - static_cast<long>(done_);
}

void SourceReader::feed(long frames) {
    const int channels = stream_->channels();
    std::fill(peaks_.begin(), peaks_.end(), 0);
    raisePeaks(buffer_.data(), frames, channels, peaks_.data());
    for (const Feed& f : feeds_) {
        const int channel = channels == 1 ? 0 : f.streamChannel;
        if (channel < channels) {
            bank_.raise(f.slot, peaks_[static_cast<std::size_t>(channel)]);
        }
    }
}

} // namespace simcard
