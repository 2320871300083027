// Applying the settings dialog against the simulated card: what reaches the driver, in which
// order, what comes back, and what the user sees when the driver refuses.
#include "settings_fixture.h"

#include <random>

using namespace orv_test;
using settings::TdlgCfg;

namespace {

const char kFehlerText[] =
    "Die Einstellungen des Orvane Treibers k\xF6nnen derzeit nicht ge\xE4ndert werden.\r\n"
    "Beenden Sie erst alle Anwendungen, welche die Orvane verwenden.";
const char kRestartText[] = "Sie m\xFCssen Windows neu starten, damit die \xC4nderungen zu den "
                            "verf\xFCgbaren DirectSound-Ger\xE4ten \xFC"
                            "bernommen werden.";

std::string utf8(const char* cp1252) {
    return toolkit::Cp1252ToUtf8(cp1252);
}

using Commands = std::vector<std::string>;

TEST_F(SettingsDialogTest, AppliedChangesAreReadBackByTheNextGetconfig) {
    readConfig();
    TdlgCfg* d = open(1, 2);
    clearCommands();
    d->chkMaster->SetChecked(true);
    d->chkSyncBusClock_Clock2->SetChecked(true);
    enterRate(d, "48000");
    d->btnManLatency->SetChecked(true);
    d->chkAdatInp_SyncBus->SetChecked(true);
    d->btnApply->Click();

    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(d->btnApply->Enabled());
    EXPECT_EQ(commands(), (Commands{"reconfigurable", "setconfig", "getconfig"}));
    const driver::TCardConfig card = readDriver().Cards[1];
    EXPECT_EQ(card.Master, driver::kTrue);
    EXPECT_EQ(card.SyncBusClock, 1);
    EXPECT_EQ(card.DefaultRate, 48000u);
    EXPECT_EQ(card.DsLatency, 60u);
    EXPECT_EQ(card.RecSyncBus, driver::kTrue);
    EXPECT_EQ(card.RecSynchron, driver::kTrue);
    // The shared configuration holds what was read back.
    EXPECT_EQ(std::memcmp(&config.Cards[1], &card, sizeof card), 0);
}

TEST_F(SettingsDialogTest, EveryByteNoControlEditsSurvivesAnApply) {
    driver::TDriverConfig original = readDriver();
    std::mt19937 random(7);
    auto* raw = reinterpret_cast<unsigned char*>(&original);
    for (std::size_t i = 0; i < sizeof original; ++i) {
        if (isUneditedOffset(i % sizeof(driver::TCardConfig))) {
            raw[i] = static_cast<unsigned char>(random());
        }
    }
    writeDriver(original);
    readConfig();
    TdlgCfg* d = open(1, 2);
    d->chkMaster->SetChecked(true);
    d->chkAdatOut_SyncBus->SetChecked(true);
    d->chkRestricted->SetChecked(true);
    d->chkRestrictedDev->SetChecked(true);
    d->boxDevices->PeerIndexChosen(2);
    d->chkNoMsgRate->SetChecked(true);
    enterRate(d, "32000");
    ASSERT_TRUE(d->ApplySettings());

    const driver::TDriverConfig back = readDriver();
    for (int card : {0, 2, 3}) {
        EXPECT_EQ(std::memcmp(&back.Cards[card], &original.Cards[card], sizeof back.Cards[card]), 0)
            << "card " << card;
    }
    for (std::size_t offset = 0; offset < sizeof(driver::TCardConfig); ++offset) {
        if (isUneditedOffset(offset)) {
            EXPECT_EQ(bytesOf(back.Cards[1])[offset], bytesOf(original.Cards[1])[offset])
                << "offset " << offset;
        }
    }
    EXPECT_EQ(back.Cards[1].DefaultRate, 32000u);
    EXPECT_EQ(back.Cards[1].RestrictedDevice, 1);
}

TEST_F(SettingsDialogTest, DriverInUseShowsTheErrorAndOkKeepsTheDialogOpen) {
    describe("in-use yes\n");
    readConfig();
    TdlgCfg* d = open(0, 2);
    clearCommands();
    enterRate(d, "50000");
    d->chkWriteIsPlayCursor->SetChecked(true);
    d->btnOk->Click();
    pump();

    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Fehler");
    EXPECT_EQ(boxes.boxes[0].text, utf8(kFehlerText));
    EXPECT_EQ(boxes.boxes[0].style, MB_ICONERROR);
    EXPECT_EQ(boxes.boxes[0].owner, d->Handle());
    EXPECT_EQ(commands(), (Commands{"reconfigurable"}));
    EXPECT_TRUE(d->Visible());
    EXPECT_TRUE(closedWindows.empty());
    EXPECT_EQ(d->edDefaultRate2->Text(), "50000");
    EXPECT_EQ(d->Work().DefaultRate, 50000u);
    EXPECT_TRUE(d->chkWriteIsPlayCursor->Checked());
    EXPECT_TRUE(d->btnApply->Enabled());
    EXPECT_EQ(readDriver().Cards[0].DefaultRate, 44100u);

    // Cancel closes without writing and reports the close to the control window.
    clearCommands();
    d->btnCancel->Click();
    pump();
    EXPECT_FALSE(d->Visible());
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(closedWindows, (std::vector<HWND>{d->Handle()}));
}

TEST_F(SettingsDialogTest, RestartNoticeComesBeforeTheDriverIsAsked) {
    for (bool inUse : {false, true}) {
        SCOPED_TRACE(inUse ? "in use" : "free");
        if (inUse) {
            describe("in-use yes\n");
        }
        readConfig();
        TdlgCfg* d = open(0, 2);
        clearCommands();
        std::vector<std::pair<std::string, Commands>> seen;
        toolkit::SetMessageBoxHandler([&](const toolkit::MessageBoxRecord& box) {
            seen.emplace_back(box.caption, commands());
            EXPECT_EQ(box.owner, d->Handle());
            if (box.caption == "Orvane Info") {
                EXPECT_EQ(box.text, utf8(kRestartText));
                EXPECT_EQ(box.style, MB_ICONINFORMATION);
            }
            return IDOK;
        });
        d->boxDevices->PeerIndexChosen(inUse ? 1 : 3); // only the device changes
        const bool applied = d->ApplySettings();
        EXPECT_EQ(applied, !inUse);
        ASSERT_EQ(seen.size(), inUse ? 2u : 1u);
        EXPECT_EQ(seen[0].first, "Orvane Info");
        EXPECT_TRUE(seen[0].second.empty());
        if (inUse) {
            EXPECT_EQ(seen[1].first, "Fehler");
        } else {
            EXPECT_EQ(readDriver().Cards[0].RestrictedDevice, 2);
        }
    }
}

TEST_F(SettingsDialogTest, OneTrackBarMoveSendsOneRecordWithTheCoupledValues) {
    driver::TDriverConfig start = readDriver();
    for (auto& card : start.Cards) {
        card.GsifKerning = 0;
        card.GsifPreload = 2;
    }
    writeDriver(start);
    readConfig();
    TdlgCfg* d = open(0, 2);
    d->pgMain->SetActivePage(d->tabDsnd);
    const bool applyBefore = d->btnApply->Enabled();
    clearCommands();

    toolkit::SimulateKey(d->tckKerning, VK_END);
    EXPECT_EQ(d->tckKerning->Position(), 3);
    EXPECT_EQ(d->tckPreload->Position(), 5);
    EXPECT_EQ(commands(), (Commands{"setconfig_onthefly"}));
    driver::TCardConfig live = readDriver().Cards[0];
    EXPECT_EQ(live.GsifKerning, 3);
    EXPECT_EQ(live.GsifPreload, 5);
    EXPECT_EQ(d->btnApply->Enabled(), applyBefore);
    EXPECT_EQ(d->Work().GsifKerning, 0); // taken only when applied

    clearCommands();
    toolkit::SimulateKey(d->tckPreload, VK_HOME);
    EXPECT_EQ(d->tckPreload->Position(), 2);
    EXPECT_EQ(d->tckKerning->Position(), 0);
    EXPECT_EQ(commands(), (Commands{"setconfig_onthefly"}));
    live = readDriver().Cards[0];
    EXPECT_EQ(live.GsifKerning, 0);
    EXPECT_EQ(live.GsifPreload, 2);

    // Cancel after a move: the driver keeps the moved value, the shared record the old one.
    toolkit::SimulateKey(d->tckPreload, VK_END);
    d->btnCancel->Click();
    pump();
    EXPECT_EQ(readDriver().Cards[0].GsifPreload, 50);
    EXPECT_EQ(config.Cards[0].GsifPreload, 2);
}

TEST_F(SettingsDialogTest, RefusedRatesWriteNothingAndAcceptedOnesAreWritten) {
    readConfig();
    TdlgCfg* d = open(0, 2);
    for (const char* text : {"21999", "58001", "44.1"}) {
        SCOPED_TRACE(text);
        clearCommands();
        enterRate(d, text);
        d->btnOk->Click();
        pump();
        EXPECT_TRUE(d->Visible());
        EXPECT_TRUE(commands().empty());
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_TRUE(closedWindows.empty());
    }
    for (const char* text : {"22000", "58000"}) {
        SCOPED_TRACE(text);
        enterRate(d, text);
        d->btnApply->Click();
        EXPECT_EQ(readDriver().Cards[0].DefaultRate, static_cast<std::uint32_t>(std::stoi(text)));
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SettingsDialogTest, ApplyingOneCardSendsTheOtherCardsAsLastRead) {
    readConfig();
    const driver::TDriverConfig original = config;
    TdlgCfg* first = open(0, 2);
    TdlgCfg* second = open(1, 2);
    enterRate(first, "50000");
    first->chkWriteIsPlayCursor->SetChecked(true);
    enterRate(second, "48000");
    ASSERT_TRUE(second->ApplySettings());

    driver::TDriverConfig back = readDriver();
    EXPECT_EQ(std::memcmp(&back.Cards[0], &original.Cards[0], sizeof back.Cards[0]), 0);
    EXPECT_EQ(back.Cards[1].DefaultRate, 48000u);

    // The first card's apply carries the second card as the driver gave it back.
    ASSERT_TRUE(first->ApplySettings());
    back = readDriver();
    EXPECT_EQ(back.Cards[0].DefaultRate, 50000u);
    EXPECT_EQ(back.Cards[0].WriteIsPlayCursor, driver::kTrue);
    EXPECT_EQ(back.Cards[1].DefaultRate, 48000u);
}

TEST_F(SettingsDialogTest, ChannelThatCannotStartLeavesTheSharedRecordAsRead) {
    readConfig();
    const driver::TDriverConfig original = config;
    TdlgCfg* first = open(0, 2);
    TdlgCfg* second = open(1, 2);
    {
        ScopedEnv missing("ORVANE_RUNDLL", (dir_.path() / "no-such-rundll").string());
        enterRate(first, "50000");
        EXPECT_FALSE(first->ApplySettings());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].caption, "Fehler");
    }
    EXPECT_EQ(std::memcmp(&config, &original, sizeof config), 0);
    enterRate(second, "48000");
    ASSERT_TRUE(second->ApplySettings());
    EXPECT_EQ(readDriver().Cards[0].DefaultRate, 44100u);
}

