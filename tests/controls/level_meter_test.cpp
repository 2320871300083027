// The lamp, the bar graph and the level meter without a timer: the column, the zones, the
// logarithmic mapping, fall-back and peak hold, and the limits.
#include "controls/level_meter.h"
#include "controls/math_x.h"
#include "toolkit/exceptions.h"

#include <gtest/gtest.h>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

// Which lamps are lit, bottom first.
std::vector<int> litLamps(const TBarGraph& bar) {
    std::vector<int> lit;
    for (int i = 0; i < bar.LumiCount(); ++i) {
        if (bar.Lumi(i)->Get_On()) {
            lit.push_back(i);
        }
    }
    return lit;
}

std::vector<int> range(int from, int to) {
    std::vector<int> r;
    for (int i = from; i <= to; ++i) {
        r.push_back(i);
    }
    return r;
}

// A meter as the meter windows hold them: 163 high, lamps 5 high, 1 red and 12 orange.
TLevelMeter* windowMeter() {
    auto* meter = new TLevelMeter(nullptr);
    meter->SetHeight(163);
    meter->SetLumiHeight(5);
    meter->SetNumLumisRed(1);
    meter->SetNumLumisOrange(12);
    return meter;
}

void tick(TLevelMeter* meter, int times = 1) {
    for (int i = 0; i < times; ++i) {
        meter->Perform(kLevelTickMessage, 0, 0);
    }
}

TEST(MathX, LogNAndRounding) {
    EXPECT_NEAR(static_cast<double>(LogN(10, 1000)), 3.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(LogN(2, 8)), 3.0, 1e-15);
    EXPECT_EQ(roundHalfEven(2.5L), 2);
    EXPECT_EQ(roundHalfEven(3.5L), 4);
    EXPECT_EQ(roundHalfEven(-2.5L), -2);
    EXPECT_EQ(roundHalfEven(-0.5L), 0);
    EXPECT_EQ(roundHalfEven(2.4999L), 2);
    EXPECT_EQ(roundHalfEven(-3.6L), -4);
}

TEST(Lumi, SwitchesBetweenItsColoursOnlyOnChange) {
    auto* lumi = new TLumi(nullptr);
    EXPECT_EQ(lumi->Width(), 16);
    EXPECT_EQ(lumi->Height(), 6);
    EXPECT_EQ(lumi->Brush().Color, kLumiDark);
    EXPECT_EQ(lumi->Pen().Color, clBlack);
    EXPECT_EQ(lumi->Pen().Width, 1);
    EXPECT_TRUE(lumi->Frame());

    lumi->SetColorOn(kLumiRed); // stored only
    EXPECT_EQ(lumi->Brush().Color, kLumiDark);
    lumi->Set_On(true);
    EXPECT_EQ(lumi->Brush().Color, kLumiRed);
    lumi->SetColorOn(kLumiOrange);
    lumi->Set_On(true); // no change: keeps the old fill
    EXPECT_EQ(lumi->Brush().Color, kLumiRed);
    lumi->SetColorOff(clBlack);
    lumi->Set_On(false);
    EXPECT_EQ(lumi->Brush().Color, clBlack);
    lumi->Free();
}

TEST(BarGraph, DefaultsBuildThirtyTwoLamps) {
    auto* bar = new TBarGraph(nullptr);
    EXPECT_EQ(bar->Width(), 18);
    EXPECT_EQ(bar->Height(), 164);
    EXPECT_EQ(bar->BevelOuter(), TBevelCut::bvLowered);
    EXPECT_EQ(bar->LevelMax(), 65535);
    EXPECT_EQ(bar->LumiHeight(), 6);
    ASSERT_EQ(bar->LumiCount(), 32);
    EXPECT_EQ(bar->ControlCount(), 32);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(bar->Lumi(i)->BoundsRect(), Bounds(1, 156 - 5 * i, 15, 6)) << i;
        EXPECT_EQ(bar->Lumi(i)->ColorOn(), kLumiGreen);
        EXPECT_EQ(bar->Controls(i), bar->Lumi(i));
    }
    EXPECT_EQ(bar->Lumi(31)->Top(), 1);
    bar->Free();
}

