// Meter reads on the simulated card as the meter windows make them: a control handle per pair,
// metering switched on, a read into an 8-byte level record in 16-bit memory. And sound files of
// known samples, written for a test through libsndfile.
#pragma once

#include "platform/wow16.h"
#include "simcard/wave_driver.h"

#include <array>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <span>

namespace orv_test {

// A clock that the test sets; the simulated card measures and plays sound files on it.
inline std::atomic<double> meterTestTime{0};
inline double meterTestClock() {
    return meterTestTime.load();
}

class MeterReader {
public:
    // Opens every device of the card and starts its metering, as the meter windows do.
    MeterReader() {
        record_ = WOWGlobalAllocLock16(GMEM_ZEROINIT, 8, nullptr);
        bytes_ = static_cast<unsigned char*>(WOWGetVDMPointer(record_, 8, TRUE));
        for (const auto direction : {simcard::Direction::In, simcard::Direction::Out}) {
            const DWORD devices =
                call(direction, 0,
                     direction == simcard::Direction::In ? WIDM_GETNUMDEVS : WODM_GETNUMDEVS, 0);
            for (int pair = 0; pair < static_cast<int>(std::min<DWORD>(devices, 16)); ++pair) {
                open(direction, pair);
            }
        }
    }
    ~MeterReader() {
        for (auto& pair : handles_) {
            if (pair[0]) {
                call(simcard::Direction::In, 0, WIDM_CLOSE, pair[0]);
            }
            if (pair[1]) {
                call(simcard::Direction::Out, 0, WODM_CLOSE, pair[1]);
            }
        }
        WOWGlobalUnlockFree16(record_);
    }
    MeterReader(const MeterReader&) = delete;
    MeterReader& operator=(const MeterReader&) = delete;

    // The two levels of the pair (0-based over all cards) that holds channel (1-based).
    std::array<std::int32_t, 2> read(simcard::Direction direction, int channel) {
        const int pair = (channel - 1) / 2;
        const DWORD_PTR handle = open(direction, pair);
        const bool in = direction == simcard::Direction::In;
        EXPECT_EQ(call(direction, static_cast<UINT>(pair),
                       in ? simcard::kInMeterRead : simcard::kOutMeterRead, handle, record_),
                  0u);
        const std::span<unsigned char> bytes(bytes_, 8);
        return {simcard::readInt32(bytes, 0), simcard::readInt32(bytes, 4)};
    }
    std::int32_t level(simcard::Direction direction, int channel) {
        return read(direction, channel)[static_cast<std::size_t>((channel - 1) % 2)];
    }

private:
    // The pair's handle, opened and metering.
    DWORD_PTR open(simcard::Direction direction, int pair) {
        DWORD_PTR& handle = handles_[static_cast<std::size_t>(pair)][dir(direction)];
        const bool in = direction == simcard::Direction::In;
        if (!handle) {
            // An 18-byte PCM WAVEFORMATEX with cbSize 4 and "CTRL": the control format.
            static const unsigned char format[23] = {1,    0,    2,   0,   0x44, 0xAC, 0,  0,
                                                     0x10, 0xB1, 2,   0,   4,    0,    16, 0,
                                                     4,    0,    'C', 'T', 'R',  'L',  0};
            WAVEOPENDESC desc{nullptr, reinterpret_cast<const WAVEFORMATEX*>(format), 0, 0,
                              static_cast<UINT>(pair)};
            EXPECT_EQ(call(direction, static_cast<UINT>(pair), in ? WIDM_OPEN : WODM_OPEN,
                           reinterpret_cast<DWORD_PTR>(&handle),
                           reinterpret_cast<DWORD_PTR>(&desc)),
                      0u);
            call(direction, static_cast<UINT>(pair),
                 in ? simcard::kInMeterStart : simcard::kOutMeterStart, handle);
        }
        return handle;
    }

    static std::size_t dir(simcard::Direction direction) {
        return direction == simcard::Direction::In ? 0 : 1;
    }
    static DWORD call(simcard::Direction direction, UINT id, UINT msg, DWORD_PTR user,
                      DWORD_PTR p1 = 0, DWORD_PTR p2 = 0) {
        const WaveDriver* driver = simcard::cardWaveDriver();
        return (direction == simcard::Direction::In ? driver->widMessage
                                                    : driver->wodMessage)(id, msg, user, p1, p2);
    }

    VPVOID record_ = 0;
    unsigned char* bytes_ = nullptr;
    std::array<std::array<DWORD_PTR, 2>, 16> handles_{}; // [pair][direction]
};

// Writes a sound file of the given format (SF_FORMAT_WAV | SF_FORMAT_PCM_16, ...): sample(frame,
// channel) from -1 to 1, where 1 is full scale.
inline void writeSound(const std::filesystem::path& path, int format, int channels, int rate,
                       long frames, const std::function<double(long, int)>& sample) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<double> block(static_cast<std::size_t>(channels));
    for (long f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            block[static_cast<std::size_t>(c)] = sample(f, c);
        }
        sf_writef_double(file, block.data(), 1);
    }
    sf_close(file);
}

// The level of an amplitude in dB below full scale, as the description file writes it.
inline std::int32_t levelOfDb(double db) {
    return static_cast<std::int32_t>(std::lround(32767 * std::pow(10.0, db / 20.0)));
}

} // namespace orv_test