TEST_F(SettingsDialogTest, OkWithNothingToWriteClosesAndReportsTheClose) {
    readConfig();
    TdlgCfg* d = open(0, 2);
    ASSERT_TRUE(d->ApplySettings()); // the first show left "Übernehmen" enabled
    d->btnApply->Click();
    EXPECT_FALSE(d->btnApply->Enabled());
    clearCommands();
    d->btnOk->Click();
    pump();
    EXPECT_FALSE(d->Visible());
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(closedWindows, (std::vector<HWND>{d->Handle()}));

    // The close box closes as Cancel does.
    TdlgCfg* other = open(1, 2);
    closedWindows.clear();
    other->Perform(WM_SYSCOMMAND, SC_CLOSE, 0);
    pump();
    EXPECT_FALSE(other->Visible());
    EXPECT_EQ(closedWindows, (std::vector<HWND>{other->Handle()}));
}

TEST_F(SettingsDialogTest, NextOpensTheFollowingCardModallyBesideThisOne) {
    readConfig();
    TdlgCfg* d = open(0, 3);
    constexpr UINT kLook = WM_USER + 300;
    TdlgCfg* next = nullptr;
    HWND nextHandle = nullptr;
    bool wasModal = false;
    std::string caption;
    toolkit::TRect bounds;
    d->SetMessageHandler(kLook, [&](toolkit::TMessage&) {
        for (toolkit::TComponent* c : d->ComponentList()) {
            if (auto* dialog = dynamic_cast<TdlgCfg*>(c)) {
                next = dialog;
            }
        }
        ASSERT_NE(next, nullptr);
        nextHandle = next->Handle();
        wasModal = next->IsModal();
        caption = next->Caption();
        bounds = next->BoundsRect();
        EXPECT_TRUE(next->btnNext->Enabled());
        next->btnCancel->Click();
    });
    PostMessageA(d->Handle(), kLook, 0, 0);
    d->btnNext->Click();
    pump();

    EXPECT_TRUE(wasModal);
    EXPECT_EQ(caption, "Orvane Einstellungen Karte #2");
    EXPECT_EQ(bounds.Left, d->Left() + 24);
    EXPECT_EQ(bounds.Top, d->Top() + 24);
    // Freed on return; its close was reported to the control window all the same.
    for (toolkit::TComponent* c : d->ComponentList()) {
        EXPECT_EQ(dynamic_cast<TdlgCfg*>(c), nullptr);
    }
    EXPECT_EQ(closedWindows, (std::vector<HWND>{nextHandle}));
    EXPECT_TRUE(d->Visible());
}

