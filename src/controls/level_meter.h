// A level meter: a bar graph that maps a linear amplitude (0 to LevelMax) onto its lamps through
// a logarithmic curve, colours its top lamps red and orange, falls back by one lamp per tick and
// holds the highest lamp reached (the peak) lit for LevelMaxHold milliseconds.
//
// Ticks are the window message WM_USER+1, handled by LevelTick: either from the meter's own
// multimedia timer (TimerEnable) or forwarded by the owner, which then calls LevelTick with its
// own timer message. The timer callback only posts the message; all work happens on the window
// thread.
//
// Limits:
// - LevelMax of 0 or below is rejected with ERangeError (the old value stays);
// - TimerInterval is clamped to 1 ... 65535 ms and LevelMaxHold to 0 ... 65535 ms (16-bit
//   values; 0 ms would divide by zero in the hold count);
// - NumLumisRed and NumLumisOrange are stored as written; the colouring stops at lamp 0, and
//   negative counts colour nothing;
// - a rebuild with fewer lamps clamps FTopIndex and FPeakIndex to the new column.
// The hold lasts LevelMaxHold div TimerInterval ticks, but at least one: a hold shorter than
// one tick ends at the next tick (a hold count of 0 would keep the peak lamp lit for ever).
// Stopping the timer (TimerEnable false, destruction) does not depend on the meter sitting on a
// form; only starting it does. A meter whose window is recreated while its timer runs restarts
// the timer on the new window handle.
#pragma once

#include "controls/bar_graph.h"
#include "platform/winmm.h"
#include "toolkit/control.h"

#include <cstdint>

namespace controls {

// The tick message of the level meter.
constexpr UINT kLevelTickMessage = WM_USER + 1;

class TLevelMeter : public TBarGraph {
public:
    explicit TLevelMeter(toolkit::TComponent* owner);
    ~TLevelMeter() override;

    int NumLumisRed() const { return FNumLumisRed; }
    void SetNumLumisRed(int value);
    int NumLumisOrange() const { return FNumLumisOrange; }
    void SetNumLumisOrange(int value);
    bool TimerEnable() const { return FTimerEnable; }
    // Starts (true) the meter's own periodic timer, only when the meter sits on a form, or stops
    // it (false); the value is stored in any case.
    void SetTimerEnable(bool value);
    int TimerInterval() const { return FTimerInterval; }
    // Restarts a running timer with the new period.
    void SetTimerInterval(int value);
    // The last raw level written (hides the bar graph's mapped level).
    int Level() const { return FLevel; }
    void SetLevel(int value) override;
    void SetLevelMax(int value) override;
    int GetLevelMax() const override;
    int LevelMaxHold() const { return FLevelMaxHold; }
    // Stores only.
    void SetLevelMaxHold(int value);

    void CreateLumis() override;
    // The handler of WM_USER+1: one tick of fall-back and peak hold. With TimerEnable on, only
    // the meter's own timer's ticks (WParam = its id) count. Sets the result to 1 when it acts.
    void LevelTick(toolkit::TMessage& Message);

    // Internal state, for owners and tests.
    int PeakIndex() const { return FPeakIndex; }
    int HoldCount() const { return FHoldCount; }
    std::uint32_t TimerID() const { return FTimerID; }
    double LevelDivisor() const { return FLevelDivisor; }
    double LogScale() const { return FLogScale; }

protected:
    void Destroying() override;
    void CreateWnd() override;

private:
    void colourZones();
    void startTimer();
    void stopTimer();

    int FNumLumisRed = 2;
    int FNumLumisOrange = 10;
    bool FTimerEnable = false;
    int FTimerInterval = 50;
    int FLevel = 0;
    int FLevelMax = 32767;
    int FLevelMaxHold = 2000;
    double FLogScale = 0;
    double FLevelDivisor = 0;
    // The curve of LevelMax (FLevelDivisor and FLogScale worked out for every level).
    const TLevelCurve* FCurve = nullptr;
    std::uint32_t FTimerID = 0;
    int FPeakIndex = 0;
    int FHoldCount = 0;
};

// The multimedia timer callback: posts WM_USER+1 to the window handle given as user value,
// with WParam = the timer's id and LParam = 0.
void LevelTimerProc(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2);

} // namespace controls
