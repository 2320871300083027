// Opens the settings dialog of a card on the simulated card, before (and without) the control
// window: reads the configuration of all cards with "getconfig" and shows the dialog of card 1
// (or the card given), for a person to use. With --snapshots it renders the dialog's three
// pages, and the dialog with a refused default rate, to PNG files instead.
//
// Usage: settings-dialog [--card N] [--snapshots DIRECTORY]
#include "driver/config_channel.h"
#include "driver/devices.h"
#include "driver/records.h"
#include "settings/settings_dialog.h"
#include "simcard/wave_driver.h"
#include "toolkit/application.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace toolkit;

namespace {

driver::TDriverConfig Config{};

bool save(settings::TdlgCfg* dialog, const std::string& path) {
    Application->ProcessMessages();
    Application->ProcessMessages();
    if (!SaveSnapshot(dialog, path)) {
        std::fprintf(stderr, "settings-dialog: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

bool snapshots(settings::TdlgCfg* dialog, const std::string& dir) {
    // Beeps and boxes would only get in the way of a picture.
    SetBeepHandler([](UINT) {});
    SetMessageBoxHandler([](const MessageBoxRecord&) { return IDOK; });
    dialog->Show();
    bool ok = true;
    const std::string prefix = dir + "/settings_card" + std::to_string(dialog->Card() + 1) + "_";
    dialog->pgMain->SetActivePage(dialog->tabSync);
    ok = save(dialog, prefix + "synchronisation.png") && ok;
    dialog->pgMain->SetActivePage(dialog->tabDsnd);
    ok = save(dialog, prefix + "directsound_gsif.png") && ok;
    dialog->pgMain->SetActivePage(dialog->tabMisc);
    ok = save(dialog, prefix + "sonstiges.png") && ok;

    // A default rate below the range, refused when the edit is left.
    dialog->pgMain->SetActivePage(dialog->tabSync);
    dialog->edDefaultRate2->SetFocus();
    dialog->edDefaultRate2->SetText("21999");
    dialog->eddefaultRate2Exit(dialog->edDefaultRate2);
    ok = save(dialog, prefix + "refused_rate.png") && ok;
    dialog->Hide();
    return ok;
}

int fail(const char* text) {
    MessageBoxA(nullptr, Utf8ToCp1252(text).c_str(), "Fehler", MB_ICONERROR);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    int card = 1;
    std::string snapshotDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--card" && i + 1 < argc) {
            card = std::atoi(argv[++i]);
        } else if (arg == "--snapshots" && i + 1 < argc) {
            snapshotDir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: settings-dialog [--card N] [--snapshots DIRECTORY]\n");
            return 2;
        }
    }
    if (!snapshotDir.empty()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    InitializeWindowing();
    Application->SetTitle("Orvane Manager");
    simcard::installDrivers();
    driver::ConfigChannelEnabled = 1;

    int status = 0;
    try {
        driver::FindDevices();
        if (card < 0 || card >= driver::CardCount) {
            status = fail(("Es gibt keine Karte #" + std::to_string(card + 1) + " (" +
                           std::to_string(driver::CardCount) + " Karten gefunden).")
                              .c_str());
        } else if (!driver::DriverConfigCall(driver::ConfigChannelEnabled, driver::kCmdGetConfig,
                                             &Config, sizeof Config)) {
            status = fail("Die Einstellungen des Orvane Treibers konnten nicht gelesen werden.");
        } else {
            auto* dialog =
                settings::TdlgCfg::CreateForCard(nullptr, Config, static_cast<std::uint8_t>(card),
                                                 static_cast<std::uint8_t>(driver::CardCount));
            if (!snapshotDir.empty()) {
                status = snapshots(dialog, snapshotDir) ? 0 : 1;
            } else {
                dialog->Show();
                while (dialog->Visible() && !Application->Terminated()) {
                    Application->HandleMessage();
                }
            }
            dialog->Free();
        }
    } catch (...) {
        HandleCurrentException();
        status = 1;
    }
    Application->ProcessMessages();
    Application->Free();
    FlushDeferredDeletes();
    return status;
}
