// The simulated card's wave drivers, after the interface of winmm_driver.h.
//
// The card driver presents, per card, four wave-in devices (product id 46) named
// "Orvane ADAT In 1-2" to "... 7-8" and four wave-out devices (product id 45) named
// "Orvane ADAT Out 1-2" to "... 7-8", numbered over all cards (card 1's are "9-10" to "15-16"),
// all of manufacturer kCardMakerId. The system driver presents, when the description asks for
// it, one wave-in and one wave-out device of another maker (manufacturer 1, the same product
// ids), installed first so that the card's device ids come after it. An explicit device list in
// the description replaces both; its devices belong to the card and pair that their names' last
// number gives (as the program reads it), or to pair 0 of card 0.
//
// No audio flows through the devices. An open succeeds only on a device of the card's maker, and
// only with the control format: PCM with cbSize >= 4 and the bytes "CTRL" after the 18-byte
// WAVEFORMATEX; another format gets WAVERR_BADFORMAT, a refused control open (fault switch)
// MMSYSERR_ALLOCATED. On a control handle:
//   kDevNodeQuery (output handles)   writes the card's device node into the 4-byte block at the
//                                    16:16 address dwParam1
//   meter start / stop               switch metering of the handle on or off; a start also
//                                    drops the peaks that a sound file or capture device
//                                    source of the pair measured so far
//   meter read                       writes the pair's two peak levels since the pair's last
//                                    read (int32 lower, int32 higher channel, 32767 = full
//                                    scale) into the 8-byte block at dwParam1. While the
//                                    handle's metering is off a read writes two zeros: nothing
//                                    is measured.
// A block address that maps to nothing gives MMSYSERR_INVALPARAM and writes nothing; a message
// of the other direction, or one the driver does not know, MMSYSERR_NOTSUPPORTED.
#pragma once

#include "platform/winmm_driver.h"
#include "simcard/description.h"

namespace simcard {

constexpr UINT kDevNodeQuery = DRV_USER + 0x11;
constexpr UINT kInMeterStart = DRV_USER + 0x38;
constexpr UINT kInMeterStop = DRV_USER + 0x39;
constexpr UINT kInMeterRead = DRV_USER + 0x3A;
constexpr UINT kOutMeterStart = DRV_USER + 0x07;
constexpr UINT kOutMeterStop = DRV_USER + 0x08;
constexpr UINT kOutMeterRead = DRV_USER + 0x09;
constexpr DWORD kLevelRecordSize = 8;

const WaveDriver* systemWaveDriver();
const WaveDriver* cardWaveDriver();

// Makes both drivers serve this description. Handles opened before become invalid. The sound
// files and capture devices that it names start being read (audio_sources.h).
void setDriverDescription(const HardwareDescription& description);
// The clock (seconds) that levels are measured on and sound files are played by; nullptr: the
// monotonic clock. For tests.
void setDriverClock(double (*clock)());

// Serves the description and installs both drivers into the wave API, the system driver first.
void installDrivers(const HardwareDescription& description);
// The same with loadDescription(): what the program calls at start. A bad description is
// reported on stderr and no driver is installed (the program then finds no card); false then.
bool installDrivers();

} // namespace simcard
