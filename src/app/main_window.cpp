#include "app/main_window.h"

#include "app/control_window.h"
#include "app/startup.h"
#include "driver/config_channel.h"
#include "driver/devices.h"
#include "driver/records.h"
#include "toolkit/application.h"
#include "toolkit/menus.h"
#include "toolkit/win_ui.h"

#include <cstring>

namespace app {

using namespace toolkit;

TMenuItem* MakeMenuItem(const std::string& Caption, TNotifyEvent OnClick) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(Caption);
    item->OnClick = OnClick;
    return item;
}

TfrmMain::TfrmMain(TComponent* owner) : TForm(owner) {
    Publish("FormCreate", this, &TfrmMain::FormCreate);
    Publish("FormClose", this, &TfrmMain::FormClose);
    Publish("OpenClick", this, &TfrmMain::OpenClick);
    Publish("ExitClick", this, &TfrmMain::ExitClick);
    SetMessageHandler(WM_TRAYMESSAGE, this, &TfrmMain::WMTrayMessage);
    SetMessageHandler(WM_DEVICECHANGE, this, &TfrmMain::WMDeviceChange);
    SetMessageHandler(WM_ENDSESSION, this, &TfrmMain::WMEndSession);
    SetMessageHandler(WM_QUERYENDSESSION, this, &TfrmMain::WMQueryEndSession);
}

TfrmMain::~TfrmMain() {
    FreeTrayMenu();
    if (frmMain == this) {
        frmMain = nullptr;
    }
}

void TfrmMain::Describe() {
    SetName("frmMain");
    SetCaption("frmMain");
    Font().SetName("MS Sans Serif");
    Bind(OnCreate, "FormCreate");
    Bind(OnClose, "FormClose");
}

void TfrmMain::FormCreate(TObject*) {}

void TfrmMain::FormClose(TObject*, TCloseAction&) {
    ExitClick(this);
}

void TfrmMain::OpenClick(TObject*) {
    ShowControlWindow();
}

void TfrmMain::ExitClick(TObject*) {
    if (MixControlWnd != nullptr) {
        MixControlWnd->Close();
    }
    ExitRequested = true;
}

void TfrmMain::ShowControlWindow() {
    if (MixControlWnd == nullptr) {
        MixControlWnd = TCustomForm::Create<TMixControlWnd>(nullptr);
    }
    MixControlWnd->Show();
    MixControlWnd->BringToFront();
}

void TfrmMain::ShowTrayMenu() {
    if (FTrayMenu == nullptr) {
        FTrayMenu = new TPopupMenu(nullptr);
    }
    FTrayMenu->Items()->Add(MakeMenuItem("Open", TNotifyEvent(this, &TfrmMain::OpenClick)));
    FTrayMenu->Items()->Add(MakeMenuItem("-", TNotifyEvent()));
    FTrayMenu->Items()->Add(MakeMenuItem("Exit", TNotifyEvent(this, &TfrmMain::ExitClick)));
    POINT at{};
    GetCursorPos(&at);
    FTrayMenu->Popup(at.x, at.y);
}

void TfrmMain::FreeTrayMenu() {
    if (FTrayMenu != nullptr) {
        TPopupMenu* menu = FTrayMenu;
        FTrayMenu = nullptr;
        menu->Free();
    }
}

void TfrmMain::WMTrayMessage(TMessage& Msg) {
    switch (Msg.LParam) {
    case WM_LBUTTONDOWN:
        FreeTrayMenu();
        break;
    case WM_LBUTTONDBLCLK:
        ShowControlWindow();
        break;
    case WM_RBUTTONDOWN:
        if (FTrayMenu != nullptr) {
            FreeTrayMenu();
        } else {
            ShowTrayMenu();
        }
        break;
    default:
        break;
    }
}

void TfrmMain::WMDeviceChange(TMessage& Msg) {
    Msg.Result = TRUE; // a removal is never refused
    if (Msg.WParam != DBT_DEVICEQUERYREMOVE || Msg.LParam == 0) {
        return;
    }
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(Msg.LParam);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVNODE ||
        header->dbch_size < sizeof(DEV_BROADCAST_DEVNODE)) {
        return;
    }
    const DWORD devNode = reinterpret_cast<const DEV_BROADCAST_DEVNODE*>(Msg.LParam)->dbcd_devnode;
    bool ours = false;
    for (std::int32_t card = 0; card < driver::CardCount; ++card) {
        if (driver::CardDevNodes[static_cast<std::size_t>(card)] == devNode) {
            ours = true;
            break;
        }
    }
    if (!ours) {
        return;
    }
    // The driver learns of the removal through card 0's first field, whichever card it is.
    driver::TDriverConfig config{};
    if (driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdGetConfig, &config,
                                 sizeof config)) {
        config.Cards[0].RemovalNotice = driver::kTrue;
        driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdSetConfig, &config,
                                 sizeof config);
    }
    if (MixControlWnd != nullptr) {
        TMixControlWnd* window = MixControlWnd;
        window->Close();
        // Its destruction clears MixControlWnd.
        window->Free();
    }
    ExitRequested = true;
}

void TfrmMain::WMEndSession(TMessage& Msg) {
    if (Msg.WParam != 0) {
        ExitClick(this);
    }
    Msg.Result = 0;
}

void TfrmMain::WMQueryEndSession(TMessage& Msg) {
    Msg.Result = TRUE;
}

} // namespace app
