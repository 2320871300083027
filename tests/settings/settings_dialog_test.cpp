// The settings dialog's form, its creation for a card, filling and the handlers that edit the
// working copy.
#include "controls/about_box.h"
#include "settings_fixture.h"

using namespace orv_test;
using settings::TdlgCfg;
using toolkit::TObject;

namespace {

std::vector<std::string> itemsOf(toolkit::TComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->Items().Count(); ++i) {
        items.push_back(box->Items()[i]);
    }
    return items;
}

// A record in which every control already shows, in the form as designed, what the record
// says: filling it changes no control's state.
driver::TCardConfig matchingTheForm() {
    driver::TCardConfig card{};
    card.SyncBusClock = 7; // checks no SyncBus clock button, as the form has none checked
    card.RateMessages = driver::kTrue;
    card.PlaySynchron = driver::kTrue;
    card.RecSynchron = driver::kTrue;
    card.DefaultRate = 44100;
    card.RestrictedDevice = -1;
    card.GsifKerning = 3;
    card.GsifPreload = 8;
    return card;
}

TEST_F(SettingsDialogTest, CreatedForACardWithItsCaptionDevicesAndButtons) {
    readConfig();
    TdlgCfg* second = create(1, 2);
    EXPECT_EQ(second->Caption(), "Orvane Einstellungen Karte #2");
    EXPECT_EQ(itemsOf(second->boxDevices),
              (std::vector<std::string>{"Kein Gerät verfügbar", "ADAT Playback 9-10",
                                        "ADAT Playback 11-12", "ADAT Playback 13-14",
                                        "ADAT Playback 15-16"}));
    EXPECT_FALSE(second->btnNext->Enabled());
    EXPECT_FALSE(second->btnApply->Enabled());
    EXPECT_EQ(std::memcmp(&second->Work(), &config.Cards[1], sizeof(driver::TCardConfig)), 0);

    TdlgCfg* first = create(0, 2);
    EXPECT_EQ(first->Caption(), "Orvane Einstellungen Karte #1");
    EXPECT_EQ(first->boxDevices->Items()[1], "ADAT Playback 1-2");
    EXPECT_EQ(first->boxDevices->Items()[4], "ADAT Playback 7-8");
    EXPECT_TRUE(first->btnNext->Enabled());

    EXPECT_FALSE(create(0, 1)->btnNext->Enabled());
    for (int card = 0; card < 4; ++card) {
        EXPECT_EQ(create(card, 4)->btnNext->Enabled(), card < 3) << card;
    }
    EXPECT_THROW(create(4, 4), toolkit::EInvalidOperation);
}

TEST_F(SettingsDialogTest, FormLayoutAndCaptions) {
    readConfig();
    TdlgCfg* dialog = create(0, 2);
    EXPECT_EQ(dialog->ClientWidth(), 440);
    EXPECT_EQ(dialog->ClientHeight(), 358);
    EXPECT_EQ(dialog->BorderStyle(), toolkit::TBorderStyle::bsDialog);
    EXPECT_EQ(dialog->Position(), toolkit::TPosition::poScreenCenter);
    EXPECT_EQ(dialog->pgMain->BoundsRect(), toolkit::Bounds(3, 4, 432, 317));
    EXPECT_EQ(dialog->pgMain->TabWidth(), 143);
    ASSERT_EQ(dialog->pgMain->PageCount(), 3);
    EXPECT_EQ(dialog->pgMain->Pages(0)->Caption(), "Synchronisation");
    EXPECT_EQ(dialog->pgMain->Pages(1)->Caption(), "DirectSound / GSIF");
    EXPECT_EQ(dialog->pgMain->Pages(2)->Caption(), "Sonstiges");
    EXPECT_EQ(dialog->pgMain->ActivePage(), dialog->tabSync);

    struct Button {
        toolkit::TButton* button;
        int left;
        const char* caption;
    };
    for (const Button& b :
         {Button{dialog->btnNext, 4, ">>"}, Button{dialog->btnInfo, 92, "&Info ..."},
          Button{dialog->btnCancel, 179, "&Abbruch"}, Button{dialog->btnApply, 267, "Ü&bernehmen"},
          Button{dialog->btnOk, 354, "&Ok"}}) {
        EXPECT_EQ(b.button->BoundsRect(), toolkit::Bounds(b.left, 328, 80, 25)) << b.caption;
        EXPECT_EQ(b.button->Caption(), b.caption);
    }
    EXPECT_TRUE(dialog->btnOk->Default());
    EXPECT_TRUE(dialog->btnCancel->Cancel());
    EXPECT_EQ(dialog->btnApply->CaptionEnglish(), "&Apply");
    EXPECT_EQ(dialog->chkNoMsgRate->Caption(), " Deaktiviere Meldungen zu Samplerate Konflikten");
    EXPECT_EQ(dialog->chkRestrictedDev->CaptionEnglish(),
              " Available Playback Devices limited to:");
    EXPECT_EQ(dialog->pnGsif->Color(), 0xE0E0E0);
    EXPECT_EQ(dialog->pnSyncBus->Color(), 0xE1E1E1);

    // Every control lies inside its parent.
    for (toolkit::TComponent* c : dialog->ComponentList()) {
        auto* control = dynamic_cast<toolkit::TControl*>(c);
        if (control == nullptr || control->Parent() == nullptr ||
            dynamic_cast<toolkit::TTabSheet*>(control) != nullptr) {
            continue;
        }
        const toolkit::TRect parent = control->Parent()->ClientRect();
        const toolkit::TRect r = control->BoundsRect();
        EXPECT_TRUE(r.Left >= 0 && r.Top >= 0 && r.Right <= parent.Right &&
                    r.Bottom <= parent.Bottom)
            << control->Name();
    }
}

