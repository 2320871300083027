// The settings dialog: creation for a card, filling the controls from the working copy, and the
// handlers through which the controls edit it.
#include "settings/settings_dialog.h"

#include "controls/about_box.h"
#include "controls/window_messages.h"
#include "toolkit/application.h"
#include "toolkit/win_ui.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace settings {

using namespace toolkit;
using driver::kFalse;
using driver::kTrue;

namespace {

std::int32_t asBool(bool value) {
    return value ? kTrue : kFalse;
}

} // namespace

TdlgCfg::TdlgCfg(TComponent* Owner, driver::TDriverConfig& Config, std::uint8_t Card,
                 std::uint8_t CardCount)
    : TForm(Owner), FConfig(&Config), FCard(Card), FCardCount(CardCount) {
    publishHandlers();
}

TdlgCfg* TdlgCfg::CreateForCard(TComponent* Owner, driver::TDriverConfig& Config, std::uint8_t Card,
                                std::uint8_t CardCount) {
    if (Card >= 4) {
        throw EInvalidOperation("There is no card " + IntToStr(Card + 1));
    }
    auto* dialog = TCustomForm::Create<TdlgCfg>(Owner, Config, Card, CardCount);
    try {
        dialog->prepareForCard();
    } catch (...) {
        dialog->Free();
        throw;
    }
    return dialog;
}

void TdlgCfg::prepareForCard() {
    std::memcpy(&FWork, &FConfig->Cards[FCard], sizeof FWork);
    FOkPressed = false;

    SetCaption("Orvane Einstellungen Karte #" + IntToStr(FCard + 1));
    if (FCard + 1 == FCardCount) {
        btnNext->SetEnabled(false);
    }

    boxDevices->Items().Clear();
    boxDevices->Items().Add("Kein Gerät verfügbar");
    for (int pair = 0; pair < 4; ++pair) {
        const int first = FCard * 8 + 2 * pair + 1;
        boxDevices->Items().Add("ADAT Playback " + IntToStr(first) + "-" + IntToStr(first + 1));
    }

    FTrackGuard = true;
    try {
        tckKerning->SetPosition(FWork.GsifKerning);
        tckPreload->SetPosition(FWork.GsifPreload);
    } catch (...) {
        FTrackGuard = false;
        throw;
    }
    FTrackGuard = false;

    btnApply->SetEnabled(false);
}

void TdlgCfg::publishHandlers() {
    Publish("FormShow", this, &TdlgCfg::FormShow);
    Publish("FormClose", this, &TdlgCfg::FormClose);
    Publish("btnOkClick", this, &TdlgCfg::btnOkClick);
    Publish("btnCancelClick", this, &TdlgCfg::btnCancelClick);
    Publish("btnApplyClick", this, &TdlgCfg::btnApplyClick);
    Publish("btnNextClick", this, &TdlgCfg::btnNextClick);
    Publish("btnInfoClick", this, &TdlgCfg::btnInfoClick);
    Publish("chkMasterClick", this, &TdlgCfg::chkMasterClick);
    Publish("chkSyncBusClock_Clock1Click", this, &TdlgCfg::chkSyncBusClock_Clock1Click);
    Publish("chkSyncBusClock_Clock2Click", this, &TdlgCfg::chkSyncBusClock_Clock2Click);
    Publish("edDefaultRate2Change", this, &TdlgCfg::edDefaultRate2Change);
    Publish("eddefaultRate2Exit", this, &TdlgCfg::eddefaultRate2Exit);
    Publish("btnAdatOutClock1Click", this, &TdlgCfg::btnAdatOutClock1Click);
    Publish("btnAdatOutClock2Click", this, &TdlgCfg::btnAdatOutClock2Click);
    Publish("btnAdatOutSyncBusClick", this, &TdlgCfg::btnAdatOutSyncBusClick);
    Publish("chkAdatOut_AllAutonomClick", this, &TdlgCfg::chkAdatOut_AllAutonomClick);
    Publish("chkAdatOut_AllSynchronClick", this, &TdlgCfg::chkAdatOut_AllSynchronClick);
    Publish("chkAdatOut_SyncBusClick", this, &TdlgCfg::chkAdatOut_SyncBusClick);
    Publish("chkAdatInp_AllAutonomClick", this, &TdlgCfg::chkAdatInp_AllAutonomClick);
    Publish("chkAdatInp_AllSynchronClick", this, &TdlgCfg::chkAdatInp_AllSynchronClick);
    Publish("chkAdatInp_SyncBusClick", this, &TdlgCfg::chkAdatInp_SyncBusClick);
    Publish("btnAutoLatencyClick", this, &TdlgCfg::btnAutoLatencyClick);
    Publish("btnManLatencyClick", this, &TdlgCfg::btnManLatencyClick);
    Publish("barLatencyChange", this, &TdlgCfg::barLatencyChange);
    Publish("chkWriteIsPlayCursorClick", this, &TdlgCfg::chkWriteIsPlayCursorClick);
    Publish("chkRestrictedClick", this, &TdlgCfg::chkRestrictedClick);
    Publish("boxRestrictedRateChange", this, &TdlgCfg::boxRestrictedRateChange);
    Publish("boxRestrictedResChange", this, &TdlgCfg::boxRestrictedResChange);
    Publish("chkRestrictedDevClick", this, &TdlgCfg::chkRestrictedDevClick);
    Publish("boxDevicesChange", this, &TdlgCfg::boxDevicesChange);
    Publish("tckKerningChange", this, &TdlgCfg::tckKerningChange);
    Publish("tckPreloadChange", this, &TdlgCfg::tckPreloadChange);
    Publish("chkNoMsgRateClick", this, &TdlgCfg::chkNoMsgRateClick);
}

