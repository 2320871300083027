// The level meters of the meter windows, in one place: 18 x 163 pixels, so 40 lamps of
// 5 pixels (1 red, 12 orange, 27 green), driven by the window's 40 ms tick with a peak held
// for 3 seconds; their own timer stays off and LevelMax stays at 32767.
#pragma once

#include "controls/level_meter.h"

namespace controls {

struct TMeterPreset {
    int Width = 18;
    int Height = 163;
    int LumiHeight = 5;
    int NumLumisRed = 1;
    int NumLumisOrange = 12;
    int TimerInterval = 40;
    int LevelMaxHold = 3000;

    // The number of lamps a meter of this shape builds.
    constexpr int LumiCount() const { return Height / (LumiHeight - 1); }
    // The number of ticks the peak lamp stays lit.
    constexpr int HoldTicks() const { return LevelMaxHold / TimerInterval; }
};

inline constexpr TMeterPreset kWindowMeter{};

// Gives the meter the preset's size and properties; its position stays where it is.
void ApplyMeterPreset(TLevelMeter& meter, const TMeterPreset& preset = kWindowMeter);

} // namespace controls