TEST_F(SettingsDialogTest, FirstShowEnablesApplyOnlyWhenAFilledControlChangesState) {
    config.Cards[0] = matchingTheForm();
    TdlgCfg* untouched = open(0, 1);
    EXPECT_FALSE(untouched->btnApply->Enabled());
    EXPECT_EQ(std::memcmp(&untouched->Work(), &config.Cards[0], sizeof config.Cards[0]), 0);

    // The form leaves both SyncBus clock buttons unchecked: filling 0 or 1 checks one.
    for (int clock : {0, 1}) {
        config.Cards[0].SyncBusClock = clock;
        TdlgCfg* dialog = open(0, 1);
        EXPECT_TRUE(dialog->btnApply->Enabled()) << clock;
        EXPECT_TRUE(dialog->chkSyncBusClock_Clock1->Checked() == (clock == 0));
        EXPECT_TRUE(dialog->chkSyncBusClock_Clock2->Checked() == (clock == 1));
        EXPECT_EQ(dialog->Work().SyncBusClock, clock);
    }
}

TEST_F(SettingsDialogTest, FillingRunsTheHandlersSoDependentControlsFollow) {
    driver::TCardConfig& card = config.Cards[0];
    card = matchingTheForm();
    card.Master = 5; // any nonzero value is true
    card.SyncBusClock = 1;
    card.RateMessages = 0;
    card.PlaySynchron = 3;
    card.PlaySyncBus = 1;
    card.RecSynchron = 0;
    card.RecSyncBus = 0;
    card.PlayClock = 0;
    card.DefaultRate = 48000;
    card.DsLatency = 35;
    card.RestrictedRate = 48000;
    card.RestrictedRes = 1;
    card.RestrictedDev = 1;
    card.RestrictedDevice = 2;
    TdlgCfg* d = open(0, 1);

    EXPECT_TRUE(d->chkMaster->Checked());
    EXPECT_TRUE(d->chkSyncBusClock_Clock1->Enabled());
    EXPECT_TRUE(d->chkSyncBusClock_Clock2->Checked());
    EXPECT_EQ(d->Work().Master, driver::kTrue);
    EXPECT_TRUE(d->chkNoMsgRate->Checked());
    EXPECT_EQ(d->edDefaultRate2->Text(), "48000");

    // Playback over SyncBus takes the SyncBus clock, whatever the record said.
    EXPECT_TRUE(d->chkAdatOut_SyncBus->Checked());
    EXPECT_TRUE(d->btnAdatOutSyncBus->Checked());
    EXPECT_FALSE(d->btnAdatOutClock1->Enabled());
    EXPECT_FALSE(d->btnAdatOutClock2->Enabled());
    EXPECT_EQ(d->Work().PlayClock, 2);
    EXPECT_EQ(d->Work().PlaySynchron, driver::kTrue);
    EXPECT_TRUE(d->chkAdatInp_AllAutonom->Checked());
    EXPECT_FALSE(d->chkAdatInp_AllSynchron->Checked());

    EXPECT_TRUE(d->btnManLatency->Checked());
    EXPECT_TRUE(d->barLatency->Enabled());
    EXPECT_EQ(d->barLatency->Position(), 35);
    EXPECT_EQ(d->lbMs->Caption(), "35");
    EXPECT_EQ(d->Work().DsLatency, 35u);

    EXPECT_TRUE(d->chkRestricted->Checked());
    EXPECT_TRUE(d->boxRestrictedRate->Enabled());
    EXPECT_TRUE(d->lbstereo->Enabled());
    EXPECT_EQ(d->boxRestrictedRate->ItemIndex(), 1);
    EXPECT_EQ(d->boxRestrictedRes->ItemIndex(), 0);
    EXPECT_EQ(d->Work().RestrictedRate, 48000);
    EXPECT_EQ(d->Work().RestrictedRes, 1);

    EXPECT_TRUE(d->chkRestrictedDev->Checked());
    EXPECT_TRUE(d->boxDevices->Enabled());
    EXPECT_EQ(d->boxDevices->ItemIndex(), 3);
    EXPECT_EQ(d->Work().RestrictedDev, driver::kTrue);
    EXPECT_TRUE(d->btnApply->Enabled());

    // Showing again fills from the working copy and changes nothing.
    const driver::TCardConfig before = d->Work();
    d->FillControls();
    EXPECT_EQ(std::memcmp(&d->Work(), &before, sizeof before), 0);
}