void TdlgCfg::FormShow(TObject*) {
    FillControls();
}

// Setting a check box, a radio button, a track bar or the edit runs its handler when the state
// really changes, as the user's change would; selecting a list item does not.
void TdlgCfg::FillControls() {
    chkNoMsgRate->SetChecked(FWork.RateMessages == 0);
    edDefaultRate2->SetText(std::to_string(FWork.DefaultRate));
    chkMaster->SetChecked(FWork.Master != 0);
    chkSyncBusClock_Clock1->SetChecked(FWork.SyncBusClock == 0);
    chkSyncBusClock_Clock2->SetChecked(FWork.SyncBusClock == 1);
    btnAdatOutClock1->SetChecked(FWork.PlayClock == 0);
    btnAdatOutClock2->SetChecked(FWork.PlayClock == 1);
    btnAdatOutSyncBus->SetChecked(FWork.PlayClock == 2);

    chkAdatOut_SyncBus->SetChecked(FWork.PlaySyncBus != 0 && FWork.PlaySynchron != 0);
    chkAdatInp_SyncBus->SetChecked(FWork.RecSyncBus != 0 && FWork.RecSynchron != 0);
    chkAdatOut_AllAutonom->SetChecked(FWork.PlaySyncBus == 0 && FWork.PlaySynchron == 0);
    chkAdatInp_AllAutonom->SetChecked(FWork.RecSyncBus == 0 && FWork.RecSynchron == 0);

    chkWriteIsPlayCursor->SetChecked(FWork.WriteIsPlayCursor != 0);
    if (FWork.DsLatency != 0) {
        // Values beyond the bar's range are held at its end.
        barLatency->SetPosition(static_cast<int>(std::min<std::uint32_t>(FWork.DsLatency, 100)));
        btnManLatency->SetChecked(true);
    } else {
        btnAutoLatency->SetChecked(true);
    }
    lbMs->SetCaption(IntToStr(barLatency->Position()));

    if (FWork.RestrictedRate != 0) {
        chkRestricted->SetChecked(true);
        enableFormatControls(true);
        if (FWork.RestrictedRate == 44100) {
            boxRestrictedRate->SetItemIndex(0);
        } else if (FWork.RestrictedRate == 48000) {
            boxRestrictedRate->SetItemIndex(1);
        }
        if (FWork.RestrictedRes == 1) {
            boxRestrictedRes->SetItemIndex(0);
        } else if (FWork.RestrictedRes == 2) {
            boxRestrictedRes->SetItemIndex(1);
        }
    } else {
        chkRestricted->SetChecked(false);
        enableFormatControls(false);
        boxRestrictedRate->SetItemIndex(0);
        boxRestrictedRes->SetItemIndex(1);
    }

    // A device beyond the list leaves it without a selection.
    const std::int64_t device = static_cast<std::int64_t>(FWork.RestrictedDevice) + 1;
    boxDevices->SetItemIndex(
        device >= 0 && device < boxDevices->Items().Count() ? static_cast<int>(device) : -1);
    if (FWork.RestrictedDev != 0) {
        chkRestrictedDev->SetChecked(true);
        boxDevices->SetEnabled(true);
    } else {
        boxDevices->SetEnabled(false);
    }
}

