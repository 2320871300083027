// The peaks that the audio sources measure, per direction and channel: a reader thread raises a
// channel's peak, a meter read takes it and leaves zero, as the card's driver does. Lock-free on
// both sides, so a slow reader of the meters never holds up the audio and the reverse.
#pragma once

#include "simcard/description.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace simcard {

class PeakBank {
public:
    static constexpr int slot(Direction direction, int channel) {
        return (direction == Direction::In ? 0 : kMaxChannels) + channel;
    }

    // Raises the slot's peak to at least peak (0 to kFullScale).
    void raise(int slot, std::int32_t peak) {
        std::atomic<std::int32_t>& cell = peaks_[static_cast<std::size_t>(slot)];
        std::int32_t seen = cell.load(std::memory_order_relaxed);
        while (peak > seen && !cell.compare_exchange_weak(seen, peak, std::memory_order_relaxed)) {
        }
    }

    // The peak since the slot's last take; the slot starts again from zero.
    std::int32_t take(int slot) {
        return peaks_[static_cast<std::size_t>(slot)].exchange(0, std::memory_order_relaxed);
    }

    void clear() {
        for (auto& cell : peaks_) {
            cell.store(0, std::memory_order_relaxed);
        }
    }

private:
    std::array<std::atomic<std::int32_t>, 2 * kMaxChannels> peaks_{};
};

} // namespace simcard
