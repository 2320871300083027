// The settings dialog's form description: three pages of panels and the five buttons below.
#include "settings/settings_dialog.h"

#include <string>

namespace settings {

using namespace toolkit;
using controls::TExtButton;
using controls::TExtCheckBox;
using controls::TExtGroupBox;
using controls::TExtLabel;
using controls::TExtRadioButton;

namespace {

constexpr TColor kPanelColor = 0xE1E1E1;
constexpr TColor kGsifPanelColor = 0xE0E0E0;

template <typename C> C* make(TdlgCfg* form, const char* name, TWinControl* parent) {
    auto* c = new C(form);
    c->SetName(name);
    c->SetParent(parent);
    return c;
}

// Controls with a German and an English caption: Caption (German), then both languages.
template <typename C>
C* makeExt(TdlgCfg* form, const char* name, TWinControl* parent, const std::string& german,
           const std::string& english) {
    C* c = make<C>(form, name, parent);
    c->SetCaption(german);
    c->SetCaptionEnglish(english);
    c->SetCaptionGerman(german);
    return c;
}

template <typename C>
C* placeExt(TdlgCfg* form, const char* name, TWinControl* parent, TRect bounds,
            const std::string& german, const std::string& english) {
    C* c = makeExt<C>(form, name, parent, german, english);
    c->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    return c;
}

TPanel* makePanel(TdlgCfg* form, const char* name, TWinControl* parent, TRect bounds,
                  TColor color) {
    auto* panel = make<TPanel>(form, name, parent);
    panel->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    panel->SetBevelOuter(TBevelCut::bvLowered);
    panel->SetColor(color);
    panel->SetCaption("");
    return panel;
}

// A panel's title in its top left corner, bold.
TExtLabel* makeTitle(TdlgCfg* form, const char* name, TPanel* panel, const std::string& german,
                     const std::string& english) {
    auto* label = makeExt<TExtLabel>(form, name, panel, german, english);
    label->SetLeft(8);
    label->SetTop(5);
    label->Font().SetStyle(fsBold);
    return label;
}

TExtLabel* makeLabel(TdlgCfg* form, const char* name, TWinControl* parent, int left, int top,
                     const std::string& german, const std::string& english) {
    auto* label = makeExt<TExtLabel>(form, name, parent, german, english);
    label->SetLeft(left);
    label->SetTop(top);
    return label;
}

TTrackBar* makeTrackBar(TdlgCfg* form, const char* name, TWinControl* parent, TRect bounds, int min,
                        int max, int pageSize, int position) {
    auto* bar = make<TTrackBar>(form, name, parent);
    bar->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    bar->SetMin(min);
    bar->SetMax(max);
    bar->SetPageSize(pageSize);
    bar->SetPosition(position);
    return bar;
}

TComboBox* makeList(TdlgCfg* form, const char* name, TWinControl* parent, TRect bounds) {
    auto* box = make<TComboBox>(form, name, parent);
    box->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    return box;
}

TRect at(int left, int top, int width, int height) {
    return Bounds(left, top, width, height);
}

} // namespace

void TdlgCfg::Describe() {
    // Several dialogs may share an owner: the later ones are numbered.
    std::string name = "dlgCfg";
    for (int n = 1; Owner() != nullptr && Owner()->FindComponent(name) != nullptr; ++n) {
        name = "dlgCfg_" + std::to_string(n);
    }
    SetName(name);
    SetBorderStyle(TBorderStyle::bsDialog);
    SetClientSize(440, 358);
    SetPosition(TPosition::poScreenCenter);
    SetColor(clBtnFace);
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);
    Bind(OnShow, "FormShow");
    Bind(OnClose, "FormClose");