void TdlgCfg::edited() {
    btnApply->SetEnabled(true);
}

void TdlgCfg::enableLatencyControls(bool enabled) {
    lbMs->SetEnabled(enabled);
    lbMsLabel->SetEnabled(enabled);
    for (TLabel* label : lbScale) {
        label->SetEnabled(enabled);
    }
    barLatency->SetEnabled(enabled);
}

void TdlgCfg::enableFormatControls(bool enabled) {
    boxRestrictedRes->SetEnabled(enabled);
    boxRestrictedRate->SetEnabled(enabled);
    lbstereo->SetEnabled(enabled);
}

void TdlgCfg::chkMasterClick(TObject*) {
    edited();
    FWork.Master = asBool(chkMaster->Checked());
    chkSyncBusClock_Clock1->SetEnabled(FWork.Master != 0);
    chkSyncBusClock_Clock2->SetEnabled(FWork.Master != 0);
}

void TdlgCfg::chkSyncBusClock_Clock1Click(TObject*) {
    edited();
    FWork.SyncBusClock = 0;
}

void TdlgCfg::chkSyncBusClock_Clock2Click(TObject*) {
    edited();
    FWork.SyncBusClock = 1;
}

void TdlgCfg::btnAdatOutClock1Click(TObject*) {
    edited();
    FWork.PlayClock = 0;
}

void TdlgCfg::btnAdatOutClock2Click(TObject*) {
    edited();
    FWork.PlayClock = 1;
}

void TdlgCfg::btnAdatOutSyncBusClick(TObject*) {
    edited();
    FWork.PlayClock = 2;
}

void TdlgCfg::chkAdatOut_AllAutonomClick(TObject*) {
    edited();
    btnAdatOutClock1->SetEnabled(true);
    btnAdatOutClock2->SetEnabled(true);
    FWork.PlaySyncBus = kFalse;
    FWork.PlaySynchron = kFalse;
    FWork.SyncBusBoth = kFalse;
}

void TdlgCfg::chkAdatOut_AllSynchronClick(TObject*) {
    edited();
    btnAdatOutClock1->SetEnabled(true);
    btnAdatOutClock2->SetEnabled(true);
    FWork.PlaySyncBus = kFalse;
    FWork.PlaySynchron = kTrue;
    FWork.SyncBusBoth = kFalse;
}

void TdlgCfg::chkAdatOut_SyncBusClick(TObject*) {
    edited();
    // Playback over SyncBus takes its clock from SyncBus.
    btnAdatOutSyncBus->SetChecked(true);
    btnAdatOutClock1->SetEnabled(false);
    btnAdatOutClock2->SetEnabled(false);
    FWork.PlaySyncBus = kTrue;
    FWork.PlaySynchron = kTrue;
    FWork.SyncBusBoth = asBool(FWork.RecSyncBus != 0);
}

void TdlgCfg::chkAdatInp_AllAutonomClick(TObject*) {
    edited();
    FWork.RecSyncBus = kFalse;
    FWork.RecSynchron = kFalse;
    FWork.SyncBusBoth = kFalse;
}

void TdlgCfg::chkAdatInp_AllSynchronClick(TObject*) {
    edited();
    FWork.RecSyncBus = kFalse;
    FWork.RecSynchron = kTrue;
    FWork.SyncBusBoth = kFalse;
}

void TdlgCfg::chkAdatInp_SyncBusClick(TObject*) {
    edited();
    FWork.RecSyncBus = kTrue;
    FWork.RecSynchron = kTrue;
    FWork.SyncBusBoth = asBool(FWork.PlaySyncBus != 0);
}

void TdlgCfg::btnAutoLatencyClick(TObject*) {
    edited();
    if (btnAutoLatency->Checked()) {
        FWork.DsLatency = 0;
        enableLatencyControls(false);
    }
}

void TdlgCfg::btnManLatencyClick(TObject*) {
    edited();
    if (btnManLatency->Checked()) {
        enableLatencyControls(true);
        FWork.DsLatency = static_cast<std::uint32_t>(barLatency->Position());
    }
}

void TdlgCfg::barLatencyChange(TObject*) {
    edited();
    FWork.DsLatency = static_cast<std::uint32_t>(barLatency->Position());
    lbMs->SetCaption(IntToStr(barLatency->Position()));
}

