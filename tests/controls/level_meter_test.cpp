// The lamp, the bar graph and the level meter without a timer: the column, the zones, the
// logarithmic mapping, fall-back and peak hold, rebuilds, and the limits.
#include "controls/level_curve.h"
#include "controls/level_meter.h"
#include "controls/math_x.h"
#include "controls/meter_preset.h"
#include "toolkit/exceptions.h"
#include "toolkit/forms.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

// The lit lamps, bottom first.
std::vector<int> lit(const TBarGraph* bar) {
    std::vector<int> on;
    for (int i = 0; i < bar->LumiCount(); ++i) {
        if (bar->Lumi(i)->Get_On()) {
            on.push_back(i);
        }
    }
    return on;
}

std::vector<int> range(int from, int to, std::vector<int> more = {}) {
    std::vector<int> r;
    for (int i = from; i <= to; ++i) {
        r.push_back(i);
    }
    r.insert(r.end(), more.begin(), more.end());
    return r;
}

// A meter as the meter windows hold them: 40 lamps, 1 red, 12 orange, 75 ticks of hold.
TLevelMeter* windowMeter() {
    auto* meter = new TLevelMeter(nullptr);
    ApplyMeterPreset(*meter);
    return meter;
}

void tick(TLevelMeter* meter, int times = 1) {
    for (int i = 0; i < times; ++i) {
        meter->Perform(kLevelTickMessage, 0, 0);
    }
}

TEST(MathX, LogNAndHalfToEvenRounding) {
    EXPECT_NEAR(static_cast<double>(LogN(10, 1000)), 3.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(LogN(2, 8)), 3.0, 1e-15);
    EXPECT_EQ(roundHalfEven(2.5L), 2);
    EXPECT_EQ(roundHalfEven(3.5L), 4);
    EXPECT_EQ(roundHalfEven(-2.5L), -2);
    EXPECT_EQ(roundHalfEven(-0.5L), 0);
    EXPECT_EQ(roundHalfEven(-3.6L), -4);
}

TEST(Lumi, FillFollowsTheStateNotTheColourWrites) {
    auto* lumi = new TLumi(nullptr);
    EXPECT_EQ(lumi->Brush().Color, kLumiDark);
    lumi->SetColorOn(kLumiRed); // stored only
    lumi->Set_On(true);
    EXPECT_EQ(lumi->Brush().Color, kLumiRed);
    lumi->SetColorOn(kLumiOrange);
    lumi->Set_On(true); // no change, old fill
    EXPECT_EQ(lumi->Brush().Color, kLumiRed);
    lumi->Set_On(false);
    EXPECT_EQ(lumi->Brush().Color, kLumiDark);
    lumi->Free();
}

TEST(BarGraph, ColumnLevelsAndLimits) {
    auto* bar = new TBarGraph(nullptr);
    ASSERT_EQ(bar->LumiCount(), 32); // defaults 164 / 6
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(bar->Lumi(i)->BoundsRect(), Bounds(1, 156 - 5 * i, 15, 6)) << i;
        EXPECT_EQ(bar->Controls(i), bar->Lumi(i));
    }
    bar->SetHeight(30); // 6 lamps: level / 64 * 5
    bar->SetLevelMax(64);
    ASSERT_EQ(bar->LumiCount(), 6);
    bar->SetLevel(32); // 2.5 rounds to even
    EXPECT_EQ(lit(bar), range(0, 2));
    bar->SetLevel(13); // lower: stored, nothing darkens
    EXPECT_EQ(bar->Level(), 13);
    bar->SetLevel(65); // above LevelMax: ignored altogether
    EXPECT_EQ(bar->Level(), 13);
    bar->SetLevel(-40);
    EXPECT_EQ(bar->Level(), -40);
    bar->Set_On(false);
    EXPECT_EQ(lit(bar), range(0, 2));
    bar->Set_On(true);
    EXPECT_EQ(lit(bar), range(0, 5));

    EXPECT_THROW(bar->SetLevelMax(0), ERangeError);
    EXPECT_EQ(bar->LevelMax(), 64);
    bar->SetLumiHeight(1);
    EXPECT_EQ(bar->LumiHeight(), 2);
    bar->SetLumiHeight(500); // no lamp fits: nothing to switch, no crash
    EXPECT_EQ(bar->LumiCount(), 0);
    bar->Set_On(true);
    bar->Free();
}