    pgMain = make<TPageControl>(this, "pgMain", this);
    pgMain->SetBounds(3, 4, 432, 317);
    pgMain->SetTabWidth(143);
    tabSync = make<TTabSheet>(this, "tabSync", nullptr);
    tabSync->SetPageControl(pgMain);
    tabSync->SetCaption("Synchronisation");
    tabDsnd = make<TTabSheet>(this, "tabDsnd", nullptr);
    tabDsnd->SetPageControl(pgMain);
    tabDsnd->SetCaption("DirectSound / GSIF");
    tabMisc = make<TTabSheet>(this, "tabMisc", nullptr);
    tabMisc->SetPageControl(pgMain);
    tabMisc->SetCaption("Sonstiges");
    pgMain->SetActivePage(tabSync);

    describeSyncPage();
    describeDsndPage();
    describeGsifPanel();
    describeMiscPage();
    describeButtons();
}

void TdlgCfg::describeSyncPage() {
    pnSyncBus = makePanel(this, "pnSyncBus", tabSync, at(4, 4, 240, 96), kPanelColor);
    lbSyncBus = makeTitle(this, "lbSyncBus", pnSyncBus, "SyncBus:", "SyncBus:");
    chkMaster = placeExt<TExtCheckBox>(this, "chkMaster", pnSyncBus, at(12, 24, 220, 17),
                                       "Karte ist Master", "Card is Master");
    Bind(chkMaster->OnClick, "chkMasterClick");
    chkSyncBusClock_Clock1 =
        placeExt<TExtRadioButton>(this, "chkSyncBusClock_Clock1", pnSyncBus, at(12, 46, 224, 17),
                                  "Interne Clock auf SyncBus geben", "Internal Clock to SyncBus");
    chkSyncBusClock_Clock1->SetEnabled(false);
    Bind(chkSyncBusClock_Clock1->OnClick, "chkSyncBusClock_Clock1Click");
    chkSyncBusClock_Clock2 = placeExt<TExtRadioButton>(
        this, "chkSyncBusClock_Clock2", pnSyncBus, at(12, 68, 224, 17),
        "ADAT Input Clock auf SyncBus geben", "ADAT Input Clock to SyncBus");
    chkSyncBusClock_Clock2->SetEnabled(false);
    Bind(chkSyncBusClock_Clock2->OnClick, "chkSyncBusClock_Clock2Click");

    pnIntClock = makePanel(this, "pnIntClock", tabSync, at(248, 4, 172, 96), kPanelColor);
    lbIntClock = makeTitle(this, "lbIntClock", pnIntClock, "Interne Clock:", "Internal Clock:");
    lbRange =
        makeLabel(this, "lbRange", pnIntClock, 16, 26, "22 kHz bis 58 kHz ", "22 kHz to 58 kHz");
    lbPitch = makeLabel(this, "lbPitch", pnIntClock, 16, 44, "Pitchbar: Ja", "Pitchable: Yes");
    lbDefault = makeLabel(this, "lbDefault", pnIntClock, 16, 68, "Default:", "Default:");
    edDefaultRate2 = make<TEdit>(this, "edDefaultRate2", pnIntClock);
    edDefaultRate2->SetBounds(64, 64, 64, 21);
    edDefaultRate2->SetText("44100");
    Bind(edDefaultRate2->OnChange, "edDefaultRate2Change");
    Bind(edDefaultRate2->OnExit, "eddefaultRate2Exit");
    lbHz = makeLabel(this, "lbHz", pnIntClock, 134, 68, "Hz", "Hz");

    pnPlay = makePanel(this, "pnPlay", tabSync, at(4, 104, 240, 178), kPanelColor);
    lbPlay = makeTitle(this, "lbPlay", pnPlay, "Wiedergabe:", "Playback:");
    grpPlayClock = placeExt<TExtGroupBox>(this, "grpPlayClock", pnPlay, at(8, 22, 224, 74),
                                          "Clock von:", "Clock from:");
    btnAdatOutClock1 =
        placeExt<TExtRadioButton>(this, "btnAdatOutClock1", grpPlayClock, at(10, 16, 200, 17),
                                  "Interne Clock", "Internal Clock");
    btnAdatOutClock1->SetChecked(true);
    Bind(btnAdatOutClock1->OnClick, "btnAdatOutClock1Click");
    btnAdatOutClock2 = make<TRadioButton>(this, "btnAdatOutClock2", grpPlayClock);
    btnAdatOutClock2->SetBounds(10, 34, 200, 17);
    btnAdatOutClock2->SetCaption("ADAT Input Clock");
    Bind(btnAdatOutClock2->OnClick, "btnAdatOutClock2Click");
    btnAdatOutSyncBus = placeExt<TExtRadioButton>(this, "btnAdatOutSyncBus", grpPlayClock,
                                                  at(10, 52, 200, 17), "SyncBus", "SyncBus");
    Bind(btnAdatOutSyncBus->OnClick, "btnAdatOutSyncBusClick");

    grpPlayStartStop = placeExt<TExtGroupBox>(this, "grpPlayStartStop", pnPlay, at(8, 100, 224, 74),
                                              "Start/Stop:", "Start/Stop:");
    chkAdatOut_AllAutonom = placeExt<TExtRadioButton>(this, "chkAdatOut_AllAutonom",
                                                      grpPlayStartStop, at(10, 16, 200, 17),
                                                      "Alle Geräte autonom", "All devices autonom");
    Bind(chkAdatOut_AllAutonom->OnClick, "chkAdatOut_AllAutonomClick");
    chkAdatOut_AllSynchron = placeExt<TExtRadioButton>(
        this, "chkAdatOut_AllSynchron", grpPlayStartStop, at(10, 34, 200, 17),
        "Alle Geräte synchron", "All devices synchron");
    chkAdatOut_AllSynchron->SetChecked(true);
    Bind(chkAdatOut_AllSynchron->OnClick, "chkAdatOut_AllSynchronClick");
    chkAdatOut_SyncBus = placeExt<TExtRadioButton>(this, "chkAdatOut_SyncBus", grpPlayStartStop,
                                                   at(10, 52, 200, 17), "SyncBus", "SyncBus");
    Bind(chkAdatOut_SyncBus->OnClick, "chkAdatOut_SyncBusClick");

    pnRec = makePanel(this, "pnRec", tabSync, at(248, 104, 172, 178), kPanelColor);
    lbRec = makeTitle(this, "lbRec", pnRec, "Aufnahme:", "Record:");
    lbRecClock = makeLabel(this, "lbRecClock", pnRec, 18, 40, "Clock von ADAT Input",
                           "Clock from ADAT Input");
    grpRecStartStop = placeExt<TExtGroupBox>(this, "grpRecStartStop", pnRec, at(8, 100, 156, 74),
                                             "Start/Stop:", "Start/Stop:");
    chkAdatInp_AllAutonom = placeExt<TExtRadioButton>(this, "chkAdatInp_AllAutonom",
                                                      grpRecStartStop, at(10, 16, 140, 17),
                                                      "Alle Geräte autonom", "All devices autonom");
    Bind(chkAdatInp_AllAutonom->OnClick, "chkAdatInp_AllAutonomClick");
    chkAdatInp_AllSynchron = placeExt<TExtRadioButton>(
        this, "chkAdatInp_AllSynchron", grpRecStartStop, at(10, 34, 140, 17),
        "Alle Geräte synchron", "All devices synchron");
    chkAdatInp_AllSynchron->SetChecked(true);
    Bind(chkAdatInp_AllSynchron->OnClick, "chkAdatInp_AllSynchronClick");
    chkAdatInp_SyncBus = placeExt<TExtRadioButton>(this, "chkAdatInp_SyncBus", grpRecStartStop,
                                                   at(10, 52, 140, 17), "SyncBus", "SyncBus");
    Bind(chkAdatInp_SyncBus->OnClick, "chkAdatInp_SyncBusClick");
}

