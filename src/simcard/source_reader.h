// The reader of one audio source: a thread that takes the samples of a sound file or capture
// device as they come (a file in real time on the simulated card's clock, looped), and raises
// the peaks of the channels it feeds in the peak bank. A source that cannot be opened, or that is
// lost while running, leaves its channels silent, says so in one line on stderr, and is opened
// again every few seconds.
#pragma once

#include "simcard/peak_bank.h"
#include "simcard/sample_stream.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace simcard {

class SourceReader {
public:
    // A metered channel that the source feeds: its peak bank slot and the stream channel
    // (0-based) that feeds it; a stream of one channel feeds every channel.
    struct Feed {
        int slot;
        int streamChannel;
    };
    // Seconds between attempts to open a source that cannot be opened.
    static constexpr double kRetrySeconds = 3.0;

    // label names the source in messages ("level in 1-8 file song.wav").
    SourceReader(std::unique_ptr<SampleStream> stream, std::string label, std::vector<Feed> feeds,
                 PeakBank& bank);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // Starts the thread; the first attempt to open the stream comes at once.
    void start();
    void stop();

    // Passes of the reader so far (for tests: two more passes after a moment mean that
    // everything the clock allowed at that moment has been read). wake() starts the next pass at
    // once.
    std::uint64_t passes() const { return passes_.load(std::memory_order_acquire); }
    void wake();
    bool isOpen() const { return open_.load(std::memory_order_acquire); }

    // One pass, as the thread makes it every 20 ms: open when due, then read what the clock
    // allows. Public for the thread and for tests that drive a reader without one.
    void pass(double now);

private:
    void run();
    void tryOpen(double now);
    void lose(double now, const std::string& why);
    void report(const std::string& message);
    static std::string reason(std::string text);
    long framesAllowed(double now);
    void feed(long frames);

    std::unique_ptr<SampleStream> stream_;
    std::string label_;
    std::vector<Feed> feeds_;
    PeakBank& bank_;

    // Owned by the reader thread.
    std::vector<std::int16_t> buffer_;
    std::vector<std::int32_t> peaks_;
    double start_ = 0;    // clock time of frame 0
    double nextOpen_ = 0; // clock time of the next attempt to open
    std::int64_t done_ = 0;
    bool failing_ = false;       // a failure was reported, no recovery yet
    bool shapeReported_ = false; // a missing stream channel was reported

    std::atomic<bool> open_{false};
    std::atomic<std::uint64_t> passes_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool woken_ = false;
    std::thread thread_;
};

// The largest magnitude of each channel in frames interleaved frames, raised into peaks (one
// value per channel, 0 to kFullScale; -32768 counts as full scale).
void raisePeaks(const std::int16_t* samples, long frames, int channels, std::int32_t* peaks);

} // namespace simcard
