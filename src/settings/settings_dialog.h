// The settings dialog of one card: SyncBus master and clock, the default rate of the internal
// clock, clock source and start/stop behaviour of playback and recording, the DirectSound
// options, the GigaSampler/GigaStudio (GSIF) parameters and the sample-rate conflict messages.
//
// The dialog edits a working copy (FWork) of its card's record. Applying copies it into the
// configuration of all cards (FConfig, owned by whoever opened the dialog and shared by every
// open settings dialog) and writes that whole configuration to the driver with "setconfig",
// after the driver said "reconfigurable". The GSIF track bars reach the driver at once through
// "setconfig_onthefly".
//
// The control window creates the dialog of card 0 with CreateForCard(itself, its configuration,
// 0, CardCount) and shows it without waiting; ">>" opens the next card's dialog modally. When
// the dialog closes it posts WM_FORMCLOSED (lParam = the dialog) to the control window: the
// first owner up the chain that is not itself a settings dialog.
#pragma once

#include "controls/ext_controls.h"
#include "driver/records.h"
#include "toolkit/combo_box.h"
#include "toolkit/edit.h"
#include "toolkit/forms.h"
#include "toolkit/label.h"
#include "toolkit/page_control.h"
#include "toolkit/panel.h"
#include "toolkit/radio_button.h"
#include "toolkit/track_bar.h"

#include <array>
#include <cstdint>

namespace settings {

// The colour of an edit holding a refused value (0x00BBGGRR: red).
constexpr toolkit::TColor kInvalidEditColor = 0x0000FF;
// The default rate of the internal clock that the driver accepts, in Hz, both ends included.
constexpr std::int32_t kMinDefaultRate = 22000;
constexpr std::int32_t kMaxDefaultRate = 58000;

class TdlgCfg : public toolkit::TForm {
public:
    // Creates the dialog of card Card (0 to 3) of CardCount cards on the configuration of all
    // cards, which must outlive the dialog. The dialog is not shown.
    static TdlgCfg* CreateForCard(toolkit::TComponent* Owner, driver::TDriverConfig& Config,
                                  std::uint8_t Card, std::uint8_t CardCount);

    // Sets every control from FWork.
    void FillControls();
    // Validates and writes; true when the settings were written or nothing was to be written.
    bool ApplySettings();
    // Derive the two format fields of FWork from the check box and the lists.
    void UpdateRestrictedRate();
    void UpdateRestrictedRes();

    // The state the dialog edits, for the window that opened it and for tests.
    const driver::TCardConfig& Work() const { return FWork; }
    std::uint8_t Card() const { return FCard; }
    std::uint8_t CardCount() const { return FCardCount; }
    bool RateInvalid() const { return FRateInvalid; }

    // Published event handlers.
    void FormShow(toolkit::TObject* Sender);
    void FormClose(toolkit::TObject* Sender, toolkit::TCloseAction& Action);
    void btnOkClick(toolkit::TObject* Sender);
    void btnCancelClick(toolkit::TObject* Sender);
    void btnApplyClick(toolkit::TObject* Sender);
    void btnNextClick(toolkit::TObject* Sender);
    void btnInfoClick(toolkit::TObject* Sender);
    void chkMasterClick(toolkit::TObject* Sender);
    void chkSyncBusClock_Clock1Click(toolkit::TObject* Sender);
    void chkSyncBusClock_Clock2Click(toolkit::TObject* Sender);
    void edDefaultRate2Change(toolkit::TObject* Sender);
    void eddefaultRate2Exit(toolkit::TObject* Sender);
    void btnAdatOutClock1Click(toolkit::TObject* Sender);
    void btnAdatOutClock2Click(toolkit::TObject* Sender);
    void btnAdatOutSyncBusClick(toolkit::TObject* Sender);
    void chkAdatOut_AllAutonomClick(toolkit::TObject* Sender);
    void chkAdatOut_AllSynchronClick(toolkit::TObject* Sender);
    void chkAdatOut_SyncBusClick(toolkit::TObject* Sender);
    void chkAdatInp_AllAutonomClick(toolkit::TObject* Sender);
    void chkAdatInp_AllSynchronClick(toolkit::TObject* Sender);
    void chkAdatInp_SyncBusClick(toolkit::TObject* Sender);
    void btnAutoLatencyClick(toolkit::TObject* Sender);
    void btnManLatencyClick(toolkit::TObject* Sender);
    void barLatencyChange(toolkit::TObject* Sender);
    void chkWriteIsPlayCursorClick(toolkit::TObject* Sender);
    void chkRestrictedClick(toolkit::TObject* Sender);
    void boxRestrictedRateChange(toolkit::TObject* Sender);
    void boxRestrictedResChange(toolkit::TObject* Sender);
    void chkRestrictedDevClick(toolkit::TObject* Sender);
    void boxDevicesChange(toolkit::TObject* Sender);
    void tckKerningChange(toolkit::TObject* Sender);
    void tckPreloadChange(toolkit::TObject* Sender);
    void chkNoMsgRateClick(toolkit::TObject* Sender);

    // The controls of the description.
    toolkit::TPageControl* pgMain = nullptr;
    toolkit::TTabSheet* tabSync = nullptr;
    toolkit::TTabSheet* tabDsnd = nullptr;
    toolkit::TTabSheet* tabMisc = nullptr;