TEST_F(SettingsDialogTest, UnrestrictedFormatSelectsDefaultsAndDisablesTheLists) {
    config.Cards[0] = matchingTheForm();
    config.Cards[0].RestrictedRate = 0;
    config.Cards[0].RestrictedRes = 1;
    config.Cards[0].RestrictedDevice = 9; // beyond the list
    TdlgCfg* d = open(0, 1);
    EXPECT_FALSE(d->chkRestricted->Checked());
    EXPECT_FALSE(d->boxRestrictedRate->Enabled());
    EXPECT_FALSE(d->boxRestrictedRes->Enabled());
    EXPECT_FALSE(d->lbstereo->Enabled());
    EXPECT_EQ(d->boxRestrictedRate->Text(), "44100 Hz");
    EXPECT_EQ(d->boxRestrictedRes->Text(), "16 bit");
    EXPECT_EQ(d->boxDevices->ItemIndex(), -1);
    EXPECT_FALSE(d->boxDevices->Enabled());
    // Nothing was edited by filling.
    EXPECT_EQ(d->Work().RestrictedRes, 1);
    EXPECT_EQ(d->Work().RestrictedDevice, 9);
}

TEST_F(SettingsDialogTest, StartStopButtonsWriteTheirCombinations) {
    config.Cards[0] = matchingTheForm();
    TdlgCfg* d = open(0, 1);
    auto& w = d->Work();

    d->chkAdatOut_SyncBus->SetChecked(true);
    EXPECT_TRUE(d->btnAdatOutSyncBus->Checked());
    EXPECT_FALSE(d->btnAdatOutClock1->Enabled());
    EXPECT_FALSE(d->btnAdatOutClock2->Enabled());
    EXPECT_EQ(w.PlayClock, 2);
    EXPECT_EQ(w.PlaySyncBus, driver::kTrue);
    EXPECT_EQ(w.PlaySynchron, driver::kTrue);
    EXPECT_EQ(w.SyncBusBoth, driver::kFalse); // recording is not on SyncBus yet

    d->chkAdatInp_SyncBus->SetChecked(true);
    EXPECT_EQ(w.RecSyncBus, driver::kTrue);
    EXPECT_EQ(w.RecSynchron, driver::kTrue);
    EXPECT_EQ(w.SyncBusBoth, driver::kTrue);

    // Leaving SyncBus keeps the SyncBus clock until the user picks another.
    d->chkAdatOut_AllAutonom->SetChecked(true);
    EXPECT_TRUE(d->btnAdatOutClock1->Enabled());
    EXPECT_TRUE(d->btnAdatOutClock2->Enabled());
    EXPECT_TRUE(d->btnAdatOutSyncBus->Checked());
    EXPECT_EQ(w.PlayClock, 2);
    EXPECT_EQ(w.PlaySyncBus, driver::kFalse);
    EXPECT_EQ(w.PlaySynchron, driver::kFalse);
    EXPECT_EQ(w.SyncBusBoth, driver::kFalse);
    d->btnAdatOutClock2->SetChecked(true);
    EXPECT_EQ(w.PlayClock, 1);

    d->chkAdatOut_AllSynchron->SetChecked(true);
    EXPECT_EQ(w.PlaySynchron, driver::kTrue);
    EXPECT_EQ(w.PlaySyncBus, driver::kFalse);
    d->chkAdatInp_AllAutonom->SetChecked(true);
    EXPECT_EQ(w.RecSynchron, driver::kFalse);
    EXPECT_EQ(w.RecSyncBus, driver::kFalse);
    d->chkAdatInp_AllSynchron->SetChecked(true);
    EXPECT_EQ(w.RecSynchron, driver::kTrue);
    EXPECT_FALSE(d->chkAdatInp_SyncBus->Checked());

    d->chkMaster->SetChecked(true);
    EXPECT_TRUE(d->chkSyncBusClock_Clock2->Enabled());
    d->chkSyncBusClock_Clock2->SetChecked(true);
    EXPECT_EQ(w.SyncBusClock, 1);
    d->chkSyncBusClock_Clock1->SetChecked(true);
    EXPECT_EQ(w.SyncBusClock, 0);
    EXPECT_FALSE(d->chkSyncBusClock_Clock2->Checked());
    d->chkMaster->SetChecked(false);
    EXPECT_EQ(w.Master, driver::kFalse);
    EXPECT_FALSE(d->chkSyncBusClock_Clock1->Enabled());
}

