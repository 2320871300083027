#include "simcard/sim_clock.h"

#include "simcard/wave_driver.h"

#include <atomic>
#include <chrono>

namespace simcard {
namespace {

// Read by the meter reads and by the audio sources' reader threads.
std::atomic<double (*)()> clockFunction{nullptr};

} // namespace

double simNow() {
    if (auto* clock = clockFunction.load(std::memory_order_acquire)) {
        return clock();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void setDriverClock(double (*clock)()) {
    clockFunction.store(clock, std::memory_order_release);
}

} // namespace simcard
