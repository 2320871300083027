// The notification-area icon: Shell_NotifyIconA with its Windows record and constants. The
// icon's mouse events reach the registered window as its callback message, wParam the icon's
// id, lParam the mouse message (WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, ...).
//
// Every kind of notification area delivers the same messages in the same order: an XEmbed panel,
// a StatusNotifierItem host (whose activations become clicks and double clicks, see
// tray_clicks.h) and, where the desktop has no notification area, a small always-visible window
// titled with the application's title that holds the icon instead. The program may ask for that
// window everywhere (SetTrayHost).
#pragma once

#include "platform/win_types.h"
#include "toolkit/tray_clicks.h"

#include <string>
#include <vector>

constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 0x1;
constexpr UINT NIF_ICON = 0x2;
constexpr UINT NIF_TIP = 0x4;

struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[64]; // code page 1252, zero-terminated
};

// The size that names the form of the record with a 64-character tip (its size in the 32-bit
// layout, where handles are four bytes). cbSize must hold it, or sizeof(NOTIFYICONDATAA).
constexpr DWORD NOTIFYICONDATAA_V1_SIZE = 88;

BOOL Shell_NotifyIconA(DWORD dwMessage, NOTIFYICONDATAA* lpData);

namespace toolkit {

enum class TrayHost {
    Automatic, // the desktop's notification area where there is one, else the stand-in window
    Window,    // the stand-in window everywhere
};
// Where icons added from now on are shown.
void SetTrayHost(TrayHost host);

struct TrayIconInfo {
    HWND window;
    UINT id;
    UINT callbackMessage;
    HICON icon;
    std::string tip;         // UTF-8
    bool inNotificationArea; // false: shown in the stand-in window
    TrayHostKind host;
};
// The icons that are shown now.
std::vector<TrayIconInfo> TrayIcons();
// Acts as the user would on an icon: delivers the mouse message (and what follows it, e.g. the
// button's release) to the registered window; an icon in the stand-in window gets the mouse
// events themselves. False for an icon that is not shown.
bool ClickTrayIcon(HWND window, UINT id, UINT mouseMessage);

} // namespace toolkit