void TdlgCfg::describeDsndPage() {
    pnDsnd = makePanel(this, "pnDsnd", tabDsnd, at(4, 4, 416, 192), kPanelColor);
    lbDsnd = makeTitle(this, "lbDsnd", pnDsnd, "DirectSound:", "DirectSound:");
    btnAutoLatency = placeExt<TExtRadioButton>(this, "btnAutoLatency", pnDsnd, at(12, 24, 300, 17),
                                               " Automatische &Latenz Erkennung",
                                               " Automatic &Latency Adjustment");
    btnAutoLatency->SetChecked(true);
    Bind(btnAutoLatency->OnClick, "btnAutoLatencyClick");
    btnManLatency =
        placeExt<TExtRadioButton>(this, "btnManLatency", pnDsnd, at(12, 44, 300, 17),
                                  " Latenz manuell &einstellen:", " Adj&ust Latency Manually:");
    Bind(btnManLatency->OnClick, "btnManLatencyClick");

    // The bar and its scale; the scale's marks stand under the positions they name.
    constexpr int kBarLeft = 24;
    constexpr int kBarWidth = 320;
    constexpr int kThumbMargin = 8; // from the bar's ends to the centre of the end positions
    barLatency =
        makeTrackBar(this, "barLatency", pnDsnd, at(kBarLeft, 62, kBarWidth, 26), 1, 100, 10, 60);
    barLatency->SetFrequency(10);
    barLatency->SetEnabled(false);
    Bind(barLatency->OnChange, "barLatencyChange");
    static const char* const kScaleNames[] = {"lb1ms",  "lb10ms", "lb20ms", "lb30ms",
                                              "lb40ms", "lb50ms", "lb60ms", "lb70ms",
                                              "lb80ms", "lb90ms", "lb100ms"};
    for (int i = 0; i < 11; ++i) {
        const int value = i == 0 ? 1 : 10 * i;
        const int centre =
            kBarLeft + kThumbMargin + (value - 1) * (kBarWidth - 2 * kThumbMargin) / 99;
        auto* label = make<TLabel>(this, kScaleNames[i], pnDsnd);
        label->SetAutoSize(false);
        label->SetAlignment(TAlignment::taCenter);
        label->SetBounds(centre - 12, 88, 24, 13);
        label->SetCaption(std::to_string(value));
        label->SetEnabled(false);
        lbScale[static_cast<std::size_t>(i)] = label;
    }
    lbMs = make<TLabel>(this, "lbMs", pnDsnd);
    lbMs->SetAutoSize(false);
    lbMs->SetAlignment(TAlignment::taRightJustify);
    lbMs->SetBounds(350, 68, 24, 13);
    lbMs->SetCaption("60");
    lbMs->SetEnabled(false);
    lbMsLabel = make<TLabel>(this, "lbMsLabel", pnDsnd);
    lbMsLabel->SetBounds(378, 68, 16, 13);
    lbMsLabel->SetCaption("ms");
    lbMsLabel->SetEnabled(false);

    chkWriteIsPlayCursor =
        placeExt<TExtCheckBox>(this, "chkWriteIsPlayCursor", pnDsnd, at(12, 112, 300, 17),
                               " &Optimiertes Cursor Handling", " &Optimized Cursor Handling");
    Bind(chkWriteIsPlayCursor->OnClick, "chkWriteIsPlayCursorClick");

    chkRestricted = placeExt<TExtCheckBox>(
        this, "chkRestricted", pnDsnd, at(12, 138, 200, 17),
        " Wiedergabe Format begrenzen auf:", " Restrict Playback Format to:");
    Bind(chkRestricted->OnClick, "chkRestrictedClick");
    boxRestrictedRes = makeList(this, "boxRestrictedRes", pnDsnd, at(214, 136, 60, 21));
    boxRestrictedRes->SetItems({"8 bit", "16 bit"});
    boxRestrictedRes->SetEnabled(false);
    Bind(boxRestrictedRes->OnChange, "boxRestrictedResChange");
    lbstereo = makeLabel(this, "lbstereo", pnDsnd, 280, 140, "Stereo", "Stereo");
    lbstereo->SetEnabled(false);
    boxRestrictedRate = makeList(this, "boxRestrictedRate", pnDsnd, at(322, 136, 84, 21));
    boxRestrictedRate->SetItems({"44100 Hz", "48000 Hz"});
    boxRestrictedRate->SetEnabled(false);
    Bind(boxRestrictedRate->OnChange, "boxRestrictedRateChange");

    chkRestrictedDev = placeExt<TExtCheckBox>(
        this, "chkRestrictedDev", pnDsnd, at(12, 164, 248, 17),
        " Verfügbare Wiedergabegeräte begrenzen auf:", " Available Playback Devices limited to:");
    Bind(chkRestrictedDev->OnClick, "chkRestrictedDevClick");
    boxDevices = makeList(this, "boxDevices", pnDsnd, at(264, 162, 142, 21));
    boxDevices->SetEnabled(false);
    Bind(boxDevices->OnChange, "boxDevicesChange");
}

