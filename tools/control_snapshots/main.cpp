// Renders the system's own controls to PNG files for a person to look at: a level meter as the
// meter windows use it at several levels (silence, -40, -20 and -6 dB, full scale, and a peak
// held above a falling column), each alone and all side by side, a slider, and the about box.
//
// Usage: control-snapshots [output directory]   (default: the current directory)
#include "controls/about_box.h"
#include "controls/level_meter.h"
#include "controls/meter_preset.h"
#include "controls/slider.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/windowing.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

struct MeterState {
    const char* name;
    const char* caption;
    int level;
    int ticksAfterFull; // > 0: full scale, then silence and this many ticks
};

const std::vector<MeterState> kStates = {
    {"silence", "off", 0, 0},     {"minus40db", "-40", 328, 0}, {"minus20db", "-20", 3277, 0},
    {"minus6db", "-6", 16422, 0}, {"full", "0 dB", 32767, 0},   {"peak_hold", "peak", 0, 12},
};

void apply(TLevelMeter* meter, const MeterState& state) {
    if (state.ticksAfterFull > 0) {
        meter->SetLevel(32767);
        meter->SetLevel(0);
        for (int i = 0; i < state.ticksAfterFull; ++i) {
            meter->Perform(kLevelTickMessage, 0, 0);
        }
    } else {
        meter->SetLevel(state.level);
    }
}

bool save(TWinControl* control, const std::string& path) {
    Application->ProcessMessages();
    if (!SaveSnapshot(control, path)) {
        std::fprintf(stderr, "control-snapshots: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

bool meters(const std::string& dir) {
    bool ok = true;
    for (const MeterState& state : kStates) {
        auto* meter = new TLevelMeter(nullptr);
        ApplyMeterPreset(*meter);
        apply(meter, state);
        ok = save(meter, dir + "/meter_" + state.name + ".png") && ok;
        meter->Free();
    }
    // All states side by side, captioned, on a grey panel.
    auto* panel = new TPanel(nullptr);
    panel->SetBevelOuter(TBevelCut::bvNone);
    panel->SetBounds(0, 0, 10 + 40 * static_cast<int>(kStates.size()), 195);
    int left = 10;
    for (const MeterState& state : kStates) {
        auto* meter = new TLevelMeter(panel);
        meter->SetParent(panel);
        meter->SetBounds(left, 6, kWindowMeter.Width, kWindowMeter.Height);
        ApplyMeterPreset(*meter);
        apply(meter, state);
        auto* label = new TLabel(panel);
        label->SetParent(panel);
        label->SetCaption(state.caption);
        label->SetBounds(left - 8, 174, 34, 14);
        label->SetAutoSize(false);
        label->SetAlignment(TAlignment::taCenter);
        left += 40;
    }
    ok = save(panel, dir + "/meters.png") && ok;
    panel->Free();
    return ok;
}

bool slider(const std::string& dir) {
    auto* panel = new TPanel(nullptr);
    panel->SetBounds(0, 0, 60, 170);
    auto* s = new TSlider(panel);
    s->SetParent(panel);
    s->SetBounds(28, 10, 4, 149);
    s->SetupKnob();
    s->SetPosition(70);
    bool ok = save(panel, dir + "/slider.png");
    panel->Free();
    return ok;
}

bool aboutBox(const std::string& dir) {
    auto* box = TCustomForm::Create<TAboutBox>(nullptr);
    bool ok = save(box, dir + "/about_box.png");
    box->Free();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string dir = argc > 1 ? argv[1] : ".";
    InitializeWindowing();
    bool ok = meters(dir);
    ok = slider(dir) && ok;
    ok = aboutBox(dir) && ok;
    Application->ProcessMessages();
    FlushDeferredDeletes();
    return ok ? 0 : 1;
}
