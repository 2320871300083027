// The baseline of the meter windows' benchmark: a plain Qt program showing the same meters.
// Two windows (inputs, outputs) of 8 meters per card, each meter one widget of 40 lamps drawn as
// filled rectangles, lit from the bottom by a logarithmic map of the level, falling one lamp per
// 40 ms tick, the highest lamp held for 3 s; polled every 100 ms through the same control
// handles of the same driver; one update per changed lamp.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace bench {

// Bytes allocated so far by the calling thread (the benchmark counts them).
std::size_t allocatedBytesOnThisThread();

class PlainMeterWindows {
public:
    // cards: 1 to 4; the windows stand at the given top and pitch pixels below it. The driver's
    // devices must have been found.
    PlainMeterWindows(int cards, int top, int pitch);
    ~PlainMeterWindows();
    // Shows both windows (if hidden) and starts metering.
    void start();
    // Stops the timers; the windows stay on screen as they are.
    void pause();
    void stop();
    long polls() const;
    // Bytes allocated while polls were handled.
    std::size_t pollBytes() const;
    // Seconds spent polling and ticking.
    double handlerSeconds() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace bench