void TdlgCfg::chkWriteIsPlayCursorClick(TObject*) {
    edited();
    FWork.WriteIsPlayCursor = asBool(chkWriteIsPlayCursor->Checked());
}

void TdlgCfg::chkRestrictedClick(TObject*) {
    edited();
    enableFormatControls(chkRestricted->Checked());
    UpdateRestrictedRate();
    UpdateRestrictedRes();
}

void TdlgCfg::boxRestrictedRateChange(TObject*) {
    edited();
    UpdateRestrictedRate();
    UpdateRestrictedRes();
}

void TdlgCfg::boxRestrictedResChange(TObject*) {
    edited();
    UpdateRestrictedRate();
    UpdateRestrictedRes();
}

void TdlgCfg::UpdateRestrictedRate() {
    if (!chkRestricted->Checked()) {
        FWork.RestrictedRate = 0;
    } else if (boxRestrictedRate->ItemIndex() == 0) {
        FWork.RestrictedRate = 44100;
    } else if (boxRestrictedRate->ItemIndex() == 1) {
        FWork.RestrictedRate = 48000;
    }
}

void TdlgCfg::UpdateRestrictedRes() {
    if (!chkRestricted->Checked()) {
        FWork.RestrictedRes = 0;
    } else if (boxRestrictedRes->ItemIndex() == 0) {
        FWork.RestrictedRes = 1;
    } else if (boxRestrictedRes->ItemIndex() == 1) {
        FWork.RestrictedRes = 2;
    }
}

void TdlgCfg::chkRestrictedDevClick(TObject*) {
    edited();
    boxDevices->SetEnabled(chkRestrictedDev->Checked());
    FWork.RestrictedDev = asBool(chkRestrictedDev->Checked());
}

void TdlgCfg::boxDevicesChange(TObject*) {
    edited();
    FWork.RestrictedDevice = boxDevices->ItemIndex() - 1;
}

void TdlgCfg::chkNoMsgRateClick(TObject*) {
    edited();
    FWork.RateMessages = asBool(!chkNoMsgRate->Checked());
}

void TdlgCfg::btnOkClick(TObject*) {
    FOkPressed = true;
    Close();
}

void TdlgCfg::btnCancelClick(TObject*) {
    Close();
}

void TdlgCfg::btnApplyClick(TObject*) {
    if (ApplySettings()) {
        btnApply->SetEnabled(false);
    }
}

void TdlgCfg::btnInfoClick(TObject*) {
    // The program keeps one about box for its whole run; without one (a dialog opened on its
    // own), a box lives for this showing.
    if (Application != nullptr) {
        for (TCustomForm* form : Application->Forms()) {
            if (auto* box = dynamic_cast<controls::TAboutBox*>(form); box && !box->Visible()) {
                box->ShowModal();
                return;
            }
        }
    }
    auto* box = TCustomForm::Create<controls::TAboutBox>(nullptr);
    try {
        box->ShowModal();
    } catch (...) {
        box->Free();
        throw;
    }
    box->Free();
}

void TdlgCfg::btnNextClick(TObject*) {
    if (FCard + 1 >= FCardCount || FCard + 1 >= 4) {
        return;
    }
    TdlgCfg* next = CreateForCard(this, *FConfig, static_cast<std::uint8_t>(FCard + 1), FCardCount);
    try {
        next->SetPosition(TPosition::poDesigned);
        next->SetBounds(Left() + 24, Top() + 24, next->Width(), next->Height());
        next->ShowModal();
    } catch (...) {
        next->Free();
        throw;
    }
    next->Free();
}

TCustomForm* TdlgCfg::controlWindow() const {
    TComponent* owner = Owner();
    while (dynamic_cast<TdlgCfg*>(owner) != nullptr) {
        owner = owner->Owner();
    }
    return dynamic_cast<TCustomForm*>(owner);
}

void TdlgCfg::FormClose(TObject*, TCloseAction& Action) {
    bool result = true;
    if (FOkPressed) {
        result = ApplySettings();
        FOkPressed = false;
    }
    if (!result) {
        // The dialog stays open with the user's values.
        Action = TCloseAction::caNone;
        return;
    }
    if (TCustomForm* window = controlWindow(); window != nullptr) {
        PostMessageA(window->Handle(), controls::WM_FORMCLOSED, 0,
                     reinterpret_cast<LPARAM>(Handle()));
    }
    Action = TCloseAction::caHide;
}

} // namespace settings