void TdlgCfg::describeGsifPanel() {
    pnGsif = makePanel(this, "pnGsif", tabDsnd, at(4, 200, 416, 82), kGsifPanelColor);
    lbGsif =
        makeTitle(this, "lbGsif", pnGsif, "GigaSampler / GigaStudio:", "GigaSampler / GigaStudio:");

    lbKerning = makeLabel(this, "lbKerning", pnGsif, 16, 26, "Granularität:", "Granularity:");
    lbFine = makeLabel(this, "lbFine", pnGsif, 16, 52, "Fein", "Fine");
    tckKerning = makeTrackBar(this, "tckKerning", pnGsif, at(46, 46, 112, 26), 0, 3, 1, 3);
    Bind(tckKerning->OnChange, "tckKerningChange");
    lbCoarse = makeLabel(this, "lbCoarse", pnGsif, 162, 52, "Grob", "Coarse");

    lbPreload = makeLabel(this, "lbPreload", pnGsif, 214, 26, "Latenz:", "Latency:");
    lbLow = makeLabel(this, "lbLow", pnGsif, 214, 52, "Niedrig", "Low");
    tckPreload = makeTrackBar(this, "tckPreload", pnGsif, at(256, 46, 116, 26), 2, 50, 1, 8);
    tckPreload->SetFrequency(8);
    Bind(tckPreload->OnChange, "tckPreloadChange");
    lbHigh = makeLabel(this, "lbHigh", pnGsif, 376, 52, "Hoch", "High");
}