TEST(BarGraph, LightsUpToTheLevelAndNeverDarkens) {
    auto* bar = new TBarGraph(nullptr);
    bar->SetHeight(30); // 6 lamps: level / 64 * 5
    bar->SetLevelMax(64);
    ASSERT_EQ(bar->LumiCount(), 6);
    bar->SetLevel(32); // 2.5 rounds to even: 2
    EXPECT_EQ(bar->Level(), 32);
    EXPECT_EQ(litLamps(*bar), range(0, 2));
    EXPECT_EQ(bar->TopIndex(), 2);
    bar->SetLevel(38); // 2.97: 3
    EXPECT_EQ(litLamps(*bar), range(0, 3));
    bar->SetLevel(13); // 1.02: below the top, nothing changes
    EXPECT_EQ(bar->Level(), 13);
    EXPECT_EQ(litLamps(*bar), range(0, 3));
    bar->SetLevel(65); // above LevelMax: ignored altogether
    EXPECT_EQ(bar->Level(), 13);
    EXPECT_EQ(litLamps(*bar), range(0, 3));
    bar->SetLevel(-40);
    EXPECT_EQ(bar->Level(), -40);
    EXPECT_EQ(litLamps(*bar), range(0, 3));
    bar->Set_On(false);
    EXPECT_EQ(litLamps(*bar), range(0, 3));
    EXPECT_FALSE(bar->Get_On());
    bar->Set_On(true);
    EXPECT_EQ(litLamps(*bar), range(0, 5));
    EXPECT_TRUE(bar->Get_On());
    bar->Free();
}

TEST(BarGraph, LumiColorAndLumiHeightTakeEffectAtTheRebuild) {
    auto* bar = new TBarGraph(nullptr);
    bar->SetLumiColor(kLumiRed);
    EXPECT_EQ(bar->Lumi(0)->ColorOn(), kLumiGreen);
    bar->SetLevel(65535);
    bar->SetLumiHeight(11); // 164 div 10 = 16 lamps, dark, red when lit
    ASSERT_EQ(bar->LumiCount(), 16);
    EXPECT_EQ(bar->ControlCount(), 16);
    EXPECT_TRUE(litLamps(*bar).empty());
    EXPECT_EQ(bar->Lumi(0)->ColorOn(), kLumiRed);
    EXPECT_EQ(bar->Lumi(0)->BoundsRect(), Bounds(1, 151, 15, 11));
    EXPECT_EQ(bar->Level(), 65535);
    EXPECT_EQ(bar->TopIndex(), 15); // clamped from 31 to the new column
    bar->Free();
}

TEST(BarGraph, RejectsAndClampsViolatedLimits) {
    auto* bar = new TBarGraph(nullptr);
    EXPECT_THROW(bar->SetLevelMax(0), ERangeError);
    EXPECT_THROW(bar->SetLevelMax(-5), ERangeError);
    EXPECT_EQ(bar->LevelMax(), 65535);
    bar->SetLumiHeight(1);
    EXPECT_EQ(bar->LumiHeight(), 2);
    EXPECT_EQ(bar->LumiCount(), 164);
    bar->SetLumiHeight(500); // no lamp fits: levels and ticks find nothing to switch
    EXPECT_EQ(bar->LumiCount(), 0);
    bar->SetLevel(65535);
    bar->Set_On(true);
    EXPECT_EQ(bar->TopIndex(), 0);
    bar->Free();
}

TEST(BarGraph, ResizeMovesOrRebuilds) {
    auto* bar = new TBarGraph(nullptr);
    bar->SetLevelMax(31);
    bar->SetLevel(31);
    TLumi* bottom = bar->Lumi(0);
    bar->SetBounds(0, 0, 30, 166); // 32 * 5 + 2 <= 166 < 33 * 5 + 2: lamps move
    EXPECT_EQ(bar->Lumi(0), bottom);
    EXPECT_EQ(bar->Lumi(0)->BoundsRect(), Bounds(1, 158, 27, 6));
    EXPECT_EQ(bar->Lumi(31)->Top(), 3);
    EXPECT_EQ(litLamps(*bar).size(), 32u);

    bar->Set_On(true);
    bar->SetHeight(100); // 20 lamps: rebuilt, `_On` written again
    ASSERT_EQ(bar->LumiCount(), 20);
    EXPECT_EQ(bar->Lumi(0)->BoundsRect(), Bounds(1, 92, 27, 6));
    EXPECT_EQ(bar->TopIndex(), 19);
    // The top index stood at the top, so writing `_On` again lights nothing new.
    EXPECT_TRUE(litLamps(*bar).empty());
    bar->Free();
}

