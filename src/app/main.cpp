// Orvane Manager: the control manager of the Orvane ADAT sound card. Without arguments it starts
// as it always has; its few options (command_line.h) are done before any window exists.
#include "app/command_line.h"
#include "app/icons.h"
#include "app/startup.h"
#include "simcard/wave_driver.h"
#include "toolkit/application.h"
#include "toolkit/shell_notify.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (int status = app::HandleCommandLine(argc, argv); status != app::kRunProgram) {
        return status;
    }
    toolkit::InitializeWindowing("orvane-manager");
    // ORVANE_TRAY=window: the icon in its own small window even where there is a notification
    // area.
    if (const char* tray = std::getenv("ORVANE_TRAY");
        tray != nullptr && std::strcmp(tray, "window") == 0) {
        toolkit::SetTrayHost(toolkit::TrayHost::Window);
    }
    toolkit::Application->SetTitle("Orvane Manager");
    app::RegisterIcons();
    toolkit::SetApplicationIcon(LoadIconA(nullptr, "MAINICON"));
    // The card's driver: on this system, the simulated card.
    simcard::installDrivers();
    try {
        app::RunManager();
    } catch (...) {
        // Whatever escaped the start-up is shown before the program ends.
        toolkit::HandleCurrentException();
    }
    toolkit::Application->Free();
    toolkit::FlushDeferredDeletes();
    return 0;
}