void TdlgCfg::describeMiscPage() {
    pnMessages = makePanel(this, "pnMessages", tabMisc, at(4, 4, 416, 52), kPanelColor);
    lbMessages = makeTitle(this, "lbMessages", pnMessages, "Fehlermeldungen:", "Error Messages:");
    chkNoMsgRate = placeExt<TExtCheckBox>(this, "chkNoMsgRate", pnMessages, at(12, 26, 396, 17),
                                          " Deaktiviere Meldungen zu Samplerate Konflikten",
                                          " Disable Messages about Samplerate Conflicts");
    Bind(chkNoMsgRate->OnClick, "chkNoMsgRateClick");
}

void TdlgCfg::describeButtons() {
    btnNext = make<TExtButton>(this, "btnNext", this);
    btnNext->SetBounds(4, 328, 80, 25);
    btnNext->SetCaption(">>");
    Bind(btnNext->OnClick, "btnNextClick");

    btnInfo =
        placeExt<TExtButton>(this, "btnInfo", this, at(92, 328, 80, 25), "&Info ...", "A&bout ...");
    Bind(btnInfo->OnClick, "btnInfoClick");

    btnCancel =
        placeExt<TExtButton>(this, "btnCancel", this, at(179, 328, 80, 25), "&Abbruch", "&Cancel");
    btnCancel->SetCancel(true);
    Bind(btnCancel->OnClick, "btnCancelClick");

    btnApply =
        placeExt<TExtButton>(this, "btnApply", this, at(267, 328, 80, 25), "Ü&bernehmen", "&Apply");
    btnApply->SetEnabled(false);
    Bind(btnApply->OnClick, "btnApplyClick");

    btnOk = placeExt<TExtButton>(this, "btnOk", this, at(354, 328, 80, 25), "&Ok", "&Ok");
    btnOk->SetDefault(true);
    Bind(btnOk->OnClick, "btnOkClick");
}

} // namespace settings
