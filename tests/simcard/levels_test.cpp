#include "simcard/levels.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

using simcard::channelPeak;
using simcard::Direction;
using simcard::SignalSource;
using simcard::SourceKind;
using simcard::SyntheticPart;

TEST(Levels, PinnedSourcesGiveTheirLevel) {
    const SignalSource constant{SourceKind::Constant, 12345};
    const SignalSource silence{SourceKind::Silence, 999};
    const SignalSource clip{SourceKind::Clip};
    for (double t : {0.0, 0.37, 1000.5}) {
        EXPECT_EQ(channelPeak(constant, 1, Direction::In, 3, t, t + 0.1), 12345);
        EXPECT_EQ(channelPeak(silence, 1, Direction::Out, 3, t, t + 0.1), 0);
        EXPECT_EQ(channelPeak(clip, 1, Direction::In, 3, t, t + 0.1), 32767);
    }
}

TEST(Levels, ASineReportsItsPeakOverTheInterval) {
    const SignalSource sine{SourceKind::Sine, 10000, 1.0};
    EXPECT_EQ(channelPeak(sine, 1, Direction::In, 0, 0.0, 0.1), 5878) << "rising, no crest";
    EXPECT_EQ(channelPeak(sine, 1, Direction::In, 0, 0.2, 0.3), 10000) << "crest at 0.25";
    EXPECT_EQ(channelPeak(sine, 1, Direction::In, 0, 0.3, 0.35), 9511) << "falling";
    EXPECT_EQ(channelPeak(sine, 1, Direction::In, 0, 0.74, 0.76), 10000) << "negative crest";
    EXPECT_EQ(channelPeak(sine, 1, Direction::In, 0, 3.0, 9.0), 10000);
    const SignalSource tone{SourceKind::Sine, 20000, 1000.0};
    EXPECT_EQ(channelPeak(tone, 1, Direction::In, 0, 5.0, 5.1), 20000);
}

TEST(Levels, NoiseStaysBetweenHalfAndFullLevelAndRepeats) {
    const SignalSource noise{SourceKind::Noise, 20000};
    std::set<std::int32_t> values;
    for (int i = 0; i < 200; ++i) {
        const double t = i * 0.005;
        const auto peak = channelPeak(noise, 9, Direction::Out, 4, t, t + 0.004);
        EXPECT_GE(peak, 10000);
        EXPECT_LE(peak, 20000);
        EXPECT_EQ(peak, channelPeak(noise, 9, Direction::Out, 4, t, t + 0.004));
        values.insert(peak);
    }
    EXPECT_GT(values.size(), 50u) << "noise varies";
}

// Over a minute of reads ten times a second, the synthetic signal of a card covers the whole
// meter: a silent channel, a clipping one, peaks near full scale, quiet swells, phrases with
// gaps.
TEST(Levels, SyntheticSignalsAreVariedAndRepeatable) {
    const SignalSource synthetic{};
    for (std::uint32_t seed : {1u, 2u, 12345u}) {
        for (Direction direction : {Direction::In, Direction::Out}) {
            for (int card = 0; card < 4; ++card) {
                std::set<SyntheticPart> parts;
                for (int ch = 0; ch < 8; ++ch) {
                    parts.insert(simcard::syntheticPart(seed, direction, card * 8 + ch));
                }
                EXPECT_EQ(parts.size(), 8u) << "each card plays every part";
            }
        }
    }
    const std::uint32_t seed = 1;
    std::int32_t loudest = 0;
    int fullScaleReads = 0;
    for (int ch = 0; ch < 8; ++ch) {
        const auto part = simcard::syntheticPart(seed, Direction::In, ch);
        std::int32_t lo = 32767;
        std::int32_t hi = 0;
        int zeros = 0;
        for (int i = 0; i < 600; ++i) {
            const double t0 = 100.0 + i * 0.1;
            const auto peak = channelPeak(synthetic, seed, Direction::In, ch, t0, t0 + 0.1);
            ASSERT_EQ(peak, channelPeak(synthetic, seed, Direction::In, ch, t0, t0 + 0.1));
            ASSERT_GE(peak, 0);
            ASSERT_LE(peak, 32767);
            lo = std::min(lo, peak);
            hi = std::max(hi, peak);
            zeros += peak == 0 ? 1 : 0;
            fullScaleReads += peak == 32767 ? 1 : 0;
        }
        loudest = std::max(loudest, hi);
        switch (part) {
        case SyntheticPart::Silent:
            EXPECT_EQ(hi, 0);
            break;
        case SyntheticPart::Clipping:
            EXPECT_EQ(hi, 32767);
            EXPECT_LT(lo, 16384) << "it clips in bursts";
            break;
        case SyntheticPart::Drums:
            EXPECT_GT(hi, 31000);
            break;
        case SyntheticPart::Pad:
            EXPECT_GT(lo, 900) << "about -31 dB";
            EXPECT_LT(hi, 7400) << "about -13 dB";
            break;
        case SyntheticPart::Vocal:
            EXPECT_GT(zeros, 60) << "silent gaps between phrases";
            EXPECT_GT(hi, 8000);
            break;
        case SyntheticPart::HiHat:
            EXPECT_LT(hi, 4000);
            EXPECT_GT(hi, 1500);
            break;
        default:
            EXPECT_GT(hi, 8000);
            EXPECT_LT(hi, 32000);
        }
    }
    EXPECT_EQ(loudest, 32767);
    EXPECT_GT(fullScaleReads, 10);
    // Another seed gives other music.
    int differences = 0;
    for (int i = 0; i < 50; ++i) {
        const double t0 = i * 0.1;
        differences += channelPeak(synthetic, 1, Direction::In, 0, t0, t0 + 0.1) !=
                       channelPeak(synthetic, 2, Direction::In, 0, t0, t0 + 0.1);
    }
    EXPECT_GT(differences, 10);
}

TEST(Levels, ASyntheticPeakIsTheLoudestOfTheSignalsSamplesEveryTwoMilliseconds) {
    // The read's peak against the momentary signal, sampled as the card samples it: every 2 ms
    // from the last read (at most the last two seconds back) and at the read itself.
    const SignalSource synthetic{SourceKind::Synthetic};
    auto sampled = [](std::uint32_t seed, Direction direction, int channel, double t0, double t1) {
        double peak = simcard::syntheticAmplitude(seed, direction, channel, t1);
        for (double t = std::max(t0, t1 - 2.0); t < t1; t += 0.002) {
            peak = std::max(peak, simcard::syntheticAmplitude(seed, direction, channel, t));
        }
        return static_cast<std::int32_t>(std::lround(std::clamp(peak, 0.0, 1.0) * 32767));
    };
    for (std::uint32_t seed : {1u, 7u}) {
        for (Direction direction : {Direction::In, Direction::Out}) {
            for (int channel = 0; channel < 16; ++channel) {
                // Reads a poll apart, shorter and longer ones, and ones reaching back past two
                // seconds, over many strokes of every part.
                constexpr double kLengths[] = {0.1, 0.1, 0.1, 0.04, 0.1, 0.5, 0.1, 0.1, 0.013, 3.0};
                for (int i = 0; i < 400; ++i) {
                    const double t0 = 3.0 + i * 0.1037;
                    const double t1 = t0 + kLengths[i % 10];
                    ASSERT_EQ(channelPeak(synthetic, seed, direction, channel, t0, t1),
                              sampled(seed, direction, channel, t0, t1))
                        << "seed " << seed << " channel " << channel << " read " << i;
                }
            }
        }
    }
}

} // namespace