// Random bytes in every field of every card: the dialog fills, shows and applies, and every
// byte that no control edits is written back as it was.
TEST_F(SettingsDialogTest, RandomRecordsFillShowAndApplyKeepingUneditedBytes) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        driver::TDriverConfig original{};
        auto* raw = reinterpret_cast<unsigned char*>(&original);
        for (std::size_t i = 0; i < sizeof original; ++i) {
            raw[i] = static_cast<unsigned char>(random());
        }
        writeDriver(original);
        readConfig();
        const int card = static_cast<int>(random() % 4);
        TdlgCfg* d = open(card, 4);
        for (int page = 0; page < 3; ++page) {
            d->pgMain->SetActivePageIndex(page);
            pump();
        }
        const std::uint32_t rate = d->Work().DefaultRate;
        if (rate < 22000 || rate > 58000) {
            EXPECT_FALSE(d->ApplySettings());
            enterRate(d, std::to_string(22000 + random() % 36001));
        }
        d->chkWriteIsPlayCursor->SetChecked(!d->chkWriteIsPlayCursor->Checked());
        ASSERT_TRUE(d->ApplySettings());

        const driver::TDriverConfig back = readDriver();
        for (int other = 0; other < 4; ++other) {
            if (other != card) {
                EXPECT_EQ(std::memcmp(&back.Cards[other], &original.Cards[other],
                                      sizeof back.Cards[other]),
                          0)
                    << "card " << other;
            }
        }
        for (std::size_t offset = 0; offset < sizeof(driver::TCardConfig); ++offset) {
            if (isUneditedOffset(offset)) {
                ASSERT_EQ(bytesOf(back.Cards[card])[offset], bytesOf(original.Cards[card])[offset])
                    << "offset " << offset;
            }
        }
        // What the dialog wrote is what it shows.
        EXPECT_EQ(std::memcmp(&back.Cards[card], &d->Work(), sizeof back.Cards[card]), 0);
        d->Hide();
    }
}

} // namespace