TEST(BarGraph, RebuildsKeepTheLevelAndClampTheTop) {
    auto* bar = new TBarGraph(nullptr);
    bar->SetLevelMax(31);
    bar->SetLevel(31);
    TLumi* bottom = bar->Lumi(0);
    bar->SetBounds(0, 0, 30, 166); // 32 * 5 + 2 <= 166 < 33 * 5 + 2: lamps only move
    EXPECT_EQ(bar->Lumi(0), bottom);
    EXPECT_EQ(bar->Lumi(0)->BoundsRect(), Bounds(1, 158, 27, 6));
    EXPECT_EQ(lit(bar).size(), 32u);

    bar->SetLumiColor(kLumiRed); // takes effect at the next rebuild
    EXPECT_EQ(bar->Lumi(0)->ColorOn(), kLumiGreen);
    bar->SetLumiHeight(11); // 166 div 10 = 16 new, dark lamps
    ASSERT_EQ(bar->LumiCount(), 16);
    EXPECT_EQ(bar->ControlCount(), 16);
    EXPECT_TRUE(lit(bar).empty());
    EXPECT_EQ(bar->Lumi(0)->ColorOn(), kLumiRed);
    EXPECT_EQ(bar->Level(), 31);
    EXPECT_EQ(bar->TopIndex(), 15);

    bar->Set_On(true);
    bar->SetHeight(100); // rebuilt: 10 lamps, `_On` written again finds the top at the top
    ASSERT_EQ(bar->LumiCount(), 10);
    EXPECT_EQ(bar->Lumi(0)->BoundsRect(), Bounds(1, 87, 27, 11));
    EXPECT_TRUE(lit(bar).empty());
    bar->Free();
}

TEST(LevelMeter, ZonesWalkDownFromTheTop) {
    auto* meter = new TLevelMeter(nullptr); // defaults: 32 lamps, 2 red, 10 orange
    EXPECT_EQ(meter->Lumi(30)->ColorOn(), kLumiRed);
    EXPECT_EQ(meter->Lumi(29)->ColorOn(), kLumiOrange);
    EXPECT_EQ(meter->Lumi(19)->ColorOn(), kLumiGreen);
    EXPECT_DOUBLE_EQ(meter->LevelDivisor(), 1310.68);
    meter->Free();

    meter = windowMeter();
    ASSERT_EQ(meter->LumiCount(), 40);
    EXPECT_EQ(kWindowMeter.LumiCount(), 40);
    EXPECT_EQ(kWindowMeter.HoldTicks(), 75);
    EXPECT_EQ(meter->TimerInterval(), 40);
    EXPECT_EQ(meter->LevelMaxHold(), 3000);
    EXPECT_FALSE(meter->TimerEnable());
    EXPECT_EQ(meter->LevelMax(), 32767);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(meter->Lumi(i)->BoundsRect(), Bounds(1, 156 - 4 * i, 15, 5)) << i;
        EXPECT_EQ(meter->Lumi(i)->ColorOn(), i == 39   ? kLumiRed
                                             : i >= 27 ? kLumiOrange
                                                       : kLumiGreen);
    }
    meter->SetLevel(32767);
    meter->SetNumLumisOrange(20); // recolours; lit lamps keep their fill until switched again
    EXPECT_EQ(meter->Lumi(20)->ColorOn(), kLumiOrange);
    EXPECT_EQ(meter->Lumi(20)->Brush().Color, kLumiGreen);
    meter->SetLumiColor(clBlue); // no visible effect: the zones overwrite it
    meter->SetLumiHeight(5);
    EXPECT_EQ(meter->Lumi(0)->ColorOn(), kLumiGreen);
    meter->SetNumLumisRed(30); // larger than the column: the walk stops at lamp 0
    EXPECT_EQ(meter->Lumi(10)->ColorOn(), kLumiRed);
    EXPECT_EQ(meter->Lumi(0)->ColorOn(), kLumiOrange);
    meter->SetNumLumisRed(-3);
    meter->SetNumLumisOrange(0);
    EXPECT_EQ(meter->Lumi(39)->ColorOn(), kLumiGreen);
    meter->Free();
}

TEST(LevelMeter, SmallestLevelsThatLightALamp) {
    struct Row {
        int height, lumiHeight, lamp, smallest;
    };
    for (Row row : {Row{163, 5, 1, 56}, Row{163, 5, 27, 10705}, Row{163, 5, 39, 31384},
                    Row{164, 6, 20, 8870}, Row{164, 6, 30, 27839}}) {
        for (int level : {row.smallest - 1, row.smallest}) {
            auto* m = new TLevelMeter(nullptr);
            m->SetHeight(row.height);
            m->SetLumiHeight(row.lumiHeight);
            m->SetLevel(level);
            EXPECT_EQ(m->Lumi(row.lamp)->Get_On(), level == row.smallest) << level;
            m->Free();
        }
    }
}