TEST(LevelMeter, ConstructionDefaults) {
    auto* meter = new TLevelMeter(nullptr);
    EXPECT_EQ(meter->NumLumisRed(), 2);
    EXPECT_EQ(meter->NumLumisOrange(), 10);
    EXPECT_FALSE(meter->TimerEnable());
    EXPECT_EQ(meter->TimerInterval(), 50);
    EXPECT_EQ(meter->LevelMax(), 32767);
    EXPECT_EQ(meter->LevelMaxHold(), 2000);
    EXPECT_EQ(meter->TBarGraph::LevelMax(), 32767); // virtual accessor
    EXPECT_DOUBLE_EQ(meter->LevelDivisor(), 1310.68);
    EXPECT_NEAR(meter->LogScale(), 361.1375, 1e-4);
    ASSERT_EQ(meter->LumiCount(), 32);
    // Default zones: 30 and 31 red, 20 to 29 orange.
    EXPECT_EQ(meter->Lumi(31)->ColorOn(), kLumiRed);
    EXPECT_EQ(meter->Lumi(30)->ColorOn(), kLumiRed);
    EXPECT_EQ(meter->Lumi(29)->ColorOn(), kLumiOrange);
    EXPECT_EQ(meter->Lumi(20)->ColorOn(), kLumiOrange);
    EXPECT_EQ(meter->Lumi(19)->ColorOn(), kLumiGreen);
    meter->Free();
}

TEST(LevelMeter, WindowMeterHasFortyLampsInThreeZones) {
    TLevelMeter* meter = windowMeter();
    ASSERT_EQ(meter->LumiCount(), 40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(meter->Lumi(i)->BoundsRect(), Bounds(1, 156 - 4 * i, 15, 5)) << i;
        TColor expected = i == 39 ? kLumiRed : i >= 27 ? kLumiOrange : kLumiGreen;
        EXPECT_EQ(meter->Lumi(i)->ColorOn(), expected) << i;
    }
    EXPECT_EQ(meter->Lumi(39)->Top(), 0);
    meter->Free();
}

TEST(LevelMeter, SmallestLevelsThatLightALamp) {
    struct Row {
        int lumiHeight;
        int lamps;
        int lamp;
        int smallest;
    };
    for (Row row : {Row{5, 40, 1, 56}, Row{5, 40, 27, 10705}, Row{5, 40, 39, 31384},
                    Row{6, 32, 20, 8870}, Row{6, 32, 30, 27839}}) {
        auto make = [&] {
            auto* m = new TLevelMeter(nullptr);
            m->SetHeight(row.lumiHeight == 5 ? 163 : 164);
            m->SetLumiHeight(row.lumiHeight);
            return m;
        };
        TLevelMeter* below = make();
        ASSERT_EQ(below->LumiCount(), row.lamps);
        below->SetLevel(row.smallest - 1);
        EXPECT_FALSE(below->Lumi(row.lamp)->Get_On()) << row.smallest;
        TLevelMeter* at = make();
        at->SetLevel(row.smallest);
        EXPECT_TRUE(at->Lumi(row.lamp)->Get_On()) << row.smallest;
        EXPECT_EQ(at->TopIndex(), row.lamp);
        below->Free();
        at->Free();
    }
}

