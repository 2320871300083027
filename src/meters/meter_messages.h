// The meter windows' own window messages (their closing is told with controls::WM_FORMCLOSED,
// controls/window_messages.h), the driver's metering messages and the level record that the driver
// fills on a meter read.
#pragma once

#include "platform/winmm.h"

#include <cstdint>

namespace meters {

// Posted by a meter window's tick timer: wParam = the timer's id.
constexpr UINT WM_METERTICK = WM_USER + 1;
// Posted by a meter window's poll timer: wParam = the timer's id.
constexpr UINT WM_LEVELPOLL = WM_USER + 101;

// The driver's metering messages on control handles: switch metering of the handle's channel
// pair on or off, and read the pair's two current levels into the level record whose 16:16
// address is dwParam1. Inputs are sent with waveInMessage, outputs with waveOutMessage.
constexpr UINT MSG_IN_METER_START = DRV_USER + 0x38;
constexpr UINT MSG_IN_METER_STOP = DRV_USER + 0x39;
constexpr UINT MSG_IN_METER_READ = DRV_USER + 0x3A;
constexpr UINT MSG_OUT_METER_START = DRV_USER + 0x07;
constexpr UINT MSG_OUT_METER_STOP = DRV_USER + 0x08;
constexpr UINT MSG_OUT_METER_READ = DRV_USER + 0x09;

// The 8-byte level record in 16-bit global memory: the current peak levels of the pair's two
// channels, linear, 32767 = full scale.
#pragma pack(push, 1)
struct TPairLevels {
    std::int32_t Lower;  // ADAT channel 1, 3, 5 or 7
    std::int32_t Higher; // ADAT channel 2, 4, 6 or 8
};
#pragma pack(pop)
static_assert(sizeof(TPairLevels) == 8);

} // namespace meters
