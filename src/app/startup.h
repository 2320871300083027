// The program's spine: the start-up check of the driver's state, the creation of the program's
// windows, the notification-area icon and the message loop.
#pragma once

#include "driver/records.h"
#include "platform/win_types.h"
#include "toolkit/shell_notify.h"

namespace controls {
class TAboutBox;
}

namespace app {

class TfrmMain;
class TMixControlWnd;

// The message loop runs while this is false; set (and never cleared) by the main window and by
// the control window when no card was found.
extern bool ExitRequested;
// The notification-area icon "MIXERICON", loaded at start-up; also the meter windows' icon.
extern HICON TrayIconHandle;

extern TfrmMain* frmMain;
extern TMixControlWnd* MixControlWnd;
extern controls::TAboutBox* AboutBox;

// The icon's callback message, handled by the control window.
constexpr UINT WM_TRAYICON = WM_USER + 102;
constexpr char kTrayTip[] = "Einstellungen f\xFCr Orvane"; // code page 1252

// Runs the start-up and the message loop; returns when the program is to end.
void RunManager();
// Its parts: the driver's state checked, the windows created and the icon loaded (false when
// the program is to end without windows), with the icon's record filled; and the loop, which
// handles messages until ExitRequested is set after one of them.
bool StartManager(NOTIFYICONDATAA& data);
void RunMessageLoop();

// While it lives, the system's messages from outside the process (device changes, the end of
// the session) reach the windows.
class SystemMessageReception {
public:
    SystemMessageReception();
    ~SystemMessageReception();
    SystemMessageReception(const SystemMessageReception&) = delete;
    SystemMessageReception& operator=(const SystemMessageReception&) = delete;
    void Stop();

private:
    bool listening_ = false;
};
// Shows the driver's messages for a state record, in the order of its tests.
void CheckDriverStates(const driver::TDriverStates& States);
// Walks the card statuses up to the first 0 and shows each card's message.
void ShowCardStates(const driver::TDriverStates& States);
// The notification-area record for the control window's handle.
NOTIFYICONDATAA TrayIconData(HWND window, HICON icon);

} // namespace app
