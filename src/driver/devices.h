// Device discovery and control handles. The card's driver presents each ADAT channel pair of
// each card as one wave-in and one wave-out device; discovery finds them among all wave
// devices, files them by card and pair, counts the cards and asks the driver for each card's
// device node. Control handles are wave handles opened with a format that marks them as such:
// no audio flows through them; they address the driver's own messages.
#pragma once

#include "platform/winmm.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace driver {

// The card maker's multimedia manufacturer id, reported for every wave device of the card.
constexpr WORD CardMakerId = 0x4B56;
constexpr WORD kInProductId = 46;
constexpr WORD kOutProductId = 45;

// Driver messages on control handles.
constexpr UINT DevNodeQuery = DRV_USER + 0x11;

constexpr int kMaxCards = 4;
constexpr int kPairsPerCard = 4;
constexpr int kDeviceTableSize = kMaxCards * kPairsPerCard;

// Filled once by FindDevices; index card * 4 + pair, -1 where there is no device.
extern std::array<std::int32_t, kDeviceTableSize> InDevices;
extern std::array<std::int32_t, kDeviceTableSize> OutDevices;
// The device node of each card as the driver reports it; 0xFFFFFFFF where none was reported.
extern std::array<DWORD, kMaxCards> CardDevNodes;
extern std::int32_t CardCount;
extern bool CardsPresent;

// A control handle of either direction.
using HWAVE = void*;

#pragma pack(push, 1)
// The format of a control open: PCM with four extra bytes "CTRL" (and a zero not counted).
struct TCtrlFormat {
    WAVEFORMATEX Format;
    char Tag[4];
    std::uint8_t Terminator;
};
#pragma pack(pop)
static_assert(sizeof(TCtrlFormat) == 23);
const TCtrlFormat& ControlFormat();

// Discovery; runs once, when the control window is created. Raises EConvertError for a device
// of the card whose name has no hyphen or no number after it, and EAbort when a control handle
// for the device-node query cannot be opened.
void FindDevices();

// The card index of a device name, and its pair; raises EConvertError.
std::int32_t DevNameChannelPairToCardId(const std::string& Name, std::int32_t ChannelsPerCard,
                                        std::int32_t& Pair);

// Opens one control handle on the device of the table entry Index (0 to 15); callback is a
// window that receives the wave API's notifications, or none. Raises EAbort when there is no
// device or the open fails; returns MMSYSERR_NOERROR otherwise.
MMRESULT OpenCtrlIn(HWND Callback, std::int32_t Index, HWAVEIN& Handle);
MMRESULT OpenCtrlOut(HWND Callback, std::int32_t Index, HWAVEOUT& Handle);

// Opens one control handle per channel, card after card, into Handles[0], [1], ...; the two
// channels of a pair get two handles on the same device. An open that fails ends it with
// EAbort; the handles opened before stay in the array.
void OpenCtrlRange(HWND Callback, bool IsOutput, std::int32_t FirstChannel,
                   std::int32_t LastChannel, std::int32_t FirstCard, std::int32_t LastCard,
                   std::span<HWAVE> Handles);
// Closes the first Count handles; entries that are null are skipped, closed ones become null,
// a handle whose close fails stays.
void CloseCtrlRange(bool IsOutput, std::int32_t Count, std::span<HWAVE> Handles);

} // namespace driver
