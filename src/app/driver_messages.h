// The driver's error and warning messages: an error id becomes a message box with a German
// text, composed with a card number or a device where the text needs one, a caption and an
// icon. Texts are composed in code page 1252, as the driver's texts are stored, into one
// 256-byte buffer (255 single-byte characters and the terminating zero).
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <string>

namespace app {

struct TDriverMessage {
    std::string Text;    // code page 1252
    std::string Caption; // code page 1252
    UINT Style;          // MB_OK with MB_ICONERROR or MB_ICONINFORMATION
};

// A device that a device-level message names. No caller in the program has one; the messages
// are then composed without it.
struct TDeviceDescription {
    std::string Name;
    std::int32_t Rate = 0;       // the sample rate requested for it, in Hz
    std::int32_t SecondRate = 0; // the rate the clock runs at, in Hz
};

constexpr std::size_t kMessageBufferSize = 256;

// Shows the message of ErrId (if it has one) and returns true when a box was shown. Param is
// the card number (0 for the driver's overall status, 1 to 4 for a card).
bool ShowDriverError(std::int32_t Param, std::int32_t ErrId);
void ShowDriverMessage(const TDriverMessage& Msg);

// The program's own message when it cannot reach the driver (no card found, or the driver's
// entry point could not be run): "Orvane Treiber konnte nicht geöffnet werden." with the caption
// "Fehler", owned by the window given (or none).
void ShowDriverNotOpened(HWND Owner);

// The message of an id without showing it; false for 1, 0 and -50, which have none.
bool DriverErrorMessage(std::int32_t Param, std::int32_t ErrId, TDriverMessage& Msg);

// The builders; each returns the buffer's new content. Text and Format are code page 1252.
std::string CardInitText(std::int32_t CardNo, const std::string& Text);
std::string DeviceOpenText(const TDeviceDescription* Device, const std::string& Text);
std::string DeviceRateText(const TDeviceDescription* Device, const std::string& Format);

} // namespace app