TEST_F(SettingsDialogTest, DirectSoundControlsEditTheirFields) {
    config.Cards[0] = matchingTheForm();
    TdlgCfg* d = open(0, 1);
    auto& w = d->Work();
    EXPECT_FALSE(d->btnApply->Enabled());

    d->btnManLatency->SetChecked(true);
    EXPECT_TRUE(d->btnApply->Enabled());
    EXPECT_TRUE(d->barLatency->Enabled());
    EXPECT_TRUE(d->lbScale[10]->Enabled());
    EXPECT_EQ(w.DsLatency, 60u); // the bar's position in the form
    toolkit::SimulateKey(d->barLatency, VK_NEXT);
    EXPECT_EQ(d->barLatency->Position(), 70);
    EXPECT_EQ(w.DsLatency, 70u);
    EXPECT_EQ(d->lbMs->Caption(), "70");
    d->btnAutoLatency->SetChecked(true);
    EXPECT_EQ(w.DsLatency, 0u);
    EXPECT_FALSE(d->barLatency->Enabled());
    EXPECT_FALSE(d->lbMsLabel->Enabled());

    d->chkWriteIsPlayCursor->SetChecked(true);
    EXPECT_EQ(w.WriteIsPlayCursor, driver::kTrue);
    d->chkNoMsgRate->SetChecked(true);
    EXPECT_EQ(w.RateMessages, driver::kFalse);

    // The format restriction: the lists' selection while checked, 0 while not.
    d->chkRestricted->SetChecked(true);
    EXPECT_TRUE(d->boxRestrictedRes->Enabled());
    EXPECT_EQ(w.RestrictedRate, 44100);
    EXPECT_EQ(w.RestrictedRes, 2);
    d->boxRestrictedRate->PeerIndexChosen(1);
    d->boxRestrictedRes->PeerIndexChosen(0);
    EXPECT_EQ(w.RestrictedRate, 48000);
    EXPECT_EQ(w.RestrictedRes, 1);
    d->chkRestricted->SetChecked(false);
    EXPECT_EQ(w.RestrictedRate, 0);
    EXPECT_EQ(w.RestrictedRes, 0);
    EXPECT_FALSE(d->boxRestrictedRate->Enabled());
    d->chkRestricted->SetChecked(true);
    EXPECT_EQ(w.RestrictedRate, 48000);
    EXPECT_EQ(w.RestrictedRes, 1);

    d->chkRestrictedDev->SetChecked(true);
    EXPECT_TRUE(d->boxDevices->Enabled());
    EXPECT_EQ(w.RestrictedDev, driver::kTrue);
    d->boxDevices->PeerIndexChosen(4);
    EXPECT_EQ(w.RestrictedDevice, 3);
    d->boxDevices->PeerIndexChosen(0);
    EXPECT_EQ(w.RestrictedDevice, -1);
    d->chkRestrictedDev->SetChecked(false);
    EXPECT_EQ(w.RestrictedDev, driver::kFalse);
    EXPECT_FALSE(d->boxDevices->Enabled());
}

