#include "controls/level_meter.h"

#include "controls/level_curve.h"
#include "controls/math_x.h"
#include "toolkit/forms.h"
#include "toolkit/win_ui.h"

#include <algorithm>
#include <cmath>

namespace controls {

using namespace toolkit;

namespace {

constexpr int kBarScale = 511; // the bar's fixed output scale of the logarithmic mapping

} // namespace

void LevelTimerProc(UINT uTimerID, UINT, DWORD_PTR dwUser, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(dwUser), kLevelTickMessage, uTimerID, 0);
}

TLevelMeter::TLevelMeter(TComponent* owner) : TBarGraph(owner) {
    // The bar graph's construction built the column; a meter's column is coloured as well.
    colourZones();
    TBarGraph::SetLevelMax(kBarScale);
    SetLevelMax(32767);
    FLogScale = static_cast<double>(kBarScale / LogN(10, 26));
    SetMessageHandler(kLevelTickMessage, this, &TLevelMeter::LevelTick);
}

TLevelMeter::~TLevelMeter() {
    // Freed without Free (the timer is normally stopped in Destroying already).
    stopTimer();
}

void TLevelMeter::Destroying() {
    SetTimerEnable(false);
    TBarGraph::Destroying();
}

void TLevelMeter::SetNumLumisRed(int value) {
    FNumLumisRed = value;
    colourZones();
}

void TLevelMeter::SetNumLumisOrange(int value) {
    FNumLumisOrange = value;
    colourZones();
}

void TLevelMeter::colourZones() {
    int i = FLumiCount - 1;
    for (int k = 0; k < FNumLumisRed && i >= 0; ++k, --i) {
        if (TLumi* lumi = Lumi(i)) {
            lumi->SetColorOn(kLumiRed);
        }
    }
    for (int k = 0; k < FNumLumisOrange && i >= 0; ++k, --i) {
        if (TLumi* lumi = Lumi(i)) {
            lumi->SetColorOn(kLumiOrange);
        }
    }
    for (; i >= 0; --i) {
        if (TLumi* lumi = Lumi(i)) {
            lumi->SetColorOn(kLumiGreen);
        }
    }
}

void TLevelMeter::CreateLumis() {
    TBarGraph::CreateLumis();
    FPeakIndex = std::clamp(FPeakIndex, 0, std::max(FLumiCount - 1, 0));
    colourZones();
}

void TLevelMeter::SetTimerEnable(bool value) {
    if (value && FTimerID == 0 && ParentForm() != nullptr) {
        startTimer();
    } else if (!value) {
        stopTimer();
    }
    FTimerEnable = value;
}

void TLevelMeter::SetTimerInterval(int value) {
    FTimerInterval = std::clamp(value, 1, 65535);
    if (FTimerEnable) {
        stopTimer();
        if (ParentForm() != nullptr) {
            startTimer();
        }
    }
}

void TLevelMeter::SetLevelMaxHold(int value) {
    FLevelMaxHold = std::clamp(value, 0, 65535);
}

void TLevelMeter::startTimer() {
    HWND window = Handle();
    auto interval = static_cast<UINT>(FTimerInterval);
    FTimerID = timeSetEvent(interval, interval, &LevelTimerProc,
                            reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
}

void TLevelMeter::stopTimer() {
    if (FTimerID != 0) {
        timeKillEvent(FTimerID);
        FTimerID = 0;
    }
}

void TLevelMeter::CreateWnd() {
    TBarGraph::CreateWnd();
    // The running timer posts to the old handle, which no longer exists.
    if (FTimerID != 0) {
        stopTimer();
        startTimer();
    }
}

void TLevelMeter::SetLevel(int value) {
    FLevel = value;
    if (value > 0) {
        if (FCurve == nullptr) {
            FCurve = &TLevelCurve::For(FLevelMax);
        }
        value = FCurve->ScaleOf(value);
    }
    TBarGraph::SetLevel(value);
    if (FTopIndex >= FPeakIndex) {
        FPeakIndex = FTopIndex;
        // At least one tick: a hold shorter than a tick ends at the next one instead of never.
        FHoldCount = std::max(FLevelMaxHold / FTimerInterval, 1);
    }
}

void TLevelMeter::SetLevelMax(int value) {
    CheckLevelMax(value);
    FLevelMax = value;
    FLevelDivisor = static_cast<double>(value / 25.0L);
    FCurve = nullptr;
}

int TLevelMeter::GetLevelMax() const {
    return FLevelMax;
}

void TLevelMeter::LevelTick(TMessage& Message) {
    if (FTimerEnable && Message.WParam != FTimerID) {
        return;
    }
    Message.Result = 1;
    if (FTopIndex > 0) {
        if (FPeakIndex != 0 && FPeakIndex <= FTopIndex) {
            switchLumi(FTopIndex - 1, false);
        } else {
            switchLumi(FTopIndex, false);
        }
        --FTopIndex;
    } else {
        switchLumi(0, false);
    }
    if (FHoldCount > 0) {
        --FHoldCount;
        if (FHoldCount == 0) {
            switchLumi(FPeakIndex, false);
            FPeakIndex = 0;
        }
    }
}

} // namespace controls