TEST(LevelMeter, MappingAtTheEdges) {
    TLevelMeter* meter = windowMeter();
    meter->SetLevel(55);
    EXPECT_TRUE(lit(meter).empty());
    meter->SetLevel(56);
    EXPECT_EQ(lit(meter), range(0, 1));
    meter->SetLevel(32875); // still maps to 511
    EXPECT_EQ(lit(meter), range(0, 39));
    meter->Free();

    meter = windowMeter();
    meter->SetLevel(32876); // maps to 512: the bar ignores it, the raw level is kept
    EXPECT_TRUE(lit(meter).empty());
    EXPECT_EQ(meter->Level(), 32876);
    meter->SetLevel(-7);
    EXPECT_EQ(meter->Level(), -7);
    EXPECT_TRUE(lit(meter).empty());
    EXPECT_THROW(meter->SetLevelMax(0), ERangeError);
    EXPECT_EQ(meter->LevelMax(), 32767);
    meter->Free();
}

TEST(LevelMeter, FallsBackOneLampPerTickBelowTheHeldPeak) {
    TLevelMeter* meter = windowMeter();
    meter->SetLevelMaxHold(400); // 10 ticks
    meter->SetLevel(32767);
    meter->SetLevel(0); // no drop at once
    EXPECT_EQ(lit(meter), range(0, 39));
    tick(meter); // the lamp below the peak goes dark
    EXPECT_EQ(lit(meter), range(0, 37, {39}));
    tick(meter); // already dark: the visible fall pauses
    EXPECT_EQ(lit(meter), range(0, 37, {39}));
    tick(meter);
    EXPECT_EQ(lit(meter), range(0, 36, {39}));
    tick(meter, 7); // ten ticks: the hold runs out
    EXPECT_EQ(lit(meter), range(0, 29));
    EXPECT_EQ(meter->PeakIndex(), 0);
    tick(meter, 30);
    EXPECT_TRUE(lit(meter).empty());
    tick(meter, 2); // an empty column stays empty
    EXPECT_EQ(meter->TopIndex(), 0);
    EXPECT_EQ(meter->Perform(kLevelTickMessage, 12345, 0), 1); // any WParam without own timer
    meter->Free();
}

TEST(LevelMeter, PeakHoldRestartsWhenReachedAgain) {
    TLevelMeter* meter = windowMeter(); // 75 ticks
    meter->SetLevel(3277);              // -20 dB: lamp 15
    tick(meter, 5);
    EXPECT_EQ(meter->HoldCount(), 70);
    meter->SetLevel(1000); // below the peak: own height; peak and hold stay
    EXPECT_EQ(meter->PeakIndex(), 15);
    EXPECT_EQ(meter->HoldCount(), 70);
    tick(meter, 20);
    meter->SetLevel(3277); // reaches it again
    EXPECT_EQ(meter->HoldCount(), 75);
    tick(meter);
    meter->SetLevel(3277); // standing at its peak restarts it too
    EXPECT_EQ(meter->HoldCount(), 75);
    meter->Free();

    meter = windowMeter();
    meter->SetLevelMaxHold(30); // less than a tick: held until the next tick, not for ever
    meter->SetLevel(3277);
    tick(meter);
    EXPECT_EQ(lit(meter), range(0, 13));
    meter->Free();
}

TEST(LevelMeter, OnLightsTheColumnAndSetsThePeak) {
    TLevelMeter* meter = windowMeter();
    meter->Set_On(true);
    EXPECT_EQ(lit(meter), range(0, 39));
    EXPECT_EQ(meter->PeakIndex(), 39);
    meter->Set_On(false);
    EXPECT_EQ(lit(meter), range(0, 39));
    EXPECT_EQ(meter->Level(), 0);
    // A rebuild with fewer lamps clamps top and peak to the new column.
    meter->SetHeight(60);
    ASSERT_EQ(meter->LumiCount(), 15);
    EXPECT_EQ(meter->TopIndex(), 14);
    EXPECT_EQ(meter->PeakIndex(), 14);
    meter->Free();
}

TEST(LevelMeter, LimitsOfTheTimerValues) {
    TLevelMeter* meter = windowMeter();
    meter->SetTimerInterval(0);
    EXPECT_EQ(meter->TimerInterval(), 1);
    meter->SetTimerInterval(70000);
    EXPECT_EQ(meter->TimerInterval(), 65535);
    meter->SetLevelMaxHold(-1);
    EXPECT_EQ(meter->LevelMaxHold(), 0);
    meter->Free();
}

// The meter windows' description: the column is rebuilt from the final height after loading.
class TMeterForm : public TForm {
public:
    using TForm::TForm;
    TLevelMeter* Meter1 = nullptr;

protected:
    void Describe() override {
        Meter1 = new TLevelMeter(this);
        Meter1->SetParent(this);
        Meter1->SetBounds(6, 6, 18, 100);
        ApplyMeterPreset(*Meter1);
    }
};

