#include "meters/adat_meter_form.h"

#include "controls/window_messages.h"
#include "meters/clone_components.h"
#include "meters/form_utils.h"
#include "platform/winmm.h"
#include "toolkit/exceptions.h"
#include "toolkit/win_ui.h"

#include <algorithm>

namespace meters {

using namespace toolkit;

HICON MeterWindowIcon = nullptr;

namespace {

// Every further card's group stands this far right of the one before.
constexpr int kGroupStep = 312;
// The client area's fixed height.
constexpr int kClientHeight = 231;
constexpr int kMinTrackWidth = 174;

int maxWidth(int cards) {
    return 314 * cards + 16;
}

} // namespace

void TickTimerProc(UINT uTimerID, UINT, DWORD_PTR dwUser, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(dwUser), WM_METERTICK, uTimerID, 0);
}

void PollTimerProc(UINT uTimerID, UINT, DWORD_PTR dwUser, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(dwUser), WM_LEVELPOLL, uTimerID, 0);
}

TAdatMeterForm::TAdatMeterForm(TComponent* owner, const MeterWindowDesign& design)
    : TForm(owner), design_(design) {
    Publish("FormCreate", this, &TAdatMeterForm::FormCreate);
    Publish("FormShow", this, &TAdatMeterForm::FormShow);
    Publish("FormClose", this, &TAdatMeterForm::FormClose);
    Publish("FormDestroy", this, &TAdatMeterForm::FormDestroy);
    SetMessageHandler(WM_GETMINMAXINFO, this, &TAdatMeterForm::WMGetMinMaxInfo);
    SetMessageHandler(WM_SYSCOMMAND, this, &TAdatMeterForm::WMSysCommand);
    SetMessageHandler(WM_METERTICK, this, &TAdatMeterForm::WMMeterTick);
    SetMessageHandler(WM_LEVELPOLL, this, &TAdatMeterForm::WMLevelPoll);
}

TAdatMeterForm::~TAdatMeterForm() = default;

void TAdatMeterForm::FormCreate(TObject*) {
    SetIcon(MeterWindowIcon);
    FCardCount = std::clamp(static_cast<int>(driver::CardCount), 0, driver::kMaxCards);
    const int n = FCardCount;
    if (n > 0) {
        driver::OpenCtrlRange(Handle(), design_.isOutput, 0, 7, 0, n - 1, FHandles);
    } else {
        // No card: nothing to show.
        Abort();
    }
    FNextMeterTag = 8;
    FNextChannelNo = 8;
    *design_.fixedHeight = Height() - ClientHeight() + kClientHeight;
    for (int b = 1; b < n; ++b) {
        pnMeters_->SetWidth(pnMeters_->Width() + kGroupStep);
        CloneComponents(pnMeters_, pnMeters_, kGroupStep * b, 0,
                        TCloneEvent(this, &TAdatMeterForm::TagClonedMeter));
        pnNumbers_->SetWidth(pnNumbers_->Width() + kGroupStep);
        CloneComponents(pnNumbers_, pnNumbers_, kGroupStep * b, 0,
                        TCloneEvent(this, &TAdatMeterForm::NumberClonedLabel));
    }
    std::size_t k = 0;
    for (TComponent* c : ComponentList()) {
        if (auto* meter = dynamic_cast<controls::TLevelMeter*>(c); meter && k < FMeters.size()) {
            FMeters[k++] = meter;
        }
    }
    FTickPeriod = 40;
    FPollPeriod = 100;
    FLevelRec16 =
        WOWGlobalAllocLock16(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(TPairLevels), &FLevelMem16);
    FLevelRec =
        FLevelRec16 != 0
            ? static_cast<TPairLevels*>(WOWGetVDMPointerFix(FLevelRec16, sizeof(TPairLevels), TRUE))
            : nullptr;
    FReady = FLevelRec != nullptr;
    // The owner re-applies its always-on-top choice whenever one of its windows is activated.
    if (auto* owner = dynamic_cast<TCustomForm*>(Owner())) {
        try {
            TNotifyEvent changed = owner->MethodAddress<TObject*>("FormActiveChanged");
            OnActivate = changed;
            OnDeactivate = changed;
        } catch (const EComponentError&) {
            // An owner without the handler: nothing to re-apply.
        }
    }
}

void TAdatMeterForm::FormShow(TObject*) {
    if (!FReady) {
        return;
    }
    LoadFormSettings(this, kMeterSettingsKey, "", -1, true);
    // The settings are restored with messages handled in between: a close among them (the
    // owner clearing its box, say) leaves a hidden window that must not start metering.
    if (Visible() && outer_->Visible()) {
        StartMetering();
    }
}

MMRESULT TAdatMeterForm::sendToPair(int index, UINT msg, DWORD_PTR param1) {
    driver::HWAVE handle = FHandles[static_cast<std::size_t>(index)];
    if (design_.isOutput) {
        return waveOutMessage(static_cast<HWAVEOUT>(handle), msg, param1, 0);
    }
    return waveInMessage(static_cast<HWAVEIN>(handle), msg, param1, 0);
}

