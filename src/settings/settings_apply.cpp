// The settings dialog's talk with the driver: checking the default rate, writing the settings
// of all cards, and the GSIF values sent while their track bars move.
#include "driver/config_channel.h"
#include "settings/settings_dialog.h"
#include "toolkit/win_ui.h"

#include <cstring>

namespace settings {

using namespace toolkit;

namespace {

const char kRestartNotice[] = "Sie müssen Windows neu starten, damit die Änderungen zu den "
                              "verfügbaren DirectSound-Geräten übernommen werden.";
const char kNotReconfigurable[] =
    "Die Einstellungen des Orvane Treibers können derzeit nicht geändert werden.\r\n"
    "Beenden Sie erst alle Anwendungen, welche die Orvane verwenden.";

int showBox(TCustomForm* owner, const char* text, const char* caption, UINT style) {
    return MessageBoxA(owner->Handle(), Utf8ToCp1252(text).c_str(), Utf8ToCp1252(caption).c_str(),
                       style);
}

} // namespace

void TdlgCfg::edDefaultRate2Change(TObject*) {
    edDefaultRate2->SetColor(clWindow);
    FRateInvalid = false;
}

void TdlgCfg::eddefaultRate2Exit(TObject*) {
    std::int32_t rate = 0;
    bool valid = true;
    try {
        rate = StrToInt(edDefaultRate2->Text());
    } catch (const EConvertError&) {
        valid = false;
    }
    if (!valid || rate < kMinDefaultRate || rate > kMaxDefaultRate) {
        MessageBeep(1);
        FRateInvalid = true;
        edDefaultRate2->SetColor(kInvalidEditColor);
        // The edit may stand on a page the user has left (OK pressed on another page): that
        // page comes to the front, so that the red edit is seen and can take the focus.
        if (pgMain->ActivePage() != tabSync) {
            pgMain->SetActivePage(tabSync);
        }
        if (edDefaultRate2->CanFocus()) {
            edDefaultRate2->SetFocus();
        }
        return;
    }
    // Only a new rate is an edit: the check that opens every apply must not turn "nothing to
    // write" into a write (and, with the card in use, into an error).
    if (static_cast<std::uint32_t>(rate) != FWork.DefaultRate) {
        edited();
    }
    FWork.DefaultRate = static_cast<std::uint32_t>(rate);
}

void TdlgCfg::sendGsifOnTheFly() {
    driver::TGsifOnTheFly fly{};
    fly.GsifKerning = tckKerning->Position();
    fly.GsifPreload = tckPreload->Position();
    // A driver that does not take the values is not noticed: they are applied again with the
    // settings.
    (void)driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdSetConfigOnTheFly,
                                   &fly, sizeof fly);
}

void TdlgCfg::tckKerningChange(TObject*) {
    if (FTrackGuard) {
        return;
    }
    // The preload stays at least two above the granularity.
    if (tckKerning->Position() > tckPreload->Position() - 2) {
        FTrackGuard = true;
        try {
            tckPreload->SetPosition(tckKerning->Position() + 2);
        } catch (...) {
            FTrackGuard = false;
            throw;
        }
        FTrackGuard = false;
    }
    sendGsifOnTheFly();
}

void TdlgCfg::tckPreloadChange(TObject*) {
    if (FTrackGuard) {
        return;
    }
    if (tckKerning->Position() > tckPreload->Position() - 2) {
        FTrackGuard = true;
        try {
            tckKerning->SetPosition(tckPreload->Position() - 2);
        } catch (...) {
            FTrackGuard = false;
            throw;
        }
        FTrackGuard = false;
    }
    sendGsifOnTheFly();
}

bool TdlgCfg::ApplySettings() {
    eddefaultRate2Exit(edDefaultRate2);
    if (FRateInvalid) {
        return false;
    }
    if (!btnApply->Enabled()) {
        return true;
    }

    driver::TCardConfig& shared = FConfig->Cards[FCard];
    if ((shared.RestrictedDev != 0) != (FWork.RestrictedDev != 0) ||
        shared.RestrictedDevice != FWork.RestrictedDevice) {
        showBox(this, kRestartNotice, "Orvane Info", MB_ICONINFORMATION);
    }

    FWork.GsifKerning = tckKerning->Position();
    FWork.GsifPreload = tckPreload->Position();

    bool success = false;
    std::int32_t reconfigurable = 0;
    if (driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdReconfigurable,
                                 &reconfigurable, sizeof reconfigurable) &&
        reconfigurable != 0) {
        const driver::TCardConfig previous = shared;
        std::memcpy(&shared, &FWork, sizeof FWork);
        success = driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdSetConfig,
                                           FConfig, sizeof *FConfig);
        if (!success) {
            // The driver has not got it: the shared record stays as the driver last gave it,
            // so that another card's dialog does not send this card's unapplied edits.
            shared = previous;
        }
    }
    if (!success) {
        showBox(this, kNotReconfigurable, "Fehler", MB_ICONERROR);
        return false;
    }

    if (driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdGetConfig, FConfig,
                                 sizeof *FConfig)) {
        FillControls();
    }
    return true;
}

} // namespace settings