TEST(LevelMeter, MappingAtTheEdges) {
    TLevelMeter* meter = windowMeter();
    meter->SetLevel(55);
    EXPECT_TRUE(litLamps(*meter).empty());
    meter->SetLevel(56);
    EXPECT_EQ(litLamps(*meter), range(0, 1));
    meter->SetLevel(32767);
    EXPECT_EQ(litLamps(*meter), range(0, 39));
    meter->Free();

    meter = windowMeter();
    meter->SetLevel(32875); // still maps to 511
    EXPECT_EQ(litLamps(*meter), range(0, 39));
    EXPECT_EQ(meter->Level(), 32875);
    meter->Free();

    meter = windowMeter();
    meter->SetLevel(32876); // maps to 512: the bar ignores it, the raw level is kept
    EXPECT_TRUE(litLamps(*meter).empty());
    EXPECT_EQ(meter->Level(), 32876);
    EXPECT_EQ(meter->TBarGraph::Level(), 0);
    meter->SetLevel(-7);
    EXPECT_EQ(meter->Level(), -7);
    EXPECT_TRUE(litLamps(*meter).empty());
    meter->Free();
}

TEST(LevelMeter, FallsBackOneLampPerTickBelowTheHeldPeak) {
    TLevelMeter* meter = windowMeter();
    meter->SetTimerInterval(40);
    meter->SetLevelMaxHold(400); // 10 ticks
    meter->SetLevel(32767);
    meter->SetLevel(0); // the column does not drop at once
    EXPECT_EQ(litLamps(*meter), range(0, 39));
    EXPECT_EQ(meter->PeakIndex(), 39);
    EXPECT_EQ(meter->HoldCount(), 10);

    tick(meter); // the lamp below the peak goes dark
    std::vector<int> expected = range(0, 37);
    expected.push_back(39);
    EXPECT_EQ(litLamps(*meter), expected);
    tick(meter); // that lamp is already dark: the visible fall pauses
    EXPECT_EQ(litLamps(*meter), expected);
    EXPECT_EQ(meter->TopIndex(), 37);
    tick(meter);
    expected = range(0, 36);
    expected.push_back(39);
    EXPECT_EQ(litLamps(*meter), expected);

    tick(meter, 7); // ten ticks in all: the hold runs out
    EXPECT_EQ(litLamps(*meter), range(0, 29));
    EXPECT_EQ(meter->PeakIndex(), 0);
    EXPECT_EQ(meter->HoldCount(), 0);

    tick(meter, 29);
    EXPECT_EQ(litLamps(*meter), range(0, 0));
    tick(meter);
    EXPECT_TRUE(litLamps(*meter).empty());
    EXPECT_EQ(meter->TopIndex(), 0);
    tick(meter, 3); // an empty column stays empty
    EXPECT_EQ(meter->TopIndex(), 0);
    EXPECT_TRUE(litLamps(*meter).empty());
    meter->Free();
}

TEST(LevelMeter, ReachingThePeakAgainRestartsTheHold) {
    TLevelMeter* meter = windowMeter();
    meter->SetTimerInterval(40);
    meter->SetLevelMaxHold(3000); // 75 ticks
    meter->SetLevel(3277);        // -20 dB: lamp 15
    ASSERT_EQ(meter->PeakIndex(), 15);
    tick(meter, 5);
    EXPECT_EQ(meter->HoldCount(), 70);
    meter->SetLevel(1000); // below the peak: own height, peak and hold untouched
    EXPECT_EQ(meter->PeakIndex(), 15);
    EXPECT_EQ(meter->HoldCount(), 70);
    EXPECT_TRUE(meter->Lumi(15)->Get_On());

    tick(meter, 20);
    ASSERT_EQ(meter->HoldCount(), 50);
    meter->SetLevel(3277); // reaches the peak again: hold restarts
    EXPECT_EQ(meter->HoldCount(), 75);
    meter->SetLevel(3277); // a column standing at its peak restarts it too
    tick(meter);
    meter->SetLevel(3277);
    EXPECT_EQ(meter->HoldCount(), 75);
    meter->Free();
}

