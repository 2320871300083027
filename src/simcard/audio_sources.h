// The measured signal sources of the simulated card: sound files and live capture devices
// ("level ... file PATH", "level ... capture DEVICE"). Each level line of such a source gets a
// reader thread in the process that serves the wave API (the program; never the rundll stand-in,
// which only reads the description), and a meter read of a channel takes the peak that its
// reader measured since the channel's last read.
#pragma once

#include "simcard/description.h"

#include <cstdint>

namespace simcard {

// Stops the readers of the description served so far and starts those of this one.
void startAudioSources(const HardwareDescription& description);
// Stops every reader (also done at exit).
void stopAudioSources();

// The peak of a measured channel since its last read, 0 to kFullScale; the channel's peak starts
// again from zero.
std::int32_t takeAudioPeak(Direction direction, int channel);

// For tests: waits (up to timeoutSeconds) until every reader has read what the simulated card's
// clock allows at the moment of the call, opening or reopening what is due. False on timeout.
bool settleAudioSources(double timeoutSeconds = 20.0);

} // namespace simcard
