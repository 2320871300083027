// The common ground of the two ADAT meter windows: one window per direction shows a group of
// eight level meters per card. Its designed content is the group of one card (four channel-pair
// panels with dB scales, and the channel numbers below), copied at creation once for every
// further card and placed side by side. While shown, the window keeps the driver's metering on,
// reads the levels of every channel pair on a 100 ms poll and lets the meters fall back and
// release their peaks on a 40 ms tick. Both timers only post a message; the work is done on the
// window's thread.
//
// The window is made with TCustomForm::Create<...>(owner) by its owner, the control window.
// Ready() tells whether creation completed (handles opened, level record obtained); a window that
// is not ready is to be freed without being shown. On every close the window saves its geometry,
// stops metering and posts controls::WM_FORMCLOSED (lParam = its handle) to its owner.
#pragma once

#include "controls/level_meter.h"
#include "driver/devices.h"
#include "meters/meter_messages.h"
#include "platform/wow16.h"
#include "toolkit/forms.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/scroll_box.h"

#include <array>
#include <cstdint>

namespace meters {

// The program's shared window icon ("MIXERICON"), loaded at start-up; the meter windows take it
// when they are created. Without one they show the application's icon.
extern HICON MeterWindowIcon;

// Channels a window can show: eight per card, four cards.
constexpr int kMaxMeterChannels = driver::kMaxCards * 8;

// What the two windows' designs differ in.
struct MeterWindowDesign {
    const char* formName;
    const char* caption;
    int left;
    int top;
    bool isOutput;
    UINT meterStart;
    UINT meterStop;
    UINT meterRead;
    const char* outerPanel;
    std::array<const char*, 4> pairPanels;
    std::array<const char*, 8> meterNames; // in channel order
    int metersWidth;
    int scrollMargin;
    std::array<int, 4> scaleRights; // right edges of the dB scales in pnMeters
    int zeroTop;                    // Top of the "0" of each scale
    std::array<int, 8> numberLefts; // of the channel numbers in pnNumbers
    int* fixedHeight;               // the unit's variable for the window's fixed outer height
};

class TAdatMeterForm : public toolkit::TForm {
public:
    TAdatMeterForm(toolkit::TComponent* owner, const MeterWindowDesign& design);
    ~TAdatMeterForm() override;

    // Published handlers.
    void FormCreate(toolkit::TObject* Sender);
    void FormShow(toolkit::TObject* Sender);
    void FormClose(toolkit::TObject* Sender, toolkit::TCloseAction& Action);
    void FormDestroy(toolkit::TObject* Sender);

    void StartMetering();
    void StopMetering();

    // Message handlers.
    void WMLevelPoll(toolkit::TMessage& Msg);
    void WMMeterTick(toolkit::TMessage& Msg);
    void WMGetMinMaxInfo(toolkit::TMessage& Msg);
    void WMSysCommand(toolkit::TMessage& Msg);

    // CloneComponents callbacks: number the copies.
    void TagClonedMeter(toolkit::TControl*& Copy);
    void NumberClonedLabel(toolkit::TControl*& Copy);

    // State, for the owner and tests.
    bool Ready() const { return FReady; }
    bool Running() const { return FRunning; }
    std::uint32_t TickTimer() const { return FTickTimer; }
    std::uint32_t PollTimer() const { return FPollTimer; }
    // The number of cards shown (the card count when the window was made).
    int CardCount() const { return FCardCount; }
    driver::HWAVE ControlHandle(int channel) const {
        return FHandles[static_cast<std::size_t>(channel)];
    }
    controls::TLevelMeter* Meter(int channel) const {
        return FMeters[static_cast<std::size_t>(channel)];
    }
    // The designed controls that creation works with.
    toolkit::TPanel* MetersPanel() const { return pnMeters_; }
    toolkit::TPanel* NumbersPanel() const { return pnNumbers_; }

protected:
    void Describe() override;

private:
    MMRESULT sendToPair(int index, UINT msg, DWORD_PTR param1);
    void killTimers();

    const MeterWindowDesign& design_;
    toolkit::TPanel* outer_ = nullptr;
    toolkit::TScrollBox* scrollBox_ = nullptr;
    toolkit::TPanel* pnMeters_ = nullptr;
    toolkit::TPanel* pnNumbers_ = nullptr;
    int FCardCount = 0;

    bool FReady = false;
    TPairLevels* FLevelRec = nullptr;
    VPVOID FLevelRec16 = 0;
    HMEM16 FLevelMem16 = 0;
    std::array<driver::HWAVE, kMaxMeterChannels> FHandles{};
    std::array<controls::TLevelMeter*, kMaxMeterChannels> FMeters{};
    bool FRunning = false;
    std::uint32_t FTickTimer = 0;
    std::uint32_t FPollTimer = 0;
    std::uint32_t FTickPeriod = 0;
    std::uint32_t FPollPeriod = 0;
    std::int32_t FNextMeterTag = 0;
    std::int32_t FNextChannelNo = 0;
};

// The timer callbacks: post WM_METERTICK / WM_LEVELPOLL to the window handle given as user
// value, with wParam = the timer's id and lParam 0.
void TickTimerProc(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2);
void PollTimerProc(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2);

// The meter windows' settings: key name, section suffix and Tag mask.
inline constexpr const char* kMeterSettingsKey = "qorvamix.ini";

} // namespace meters
