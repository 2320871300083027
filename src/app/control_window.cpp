#include "app/control_window.h"

#include "app/driver_messages.h"
#include "app/startup.h"
#include "controls/window_messages.h"
#include "driver/config_channel.h"
#include "driver/devices.h"
#include "meters/adat_inp.h"
#include "meters/adat_out.h"
#include "meters/form_utils.h"
#include "settings/settings_dialog.h"
#include "toolkit/application.h"
#include "toolkit/exceptions.h"
#include "toolkit/win_ui.h"

namespace app {

using namespace toolkit;
using controls::TExtCheckBox;

int ControlWndHeight = 0;
meters::TfrmAdatInp* frmAdatInp = nullptr;
meters::TfrmAdatOut* frmAdatOut = nullptr;
settings::TdlgCfg* dlgCfg = nullptr;

namespace {

constexpr int kControlWndWidth = 149;
// The three panels stack to this client height: 49 + 29 + 27.
constexpr int kClientHeight = 105;

TPanel* makePanel(TMixControlWnd* form, const char* name, TAlign align, int height) {
    auto* panel = new TPanel(form);
    panel->SetName(name);
    panel->SetParent(form);
    panel->SetAlign(align);
    panel->SetHeight(height);
    panel->SetBevelInner(TBevelCut::bvRaised);
    panel->SetBevelOuter(TBevelCut::bvLowered);
    panel->SetCaption("");
    return panel;
}

TExtCheckBox* makeBox(TMixControlWnd* form, TPanel* parent, const char* name, int left, int top,
                      int width, int height, std::int32_t tag, const std::string& german,
                      const std::string& english, const char* onClick) {
    auto* box = new TExtCheckBox(form);
    box->SetName(name);
    box->SetParent(parent);
    box->SetBounds(left, top, width, height);
    box->SetTag(tag);
    box->SetCaptionGerman(german);
    box->SetCaptionEnglish(english);
    form->Bind(box->OnClick, onClick);
    return box;
}

} // namespace

TMixControlWnd::TMixControlWnd(TComponent* owner) : TForm(owner) {
    Publish("FormCreate", this, &TMixControlWnd::FormCreate);
    Publish("FormShow", this, &TMixControlWnd::FormShow);
    Publish("FormClose", this, &TMixControlWnd::FormClose);
    Publish("chkAdatInputsClick", this, &TMixControlWnd::chkAdatInputsClick);
    Publish("chkAdatOutputsClick", this, &TMixControlWnd::chkAdatOutputsClick);
    Publish("chkStayOnTopClick", this, &TMixControlWnd::chkStayOnTopClick);
    Publish("chkSettingsClick", this, &TMixControlWnd::chkSettingsClick);
    Publish("FormActiveChanged", this, &TMixControlWnd::FormActiveChanged);
    SetMessageHandler(controls::WM_FORMCLOSED, this, &TMixControlWnd::WMFormClosed);
    SetMessageHandler(WM_GETMINMAXINFO, this, &TMixControlWnd::WMGetMinMaxInfo);
    SetMessageHandler(WM_TRAYICON, this, &TMixControlWnd::WMTrayIcon);
}

TMixControlWnd::~TMixControlWnd() {
    // The application's activation must not reach a freed window.
    TNotifyEvent mine(this, &TMixControlWnd::FormActiveChanged);
    if (Application != nullptr) {
        if (Application->OnActivate == mine) {
            Application->OnActivate = nullptr;
        }
        if (Application->OnDeactivate == mine) {
            Application->OnDeactivate = nullptr;
        }
    }
    if (MixControlWnd == this) {
        MixControlWnd = nullptr;
    }
}

void TMixControlWnd::Describe() {
    SetName("MixControlWnd");
    SetBounds(0, 0, kControlWndWidth, 132);
    Font().SetName("Arial");
    Font().SetHeight(-11);
    Font().SetColor(clBlack);
    SetColor(clBtnFace);
    SetBorderStyle(TBorderStyle::bsSizeable);
    Bind(OnCreate, "FormCreate");
    Bind(OnShow, "FormShow");
    Bind(OnClose, "FormClose");

    Panel1 = makePanel(this, "Panel1", TAlign::alTop, 49);
    chkAdatInputs = makeBox(this, Panel1, "chkAdatInputs", 8, 8, 100, 17, -1, " ADAT Inputs",
                            " ADAT Inputs", "chkAdatInputsClick");
    chkAdatOutputs = makeBox(this, Panel1, "chkAdatOutputs", 8, 26, 100, 17, -1, " ADAT Outputs",
                             " ADAT Outputs", "chkAdatOutputsClick");
    Panel2 = makePanel(this, "Panel2", TAlign::alBottom, 27);
    chkStayOnTop = makeBox(this, Panel2, "chkStayOnTop", 8, 6, 129, 17, -1,
                           " Immer im &Vordergrund", " Always On &Top", "chkStayOnTopClick");
    Panel3 = makePanel(this, "Panel3", TAlign::alClient, 29);
    chkSettings = makeBox(this, Panel3, "chkSettings", 8, 8, 97, 14, 0, " &Einstellungen",
                          " &Settings", "chkSettingsClick");
}

void TMixControlWnd::Notification(TComponent* component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation != TOperation::opRemove) {
        return;
    }
    // However an owned window goes, its reference does not outlive it.
    if (component == frmAdatInp) {
        frmAdatInp = nullptr;
    } else if (component == frmAdatOut) {
        frmAdatOut = nullptr;
    } else if (component != nullptr && component == settingsDialog()) {
        dlgCfg = nullptr;
    }
}

