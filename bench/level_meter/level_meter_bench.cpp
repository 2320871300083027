// What the level meters cost: SetLevel and LevelTick on one 40-lamp meter, and the full update
// of 64 such meters (64 levels, one tick each, and the repaint of what changed) as the meter
// windows run it, on the offscreen platform. Prints nanoseconds per operation.
#include "controls/level_meter.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/windowing.h"

#include <array>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

constexpr int kMeters = 64;

// Deterministic levels of a lively signal: mostly moderate, sometimes loud, sometimes silent.
std::array<int, 1024> makeLevels() {
    std::array<int, 1024> levels{};
    std::uint32_t seed = 12345;
    for (int& level : levels) {
        seed = seed * 1664525u + 1013904223u;
        int r = static_cast<int>(seed >> 8) % 1000;
        level = r < 100 ? 0 : r < 900 ? (r * 37) % 12000 : 20000 + (r * 71) % 12767;
    }
    return levels;
}
const std::array<int, 1024> kLevels = makeLevels();

void configure(TLevelMeter* meter) {
    meter->SetHeight(163);
    meter->SetLumiHeight(5);
    meter->SetNumLumisRed(1);
    meter->SetNumLumisOrange(12);
    meter->SetTimerInterval(40);
    meter->SetLevelMaxHold(3000);
}

// A shown form holding meters side by side, as a meter window does.
struct MeterForm {
    explicit MeterForm(int count) {
        form = TCustomForm::Create<TForm>(nullptr);
        form->SetBounds(0, 0, 22 * count + 20, 220);
        for (int i = 0; i < count; ++i) {
            auto* meter = new TLevelMeter(form);
            meter->SetParent(form);
            meter->SetBounds(6 + 22 * i, 6, 18, 163);
            configure(meter);
            meters.push_back(meter);
        }
        form->Show();
        Application->ProcessMessages();
    }
    ~MeterForm() {
        form->Free();
        Application->ProcessMessages();
    }
    TForm* form = nullptr;
    std::vector<TLevelMeter*> meters;
};

TMessage tickMessage() {
    return {kLevelTickMessage, 0, 0, 0};
}

// SetLevel that lights nothing new (the column stands at the top): the mapping and the peak rule.
void BM_SetLevel_NoLampChange(benchmark::State& state) {
    MeterForm f(1);
    TLevelMeter* meter = f.meters[0];
    meter->SetLevel(32767);
    std::size_t i = 0;
    for (auto _ : state) {
        meter->SetLevel(kLevels[i++ & 1023]);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetLevel_NoLampChange);

// SetLevel followed by one tick, on the lively signal: lamps light and go dark.
void BM_SetLevelAndTick(benchmark::State& state) {
    MeterForm f(1);
    TLevelMeter* meter = f.meters[0];
    TMessage m = tickMessage();
    std::size_t i = 0;
    for (auto _ : state) {
        meter->SetLevel(kLevels[i++ & 1023]);
        meter->LevelTick(m);
    }
    state.SetItemsProcessed(state.iterations());
    Application->ProcessMessages();
}
BENCHMARK(BM_SetLevelAndTick);

// LevelTick on a falling column (refilled to the top once it is empty, one in 40 ticks).
void BM_LevelTick(benchmark::State& state) {
    MeterForm f(1);
    TLevelMeter* meter = f.meters[0];
    TMessage m = tickMessage();
    for (auto _ : state) {
        if (meter->TopIndex() == 0) {
            meter->SetLevel(32767);
        }
        meter->LevelTick(m);
    }
    state.SetItemsProcessed(state.iterations());
    Application->ProcessMessages();
}
BENCHMARK(BM_LevelTick);

// A tick of a meter whose column is empty: the cheap path most ticks of a quiet channel take.
void BM_LevelTick_Empty(benchmark::State& state) {
    MeterForm f(1);
    TLevelMeter* meter = f.meters[0];
    TMessage m = tickMessage();
    for (auto _ : state) {
        meter->LevelTick(m);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LevelTick_Empty);

// The meter windows' work for 64 meters: a level for every meter, one tick for every meter, then
// the repaint of the changed lamps on the offscreen platform.
void BM_UpdateCycle64(benchmark::State& state) {
    MeterForm f(kMeters);
    TMessage m = tickMessage();
    std::size_t i = 0;
    for (auto _ : state) {
        for (TLevelMeter* meter : f.meters) {
            meter->SetLevel(kLevels[i++ & 1023]);
        }
        for (TLevelMeter* meter : f.meters) {
            meter->LevelTick(m);
        }
        f.form->Update();
    }
    state.SetItemsProcessed(state.iterations() * kMeters);
}
BENCHMARK(BM_UpdateCycle64)->Unit(benchmark::kMicrosecond);

// The same without the repaint: what SetLevel and LevelTick cost for 64 meters, invalidation
// included.
void BM_UpdateCycle64_NoRepaint(benchmark::State& state) {
    MeterForm f(kMeters);
    TMessage m = tickMessage();
    std::size_t i = 0;
    for (auto _ : state) {
        for (TLevelMeter* meter : f.meters) {
            meter->SetLevel(kLevels[i++ & 1023]);
        }
        for (TLevelMeter* meter : f.meters) {
            meter->LevelTick(m);
        }
    }
    state.SetItemsProcessed(state.iterations() * kMeters);
    f.form->Update();
}
BENCHMARK(BM_UpdateCycle64_NoRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    InitializeWindowing();
    // The offscreen platform notes every window request it cannot carry out; not of interest.
    SetWarningHandler([](const std::string&) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