TEST(LevelMeter, LoadedRebuildsFromTheDescription) {
    auto* form = TCustomForm::Create<TMeterForm>(nullptr);
    ASSERT_EQ(form->Meter1->LumiCount(), 40);
    EXPECT_EQ(form->Meter1->ControlCount(), 40);
    EXPECT_EQ(form->Meter1->Lumi(0)->Top(), 156);
    EXPECT_EQ(form->Meter1->Lumi(39)->ColorOn(), kLumiRed);
    EXPECT_EQ(form->Meter1->Lumi(27)->ColorOn(), kLumiOrange);
    EXPECT_FALSE(form->Meter1->Lumi(0)->IsLoading());
    EXPECT_EQ(form->Meter1->BoundsRect(), Bounds(6, 6, 18, 163)); // the preset keeps the place
    form->Free();
}

// ---- the shared tables ------------------------------------------------------------------------

// The meter's curve as an extended-precision formula, written out here independently of the
// tables: the argument rounded to a double, ln over ln 10, times 511 / LogN(10, 26).
int scaleByFormula(int level, int levelMax) {
    auto divisor = static_cast<double>(levelMax / 25.0L);
    auto logScale = static_cast<double>(511 / LogN(10, 26));
    auto x = static_cast<double>(level / static_cast<long double>(divisor) + 1);
    return static_cast<int>(
        roundHalfEven(std::log(static_cast<long double>(x)) / std::log(10.0L) * logScale));
}

TEST(LevelCurve, TheTableGivesWhatTheFormulaGivesForEveryLevel) {
    for (int levelMax : {1, 2, 25, 511, 1000, 32767, 65535, 70000}) {
        const TLevelCurve& curve = TLevelCurve::For(levelMax);
        EXPECT_EQ(&curve, &TLevelCurve::For(levelMax)); // shared
        // Every level up to LevelMax, and past it, where the formula is used directly.
        for (int level = 1; level <= levelMax + 300; ++level) {
            ASSERT_EQ(curve.ScaleOf(level), scaleByFormula(level, levelMax))
                << "level " << level << " of " << levelMax;
        }
        EXPECT_EQ(curve.ScaleOf(2147483647), scaleByFormula(2147483647, levelMax));
    }
    EXPECT_EQ(TLevelCurve::For(32767).ScaleOf(32767), 511);
}

TEST(LevelCurve, TheColumnTableGivesWhatTheFormulaGives) {
    struct Shape {
        int levelMax;
        int lamps;
    };
    for (Shape s : {Shape{511, 40}, Shape{511, 1}, Shape{511, 2}, Shape{7, 40}, Shape{1, 40},
                    Shape{4096, 3}, Shape{100, 101}}) {
        const TColumnCurve* column = TColumnCurve::For(s.levelMax, s.lamps);
        ASSERT_NE(column, nullptr);
        for (int value = 0; value <= s.levelMax; ++value) {
            long long expected = roundHalfEven(static_cast<long double>(value) / s.levelMax *
                                               static_cast<long double>(s.lamps - 1));
            ASSERT_EQ(column->TopOf(value), expected) << value << " of " << s.levelMax;
        }
    }
    EXPECT_EQ(TColumnCurve::For(65535, 40), nullptr); // computed, not tabled
}

TEST(LevelMeter, TheTopLampFollowsTheFormulaAcrossEveryLevel) {
    // A fresh meter per level would be slow; a meter lights upwards only, so the levels rise.
    TLevelMeter* meter = windowMeter();
    for (int level = 0; level <= 32767; level += 7) {
        meter->SetLevel(level);
        int top = static_cast<int>(roundHalfEven(
            static_cast<long double>(scaleByFormula(std::max(level, 1), 32767)) / 511 * 39));
        ASSERT_EQ(meter->TopIndex(), level == 0 ? 0 : top) << level;
    }
    meter->Free();
}

TEST(LevelMeter, ALampSwitchedFromOutsideIsSwitchedBackByTheColumn) {
    TLevelMeter* meter = windowMeter();
    // Lit by someone else: the next tick of a fallen column darkens it all the same.
    meter->Lumi(0)->Set_On(true);
    tick(meter);
    EXPECT_FALSE(meter->Lumi(0)->Get_On());
    meter->SetLevel(3277);
    EXPECT_EQ(lit(meter), range(0, 15));
    meter->Lumi(16)->Set_On(true);
    meter->SetLevel(5000); // lamps 16 to 19: 16 was lit already, the rest follow
    EXPECT_EQ(lit(meter), range(0, 19));
    meter->Free();
}

} // namespace