void TMixControlWnd::FormCreate(TObject*) {
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

void TMixControlWnd::FormShow(TObject*) {
    if (driver::CardsPresent) {
        meters::LoadFormSettings(this, kSettingsKey, "", kSavedTagMask, true);
    }
}

void TMixControlWnd::FormClose(TObject*, TCloseAction&) {
    if (!driver::CardsPresent) {
        return;
    }
    // The boxes are saved as they are now, before they are cleared.
    meters::SaveFormSettings(this, kSettingsKey, "", kSavedTagMask, true);
    // Clearing a box frees the window it stands for, and those windows are owned components
    // too: the boxes are gathered first, in owner order.
    std::vector<TCheckBox*> boxes;
    for (TComponent* component : ComponentList()) {
        if (auto* box = dynamic_cast<TCheckBox*>(component)) {
            boxes.push_back(box);
        }
    }
    for (TCheckBox* box : boxes) {
        box->SetChecked(false);
    }
}

template <typename F> void TMixControlWnd::ToggleMeterWindow(TExtCheckBox* box, F*& window) {
    if (!box->Checked()) {
        meters::CloseAndFree(window);
    } else if (window == nullptr) {
        try {
            window = TCustomForm::Create<F>(this);
            if (window->Ready()) {
                window->Show();
            } else {
                // Runs this handler again, which frees the window.
                box->SetChecked(false);
            }
        } catch (const EAbort&) {
            box->SetChecked(false);
        } catch (...) {
            box->SetChecked(false);
            HandleCurrentException();
        }
    }
    Application->ProcessMessages();
}

void TMixControlWnd::chkAdatInputsClick(TObject*) {
    ToggleMeterWindow(chkAdatInputs, frmAdatInp);
}

void TMixControlWnd::chkAdatOutputsClick(TObject*) {
    ToggleMeterWindow(chkAdatOutputs, frmAdatOut);
}

void TMixControlWnd::chkStayOnTopClick(TObject*) {
    const bool onTop = chkStayOnTop->Checked();
    meters::StayOnTop(this, onTop);
    for (TComponent* component : std::vector<TComponent*>(ComponentList())) {
        if (auto* form = dynamic_cast<TCustomForm*>(component)) {
            meters::StayOnTop(form, onTop);
        }
    }
}

void TMixControlWnd::chkSettingsClick(TObject*) {
    if (chkSettings->Checked()) {
        if (dlgCfg == nullptr &&
            driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdGetConfig, &FConfig,
                                     sizeof FConfig)) {
            openSettingsDialog();
        }
    } else if (dlgCfg != nullptr) {
        closeSettingsDialog();
    }
}

void TMixControlWnd::openSettingsDialog() {
    dlgCfg = settings::TdlgCfg::CreateForCard(this, FConfig, 0,
                                              static_cast<std::uint8_t>(driver::CardCount));
    dlgCfg->Show();
}

void TMixControlWnd::closeSettingsDialog() {
    meters::CloseAndFree(dlgCfg);
}

TCustomForm* TMixControlWnd::settingsDialog() const {
    return dlgCfg;
}

void TMixControlWnd::FormActiveChanged(TObject*) {
    if (MixControlWnd != nullptr) {
        MixControlWnd->chkStayOnTopClick(MixControlWnd);
    }
}

void TMixControlWnd::WMFormClosed(TMessage& Msg) {
    const auto closed = reinterpret_cast<HWND>(Msg.LParam);
    if (closed == nullptr) {
        return;
    }
    auto is = [closed](TCustomForm* form) {
        return form != nullptr && form->HandleAllocated() && form->Handle() == closed;
    };
    if (is(frmAdatInp)) {
        chkAdatInputs->SetChecked(false);
    } else if (is(frmAdatOut)) {
        chkAdatOutputs->SetChecked(false);
    } else if (is(settingsDialog())) {
        chkSettings->SetChecked(false);
    }
}

void TMixControlWnd::WMTrayIcon(TMessage& Msg) {
    if (Msg.LParam == WM_LBUTTONDBLCLK) {
        SetWindowState(TWindowState::wsNormal);
        Show();
    }
}

void TMixControlWnd::WMGetMinMaxInfo(TMessage& Msg) {
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
