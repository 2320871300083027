#include "app/control_window.h"

#include "app/driver_messages.h"
#include "app/startup.h"
#include "driver/devices.h"
#include "toolkit/application.h"
#include "toolkit/win_ui.h"

namespace app {

int ControlWndHeight = 0;

namespace {
constexpr int kControlWndWidth = 149;
constexpr int kClientHeight = 105;
} // namespace

TMixControlWnd::TMixControlWnd(toolkit::TComponent* owner) : TForm(owner) {
    Publish("FormCreate", this, &TMixControlWnd::FormCreate);
    Publish("FormActiveChanged", this, &TMixControlWnd::FormActiveChanged);
    SetMessageHandler(WM_GETMINMAXINFO, this, &TMixControlWnd::WMGetMinMaxInfo);
    SetMessageHandler(WM_TRAYICON, this, &TMixControlWnd::WMTrayIcon);
}

TMixControlWnd::~TMixControlWnd() {
    // The application's activation must not reach a freed window.
    toolkit::TNotifyEvent mine(this, &TMixControlWnd::FormActiveChanged);
    if (toolkit::Application != nullptr) {
        if (toolkit::Application->OnActivate == mine) {
            toolkit::Application->OnActivate = nullptr;
        }
        if (toolkit::Application->OnDeactivate == mine) {
            toolkit::Application->OnDeactivate = nullptr;
        }
    }
    if (MixControlWnd == this) {
        MixControlWnd = nullptr;
    }
}

void TMixControlWnd::Describe() {
    using namespace toolkit;
    SetName("MixControlWnd");
    SetBounds(0, 0, kControlWndWidth, 132);
    Font().SetName("Arial");
    Font().SetHeight(-11);
    Font().SetColor(clBlack);
    SetColor(clBtnFace);
    SetBorderStyle(TBorderStyle::bsSizeable);
    Bind(OnCreate, "FormCreate");
}

void TMixControlWnd::FormCreate(toolkit::TObject*) {
    using namespace toolkit;
    driver::FindDevices();
    SetCaption("Orvane");
    SetIcon(TrayIconHandle);
    if (!driver::CardsPresent) {
        ShowDriverNotOpened(Handle());
        ExitRequested = true;
    }
    Application->OnActivate = TNotifyEvent(this, &TMixControlWnd::FormActiveChanged);
    Application->OnDeactivate = TNotifyEvent(this, &TMixControlWnd::FormActiveChanged);
    ControlWndHeight = Height() - ClientHeight() + kClientHeight;
    FLimitSize = true;
}

void TMixControlWnd::FormActiveChanged(toolkit::TObject*) {}

void TMixControlWnd::WMTrayIcon(toolkit::TMessage& Msg) {
    if (Msg.LParam == WM_LBUTTONDBLCLK) {
        SetWindowState(toolkit::TWindowState::wsNormal);
        Show();
    }
}

void TMixControlWnd::WMGetMinMaxInfo(toolkit::TMessage& Msg) {
    if (FLimitSize) {
        auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
        info->ptMaxSize = {kControlWndWidth, ControlWndHeight};
        info->ptMaxPosition = {0, 0};
        info->ptMinTrackSize = {kControlWndWidth, ControlWndHeight};
        info->ptMaxTrackSize = {kControlWndWidth, ControlWndHeight};
    }
    Msg.Result = 0;
}

} // namespace app
