#include "app/startup.h"

#include "app/control_window.h"
#include "app/driver_messages.h"
#include "app/main_window.h"
#include "controls/about_box.h"
#include "driver/config_channel.h"
#include "meters/adat_meter_form.h"
#include "toolkit/application.h"
#include "toolkit/system_messages.h"
#include "toolkit/win_ui.h"

#include <cstdio>
#include <cstring>

namespace app {

bool ExitRequested = false;
HICON TrayIconHandle = nullptr;
TfrmMain* frmMain = nullptr;
TMixControlWnd* MixControlWnd = nullptr;
controls::TAboutBox* AboutBox = nullptr;

using driver::TDriverStates;

void ShowCardStates(const TDriverStates& States) {
    for (int n = 1; n <= 4; ++n) {
        std::int32_t status = States.CardStatus[n - 1];
        if (status == 0) {
            break;
        }
        ShowDriverError(n, status);
    }
}

void CheckDriverStates(const TDriverStates& States) {
    switch (States.Status) {
    case -27:
        ShowDriverError(0, -27);
        return;
    case -17:
        return;
    case 1:
        break;
    default:
        // When the overall status repeats card 1's, card 1's message says it.
        if (States.Status != States.CardStatus[0]) {
            ShowDriverError(0, States.Status);
        }
        break;
    }
    ShowCardStates(States);
}

NOTIFYICONDATAA TrayIconData(HWND window, HICON icon) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYICON;
    data.hIcon = icon;
    std::memset(data.szTip, 0, sizeof data.szTip);
    std::memcpy(data.szTip, kTrayTip, sizeof kTrayTip - 1);
    return data;
}

bool StartManager(NOTIFYICONDATAA& data) {
    using namespace toolkit;
    driver::ConfigChannelEnabled = 1;
    // Cleared first, so that a call that fails reads as no driver rather than as garbage.
    TDriverStates states{};
    if (!driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdGetStates, &states,
                                  sizeof states)) {
        // The entry point could not be run at all: say so instead of ending without a word.
        std::fprintf(stderr,
                     "Orvane Manager: the driver's configuration entry point did not answer\n");
        ShowDriverNotOpened(nullptr);
        return false;
    }
    CheckDriverStates(states);
    if (states.Status != 1) {
        return false;
    }
    Application->CreateForm(frmMain);
    Application->CreateForm(MixControlWnd);
    Application->CreateForm(AboutBox);
    TrayIconHandle = LoadIconA(nullptr, "MIXERICON");
    // The meter windows show the same icon.
    meters::MeterWindowIcon = TrayIconHandle;
    data = TrayIconData(MixControlWnd->Handle(), TrayIconHandle);
    return true;
}

SystemMessageReception::SystemMessageReception() {
    std::string error;
    listening_ = toolkit::StartSystemMessages(error);
    if (!error.empty()) {
        // The program works on without them; whoever started it learns why.
        std::fprintf(stderr, "Orvane Manager: %s\n", error.c_str());
    }
}

SystemMessageReception::~SystemMessageReception() {
    Stop();
}

void SystemMessageReception::Stop() {
    if (listening_) {
        listening_ = false;
        toolkit::StopSystemMessages();
    }
}

void RunMessageLoop() {
    do {
        toolkit::Application->HandleMessage();
    } while (!ExitRequested);
}

void RunManager() {
    NOTIFYICONDATAA data{};
    if (!StartManager(data)) {
        return;
    }
    if (!ExitRequested && Shell_NotifyIconA(NIM_ADD, &data)) {
        SystemMessageReception reception;
        RunMessageLoop();
        reception.Stop();
        Shell_NotifyIconA(NIM_DELETE, &data);
    }
    DestroyIcon(TrayIconHandle);
}

} // namespace app