TEST_F(SettingsDialogTest, DefaultRateOutsideTheRangeIsRefusedWithABeepAndARedEdit) {
    config.Cards[0] = matchingTheForm();
    TdlgCfg* d = open(0, 1);
    for (const char* text : {"21999", "58001", "44.1", "", "abc", "-44100"}) {
        SCOPED_TRACE(text);
        beeps.beeps.clear();
        enterRate(d, text);
        EXPECT_EQ(beeps.beeps, (std::vector<UINT>{1}));
        EXPECT_TRUE(d->RateInvalid());
        EXPECT_EQ(d->edDefaultRate2->Color(), settings::kInvalidEditColor);
        EXPECT_TRUE(d->edDefaultRate2->Focused());
        EXPECT_EQ(d->Work().DefaultRate, 44100u);
        EXPECT_FALSE(d->btnApply->Enabled());
    }
    EXPECT_TRUE(boxes.boxes.empty());

    // Typing gives the edit its colour back, without counting as an edit.
    toolkit::SimulateTyping(d->edDefaultRate2, "0");
    EXPECT_EQ(d->edDefaultRate2->Color(), toolkit::clWindow);
    EXPECT_FALSE(d->RateInvalid());
    EXPECT_FALSE(d->btnApply->Enabled());

    beeps.beeps.clear();
    for (const char* text : {"22000", "58000"}) {
        enterRate(d, text);
        EXPECT_FALSE(d->RateInvalid());
        EXPECT_EQ(d->Work().DefaultRate, static_cast<std::uint32_t>(std::stoi(text)));
        EXPECT_TRUE(d->btnApply->Enabled());
    }
    EXPECT_TRUE(beeps.beeps.empty());
}

TEST_F(SettingsDialogTest, RefusedRateOnAnotherPageBringsItsPageToTheFront) {
    config.Cards[0] = matchingTheForm();
    TdlgCfg* d = open(0, 1);
    d->edDefaultRate2->SetText("1");
    d->pgMain->SetActivePage(d->tabMisc);
    pump();
    EXPECT_FALSE(d->ApplySettings());
    pump();
    EXPECT_EQ(d->pgMain->ActivePage(), d->tabSync);
    EXPECT_TRUE(d->edDefaultRate2->Focused());
    EXPECT_EQ(d->edDefaultRate2->Color(), settings::kInvalidEditColor);
}

TEST_F(SettingsDialogTest, GsifTrackBarsAreSetWithoutTellingTheDriverAtCreation) {
    config.Cards[0] = matchingTheForm();
    config.Cards[0].GsifKerning = 9;
    config.Cards[0].GsifPreload = -4;
    TdlgCfg* d = create(0, 1);
    EXPECT_EQ(d->tckKerning->Position(), 3);
    EXPECT_EQ(d->tckPreload->Position(), 2);
    d->Show();
    pump();
    EXPECT_TRUE(commands().empty());
}

TEST_F(SettingsDialogTest, InfoShowsTheAboutBoxModally) {
    readConfig();
    TdlgCfg* d = open(0, 2);
    constexpr UINT kLook = WM_USER + 301;
    std::string caption;
    bool modal = false;
    d->SetMessageHandler(kLook, [&](toolkit::TMessage&) {
        for (toolkit::TCustomForm* form : toolkit::Application->Forms()) {
            if (auto* box = dynamic_cast<controls::TAboutBox*>(form); box && box->Visible()) {
                caption = box->Caption();
                modal = box->IsModal();
                box->OKButton->Click();
            }
        }
    });
    PostMessageA(d->Handle(), kLook, 0, 0);
    d->btnInfo->Click();
    EXPECT_EQ(caption, "Info");
    EXPECT_TRUE(modal);
    EXPECT_TRUE(d->Visible());
}

} // namespace
