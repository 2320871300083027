// Opens the ADAT meter windows on the simulated card, as the control window does when its boxes
// are ticked, so that a person can watch them; optionally saves snapshots of them and ends.
//
// Usage: meter-windows [--in] [--out] [--cards N] [--silent] [--wide] [--seconds S] [--snapshot
// DIR]
//   --in, --out     which windows to open (default: both)
//   --cards N       the number of simulated cards, 1 to 4 (default: as the simulated card's
//                   description says; $ORVANE_SIMCARD names one, otherwise two cards)
//   --silent        every input and output of the simulated card is silent
//   --wide          open the windows at their full width (all meter groups in view)
//   --snapshot DIR  after S seconds (default 3) of metering, save each window as a PNG in DIR
//                   (adat_inputs_<N>cards.png, adat_outputs_<N>cards.png) and end; implies
//                   --wide
// Without --snapshot the program runs until both windows are closed.
#include "app/icons.h"
#include "controls/window_messages.h"
#include "driver/devices.h"
#include "meters/adat_inp.h"
#include "meters/adat_out.h"
#include "meters/form_utils.h"
#include "simcard/wave_driver.h"
#include "toolkit/application.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace meters;
using namespace toolkit;

namespace {

// Stands in for the control window: owns the meter windows and frees one when it reports that
// it closed; the program ends when none is left.
class THostForm : public TForm {
public:
    explicit THostForm(TComponent* owner) : TForm(owner) {
        SetMessageHandler(controls::WM_FORMCLOSED, this, &THostForm::WMFormClosed);
    }
    TfrmAdatInp* Inputs = nullptr;
    TfrmAdatOut* Outputs = nullptr;

    bool Wide = false;

    template <typename F> void open(F*& form) {
        form = TCustomForm::Create<F>(this);
        if (!form->Ready()) {
            std::fprintf(stderr, "meter-windows: the %s window could not be opened\n",
                         form->Caption().c_str());
            CloseAndFree(form);
            return;
        }
        form->Show();
        if (Wide) {
            // Held to the window's largest width by its own limits.
            form->SetWidth(100000);
        }
    }
    bool anyOpen() const { return Inputs != nullptr || Outputs != nullptr; }

private:
    void WMFormClosed(TMessage& msg) {
        HWND closed = reinterpret_cast<HWND>(msg.LParam);
        if (Inputs != nullptr && Inputs->Handle() == closed) {
            CloseAndFree(Inputs);
        }
        if (Outputs != nullptr && Outputs->Handle() == closed) {
            CloseAndFree(Outputs);
        }
    }
};

void usage() {
    std::fprintf(stderr, "usage: meter-windows [--in] [--out] [--cards N] [--silent] "
                         "[--wide] [--seconds S] [--snapshot DIR]\n");
}

} // namespace

int main(int argc, char** argv) {
    bool in = false;
    bool out = false;
    bool silent = false;
    bool wide = false;
    int cards = 0;
    double seconds = 3;
    std::string snapshotDir;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--in") {
            in = true;
        } else if (arg == "--out") {
            out = true;
        } else if (arg == "--wide") {
            wide = true;
        } else if (arg == "--silent") {
            silent = true;
        } else if (arg == "--cards") {
            cards = std::atoi(value());
            if (cards < 1 || cards > 4) {
                std::fprintf(stderr, "meter-windows: --cards takes 1 to 4\n");
                return 2;
            }
        } else if (arg == "--seconds") {
            seconds = std::atof(value());
        } else if (arg == "--snapshot") {
            snapshotDir = value();
        } else {
            usage();
            return 2;
        }
    }
    if (!in && !out) {
        in = out = true;
    }

    simcard::DescriptionResult loaded = simcard::loadDescription();
    if (!loaded.description) {
        std::fprintf(stderr, "meter-windows: %s\n", loaded.error.c_str());
        return 3;
    }
    simcard::HardwareDescription description = *loaded.description;
    if (cards > 0) {
        description.cards = cards;
        for (int c = 0; c < 4; ++c) {
            description.cardStatus[static_cast<std::size_t>(c)] = c < cards ? 1 : 0;
        }
    }
    if (silent) {
        description.inputs.fill({simcard::SourceKind::Silence, 0, 0});
        description.outputs.fill({simcard::SourceKind::Silence, 0, 0});
    }
    simcard::installDrivers(description);

    InitializeWindowing();
    Application->SetTitle("Orvane Manager");
    app::RegisterIcons();
    MeterWindowIcon = LoadIconA(nullptr, "MIXERICON");
    driver::FindDevices();
    if (!driver::CardsPresent) {
        std::fprintf(stderr, "meter-windows: the simulated card shows no card\n");
        return 1;
    }

    THostForm* host = TCustomForm::Create<THostForm>(Application);
    host->Wide = wide || !snapshotDir.empty();
    if (in) {
        host->open(host->Inputs);
    }
    if (out) {
        host->open(host->Outputs);
    }

    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (host->anyOpen()) {
        Application->HandleMessage();
        if (!snapshotDir.empty() &&
            std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds)) {
            std::string suffix = "_" + std::to_string(driver::CardCount) + "cards.png";
            if (host->Inputs != nullptr &&
                !SaveSnapshot(host->Inputs, snapshotDir + "/adat_inputs" + suffix)) {
                status = 1;
            }
            if (host->Outputs != nullptr &&
                !SaveSnapshot(host->Outputs, snapshotDir + "/adat_outputs" + suffix)) {
                status = 1;
            }
            CloseAndFree(host->Inputs);
            CloseAndFree(host->Outputs);
        }
    }
    Application->ProcessMessages();
    DestroyIcon(MeterWindowIcon);
    Application->Free();
    FlushDeferredDeletes();
    return status;
}
