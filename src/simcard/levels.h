// The signals that the simulated card meters. Every value is a pure function of the source, the
// description's seed, the channel and the time, so a run can be repeated.
#pragma once

#include "simcard/description.h"

#include <cstdint>

namespace simcard {

// Peak amplitude of a channel's signal between the times t0 and t1 (seconds, t0 <= t1), linear,
// 0 to kFullScale. channel counts over all cards (card * 8 + channel).
std::int32_t channelPeak(const SignalSource& source, std::uint32_t seed, Direction direction,
                         int channel, double t0, double t1);

// The synthetic signal: each channel plays one of eight parts, chosen by seed, direction and
// channel so that every card has each part once: drums (peaks near full scale), bass and guitar
// (the middle of the scale, with accents), pad (quiet swells), vocal (phrases with silent gaps),
// hi-hat (short quiet ticks), a silent channel and a clipping channel (bursts at full scale).
enum class SyntheticPart { Drums, Bass, Pad, Vocal, Silent, Guitar, Clipping, HiHat };
SyntheticPart syntheticPart(std::uint32_t seed, Direction direction, int channel);
// The synthetic signal's momentary amplitude at time t, 0 to 1.
double syntheticAmplitude(std::uint32_t seed, Direction direction, int channel, double t);

} // namespace simcard