void TAdatMeterForm::StartMetering() {
    if (FRunning) {
        return;
    }
    for (int i = 0; i < 8 * FCardCount; i += 2) {
        sendToPair(i, design_.meterStart, 0);
    }
    FRunning = true;
    DWORD_PTR window = reinterpret_cast<DWORD_PTR>(Handle());
    if (FTickTimer == 0) {
        FTickTimer = timeSetEvent(FTickPeriod, FTickPeriod, TickTimerProc, window, TIME_PERIODIC);
    }
    if (FPollTimer == 0) {
        FPollTimer = timeSetEvent(FPollPeriod, FPollPeriod, PollTimerProc, window, TIME_PERIODIC);
    }
}

void TAdatMeterForm::killTimers() {
    if (FTickTimer != 0) {
        timeKillEvent(FTickTimer);
        FTickTimer = 0;
    }
    if (FPollTimer != 0) {
        timeKillEvent(FPollTimer);
        FPollTimer = 0;
    }
}

void TAdatMeterForm::StopMetering() {
    if (!FRunning) {
        return;
    }
    for (int i = 0; i < 8 * FCardCount; i += 2) {
        sendToPair(i, design_.meterStop, 0);
    }
    killTimers();
    FRunning = false;
}

void TAdatMeterForm::WMLevelPoll(TMessage& Msg) {
    if (FLevelRec != nullptr) {
        for (int i = 0; i < 8 * FCardCount; i += 2) {
            // A pair whose read the driver does not answer shows silence, not the levels that
            // the record still holds from the pair before.
            FLevelRec->Lower = 0;
            FLevelRec->Higher = 0;
            MMRESULT result = sendToPair(i, design_.meterRead, FLevelRec16);
            std::int32_t lower = result == MMSYSERR_NOERROR ? FLevelRec->Lower : 0;
            std::int32_t higher = result == MMSYSERR_NOERROR ? FLevelRec->Higher : 0;
            if (auto* meter = FMeters[static_cast<std::size_t>(i)]) {
                meter->SetLevel(lower);
            }
            if (auto* meter = FMeters[static_cast<std::size_t>(i + 1)]) {
                meter->SetLevel(higher);
            }
        }
    }
    Msg.Result = 1;
}

void TAdatMeterForm::WMMeterTick(TMessage& Msg) {
    for (int k = 0; k < 8 * FCardCount; ++k) {
        if (auto* meter = FMeters[static_cast<std::size_t>(k)]) {
            meter->LevelTick(Msg);
        }
    }
    Msg.Result = 1;
}

void TAdatMeterForm::WMGetMinMaxInfo(TMessage& Msg) {
    if (FReady) {
        auto* info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
        const int h = *design_.fixedHeight;
        const int w = maxWidth(FCardCount);
        info->ptMaxSize = {w, h};
        info->ptMaxPosition = {0, 0};
        info->ptMinTrackSize = {kMinTrackWidth, h};
        info->ptMaxTrackSize = {w, h};
    }
    Msg.Result = 0;
}

void TAdatMeterForm::WMSysCommand(TMessage& Msg) {
    TForm::DefaultHandler(Msg);
}

void TAdatMeterForm::FormClose(TObject*, TCloseAction&) {
    // A window that never became ready shows its designed geometry, which must not replace the
    // geometry that the user left.
    if (FReady) {
        SaveFormSettings(this, kMeterSettingsKey, "", -1, true);
    }
    StopMetering();
    if (auto* owner = dynamic_cast<TWinControl*>(Owner());
        owner != nullptr && !owner->IsDestroying()) {
        PostMessageA(owner->Handle(), controls::WM_FORMCLOSED, 0,
                     reinterpret_cast<LPARAM>(Handle()));
    }
}

void TAdatMeterForm::FormDestroy(TObject*) {
    driver::CloseCtrlRange(design_.isOutput, 8 * FCardCount, FHandles);
    // Metering is the owner's to stop (by closing first); the timers must not outlive the window
    // whatever the owner did.
    killTimers();
    if (FLevelRec16 != 0) {
        WOWGetVDMPointerUnfix(FLevelRec16);
        WOWGlobalUnlockFree16(FLevelRec16);
        FLevelRec16 = 0;
        FLevelRec = nullptr;
    }
}

void TAdatMeterForm::TagClonedMeter(TControl*& Copy) {
    if (auto* meter = dynamic_cast<controls::TLevelMeter*>(Copy)) {
        meter->SetTag(FNextMeterTag);
        ++FNextMeterTag;
    }
}

void TAdatMeterForm::NumberClonedLabel(TControl*& Copy) {
    if (auto* label = dynamic_cast<TLabel*>(Copy)) {
        ++FNextChannelNo;
        label->SetTag(FNextChannelNo);
        label->SetCaption(IntToStr(FNextChannelNo));
    }
}

} // namespace meters