TEST(LevelMeter, HoldShorterThanATickEndsAtTheNextTick) {
    TLevelMeter* meter = windowMeter();
    meter->SetTimerInterval(40);
    meter->SetLevelMaxHold(30); // 30 div 40 = 0 ticks: held until the next tick, not for ever
    meter->SetLevel(3277);
    EXPECT_EQ(meter->HoldCount(), 1);
    tick(meter);
    EXPECT_EQ(meter->PeakIndex(), 0);
    EXPECT_FALSE(meter->Lumi(15)->Get_On());
    EXPECT_EQ(litLamps(*meter), range(0, 13));
    meter->Free();
}

TEST(LevelMeter, OnLightsEveryLampAndSetsThePeak) {
    TLevelMeter* meter = windowMeter();
    meter->Set_On(true);
    EXPECT_EQ(litLamps(*meter), range(0, 39));
    EXPECT_EQ(meter->PeakIndex(), 39);
    EXPECT_EQ(meter->Level(), 32767);
    meter->Set_On(false);
    EXPECT_EQ(litLamps(*meter), range(0, 39));
    EXPECT_EQ(meter->Level(), 0);
    meter->Free();
}

TEST(LevelMeter, ZoneChangesRecolourOnlyAtTheNextSwitch) {
    TLevelMeter* meter = windowMeter();
    meter->SetLevel(32767);
    meter->SetNumLumisOrange(20); // lamps 19 to 38 orange from now on
    EXPECT_EQ(meter->Lumi(20)->ColorOn(), kLumiOrange);
    EXPECT_EQ(meter->Lumi(20)->Brush().Color, kLumiGreen); // still lit in the old fill
    meter->SetLumiColor(clBlue); // no visible effect on a meter: zones overwrite it
    meter->SetLumiHeight(5);
    EXPECT_EQ(meter->Lumi(0)->ColorOn(), kLumiGreen);
    EXPECT_EQ(meter->Lumi(20)->ColorOn(), kLumiOrange);
    meter->Free();
}

TEST(LevelMeter, RejectsAndClampsViolatedLimits) {
    TLevelMeter* meter = windowMeter();
    EXPECT_THROW(meter->SetLevelMax(0), ERangeError);
    EXPECT_EQ(meter->LevelMax(), 32767);
    EXPECT_DOUBLE_EQ(meter->LevelDivisor(), 1310.68);
    meter->SetTimerInterval(0);
    EXPECT_EQ(meter->TimerInterval(), 1);
    meter->SetTimerInterval(70000);
    EXPECT_EQ(meter->TimerInterval(), 65535);
    meter->SetLevelMaxHold(-1);
    EXPECT_EQ(meter->LevelMaxHold(), 0);

    // Zones larger than the column: the colouring stops at lamp 0.
    meter->SetNumLumisRed(30);
    meter->SetNumLumisOrange(30);
    EXPECT_EQ(meter->NumLumisOrange(), 30);
    EXPECT_EQ(meter->Lumi(10)->ColorOn(), kLumiRed);
    EXPECT_EQ(meter->Lumi(9)->ColorOn(), kLumiOrange);
    EXPECT_EQ(meter->Lumi(0)->ColorOn(), kLumiOrange);
    meter->SetNumLumisRed(-3);
    meter->SetNumLumisOrange(0);
    EXPECT_EQ(meter->Lumi(39)->ColorOn(), kLumiGreen);

    // A rebuild with fewer lamps clamps the peak and the top to the new column.
    meter->SetLevel(32767);
    meter->SetHeight(60); // 15 lamps
    ASSERT_EQ(meter->LumiCount(), 15);
    EXPECT_EQ(meter->TopIndex(), 14);
    EXPECT_EQ(meter->PeakIndex(), 14);
    tick(meter, 200);
    EXPECT_EQ(meter->PeakIndex(), 0);
    meter->Free();
}

TEST(LevelMeter, MessageResultAndWParamWithoutOwnTimer) {
    TLevelMeter* meter = windowMeter();
    meter->SetLevel(32767);
    EXPECT_EQ(meter->Perform(kLevelTickMessage, 12345, 0), 1);
    EXPECT_EQ(meter->TopIndex(), 38);
    EXPECT_EQ(meter->Perform(kLevelTickMessage, 0, 7), 1);
    EXPECT_EQ(meter->TopIndex(), 37);
    meter->Free();
}

} // namespace