    // Synchronisation: SyncBus.
    toolkit::TPanel* pnSyncBus = nullptr;
    controls::TExtLabel* lbSyncBus = nullptr;
    controls::TExtCheckBox* chkMaster = nullptr;
    controls::TExtRadioButton* chkSyncBusClock_Clock1 = nullptr;
    controls::TExtRadioButton* chkSyncBusClock_Clock2 = nullptr;
    // Synchronisation: internal clock.
    toolkit::TPanel* pnIntClock = nullptr;
    controls::TExtLabel* lbIntClock = nullptr;
    controls::TExtLabel* lbRange = nullptr;
    controls::TExtLabel* lbPitch = nullptr;
    controls::TExtLabel* lbDefault = nullptr;
    toolkit::TEdit* edDefaultRate2 = nullptr;
    controls::TExtLabel* lbHz = nullptr;
    // Synchronisation: playback.
    toolkit::TPanel* pnPlay = nullptr;
    controls::TExtLabel* lbPlay = nullptr;
    controls::TExtGroupBox* grpPlayClock = nullptr;
    controls::TExtRadioButton* btnAdatOutClock1 = nullptr;
    toolkit::TRadioButton* btnAdatOutClock2 = nullptr;
    controls::TExtRadioButton* btnAdatOutSyncBus = nullptr;
    controls::TExtGroupBox* grpPlayStartStop = nullptr;
    controls::TExtRadioButton* chkAdatOut_AllAutonom = nullptr;
    controls::TExtRadioButton* chkAdatOut_AllSynchron = nullptr;
    controls::TExtRadioButton* chkAdatOut_SyncBus = nullptr;
    // Synchronisation: recording.
    toolkit::TPanel* pnRec = nullptr;
    controls::TExtLabel* lbRec = nullptr;
    controls::TExtLabel* lbRecClock = nullptr;
    controls::TExtGroupBox* grpRecStartStop = nullptr;
    controls::TExtRadioButton* chkAdatInp_AllAutonom = nullptr;
    controls::TExtRadioButton* chkAdatInp_AllSynchron = nullptr;
    controls::TExtRadioButton* chkAdatInp_SyncBus = nullptr;

    // DirectSound / GSIF: DirectSound.
    toolkit::TPanel* pnDsnd = nullptr;
    controls::TExtLabel* lbDsnd = nullptr;
    controls::TExtRadioButton* btnAutoLatency = nullptr;
    controls::TExtRadioButton* btnManLatency = nullptr;
    toolkit::TTrackBar* barLatency = nullptr;
    // The scale under barLatency: "1", "10", "20" ... "100".
    std::array<toolkit::TLabel*, 11> lbScale{};
    toolkit::TLabel* lbMs = nullptr;
    toolkit::TLabel* lbMsLabel = nullptr;
    controls::TExtCheckBox* chkWriteIsPlayCursor = nullptr;
    controls::TExtCheckBox* chkRestricted = nullptr;
    toolkit::TComboBox* boxRestrictedRes = nullptr;
    controls::TExtLabel* lbstereo = nullptr;
    toolkit::TComboBox* boxRestrictedRate = nullptr;
    controls::TExtCheckBox* chkRestrictedDev = nullptr;
    toolkit::TComboBox* boxDevices = nullptr;
    // DirectSound / GSIF: GigaSampler / GigaStudio.
    toolkit::TPanel* pnGsif = nullptr;
    controls::TExtLabel* lbGsif = nullptr;
    controls::TExtLabel* lbKerning = nullptr;
    controls::TExtLabel* lbFine = nullptr;
    toolkit::TTrackBar* tckKerning = nullptr;
    controls::TExtLabel* lbCoarse = nullptr;
    controls::TExtLabel* lbPreload = nullptr;
    controls::TExtLabel* lbLow = nullptr;
    toolkit::TTrackBar* tckPreload = nullptr;
    controls::TExtLabel* lbHigh = nullptr;

    // Sonstiges: error messages.
    toolkit::TPanel* pnMessages = nullptr;
    controls::TExtLabel* lbMessages = nullptr;
    controls::TExtCheckBox* chkNoMsgRate = nullptr;

    // The buttons under the pages.
    controls::TExtButton* btnNext = nullptr;
    controls::TExtButton* btnInfo = nullptr;
    controls::TExtButton* btnCancel = nullptr;
    controls::TExtButton* btnApply = nullptr;
    controls::TExtButton* btnOk = nullptr;

    TdlgCfg(toolkit::TComponent* Owner, driver::TDriverConfig& Config, std::uint8_t Card,
            std::uint8_t CardCount);

protected:
    void Describe() override;

private:
    void describeSyncPage();
    void describeDsndPage();
    void describeGsifPanel();
    void describeMiscPage();
    void describeButtons();
    void publishHandlers();

    // Steps 2 to 6 of the creation, after the description.
    void prepareForCard();
    // Marks FWork as edited: "Übernehmen" enabled.
    void edited();
    // The dependent controls of the latency choice.
    void enableLatencyControls(bool enabled);
    void enableFormatControls(bool enabled);
    // Sends both GSIF positions to the driver at once.
    void sendGsifOnTheFly();
    // The window that opened the first settings dialog, or nullptr.
    toolkit::TCustomForm* controlWindow() const;

    driver::TCardConfig FWork{};
    driver::TDriverConfig* FConfig = nullptr;
    std::uint8_t FCard = 0;
    std::uint8_t FCardCount = 0;
    bool FOkPressed = false;
    bool FTrackGuard = false;
    bool FRateInvalid = false;
};

} // namespace settings
