// The start-up against simulated cards: which boxes appear, in which order, and whether the
// program goes on to its message loop with its icon.
#include "app/control_window.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "controls/about_box.h"
#include "driver/devices.h"
#include "platform/winmm_driver.h"
#include "simcard/wave_driver.h"
#include "support/simcard_env.h"
#include "support/ui_logs.h"
#include "toolkit/application.h"
#include "toolkit/shell_notify.h"
#include "toolkit/win_ui.h"

#include <cstring>

using namespace app;

namespace {

// A window of the test's own, whose posted message runs inside the program's message loop.
class TProbe : public toolkit::TForm {
public:
    explicit TProbe(toolkit::TComponent* owner, std::function<void()> check) : TForm(owner) {
        SetMessageHandler(WM_USER + 7, [check](toolkit::TMessage&) { check(); });
    }
};

class StartupTest : public orv_test::SimcardTest {
protected:
    void SetUp() override {
        SimcardTest::SetUp();
        ExitRequested = false;
    }
    void TearDown() override {
        for (auto* form : std::vector<toolkit::TCustomForm*>(toolkit::Application->Forms())) {
            form->Free();
        }
        frmMain = nullptr;
        MixControlWnd = nullptr;
        AboutBox = nullptr;
        winmmRemoveAllDrivers();
        SimcardTest::TearDown();
    }
    // The simulated card of the description, for the program and its rundll.
    void start(const std::string& description) {
        describe(description);
        auto loaded = simcard::loadDescription();
        ASSERT_TRUE(loaded.description) << loaded.error;
        simcard::installDrivers(*loaded.description);
    }
    // Runs the program; inside its loop, check runs once and then asks the program to end.
    void run(std::function<void()> check = {}) {
        probe = toolkit::TCustomForm::Create<TProbe>(nullptr, [this, check] {
            loopRan = true;
            if (check) {
                check();
            }
            ExitRequested = true;
        });
        PostMessageA(probe->Handle(), WM_USER + 7, 0, 0);
        RunManager();
        probe->Free();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> list;
        for (const auto& b : boxes) {
            list.push_back(b.text);
        }
        return list;
    }

    orv_test::MessageBoxLog log_;
    std::vector<toolkit::MessageBoxRecord>& boxes = log_.boxes;
    TProbe* probe = nullptr;
    bool loopRan = false;
};

const char kCard2[] = "Die Hardware der Orvane Karte #2 konnte nicht initialisiert werden. \r\n"
                      "Fpga konnte nicht initialisiert werden.\r\n"
                      "Keine Audiofunktionen auf diesem Gerät verfügbar.";

TEST_F(StartupTest, HealthyDriverRunsWithTheIconInTheNotificationArea) {
    start("cards 1\ncard-status 1 0 0 0\n");
    std::vector<toolkit::TrayIconInfo> icons;
    run([&] { icons = toolkit::TrayIcons(); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(loopRan);
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(icons[0].tip, "Einstellungen für Orvane");
    EXPECT_EQ(icons[0].window, MixControlWnd->Handle());
    EXPECT_EQ(icons[0].callbackMessage, 0x466u);
    // The windows exist in their order, the main window first; the icon is gone at the end.
    ASSERT_EQ(toolkit::Application->Forms().size(), 3u);
    EXPECT_EQ(toolkit::Application->MainForm(), frmMain);
    EXPECT_EQ(toolkit::Application->Forms()[1], MixControlWnd);
    EXPECT_EQ(toolkit::Application->Forms()[2], AboutBox);
    EXPECT_TRUE(toolkit::TrayIcons().empty());
    EXPECT_EQ(MixControlWnd->Caption(), "Orvane");
    EXPECT_FALSE(MixControlWnd->Visible());
}

TEST_F(StartupTest, AFailedCardIsReportedAndTheProgramGoesOn) {
    start("cards 2\ncard-status 1 -30 0 0\n");
    run();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kCard2);
    EXPECT_EQ(boxes[0].caption, "Orvane Initialisierungsfehler");
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_TRUE(loopRan);
}

TEST_F(StartupTest, ADriverThatDidNotStartEndsTheProgramWithoutWindows) {
    struct Case {
        const char* description;
        std::vector<std::string> texts;
    };
    const std::string vxd = "Der Orvane Treiber konnte nicht initialisiert werden. \r\nFalsche "
                            "Version des Moduls qorva.VXD\r\nKeine Audiofunktionen auf diesem "
                            "Gerät verfügbar.";
    const std::string card1 = "Die Hardware der Orvane Karte #1 konnte nicht initialisiert "
                              "werden. \r\nFpga konnte nicht initialisiert werden.\r\nKeine "
                              "Audiofunktionen auf diesem Gerät verfügbar.";
    const std::string registry = "Der Orvane Treiber konnte nicht initialisiert werden. \r\nFehler "
                                 "beim Lesen der Systemregistrierung.\r\nKeine Audiofunktionen "
                                 "auf diesem Gerät verfügbar.";
    for (const Case& c : {
             Case{"driver-status -17\n", {}},
             Case{"driver-status -27\ncard-status -30 0 0 0\n", {vxd}},
             Case{"driver-status -30\ncard-status -30 0 0 0\n", {card1}},
             Case{"driver-status -7\ncard-status -30 0 -25 0\n", {registry, card1}},
             Case{"driver-status 0\n", {}},
         }) {
        SCOPED_TRACE(c.description);
        boxes.clear();
        describe(c.description);
        RunManager();
        EXPECT_EQ(texts(), c.texts);
        EXPECT_TRUE(toolkit::Application->Forms().empty());
        EXPECT_EQ(frmMain, nullptr);
    }
}

TEST_F(StartupTest, NoCardFoundShowsOneMessageAndNeverShowsTheIcon) {
    start("cards 0\n");
    // The loop never runs: were it to, it would wait here for a message that never comes.
    RunManager();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Orvane Treiber konnte nicht geöffnet werden.");
    EXPECT_EQ(boxes[0].caption, "Fehler");
    EXPECT_EQ(boxes[0].style, MB_ICONERROR);
    EXPECT_EQ(boxes[0].owner, MixControlWnd->Handle());
    EXPECT_TRUE(ExitRequested);
    EXPECT_FALSE(driver::CardsPresent);
    EXPECT_TRUE(toolkit::TrayIcons().empty());
}

TEST_F(StartupTest, AnEntryPointThatCannotBeStartedIsReported) {
    orv_test::ScopedEnv missing("ORVANE_RUNDLL", (dir_.path() / "missing").string());
    RunManager();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Orvane Treiber konnte nicht geöffnet werden.");
    EXPECT_TRUE(toolkit::Application->Forms().empty());
}

TEST_F(StartupTest, ClosingTheMainWindowInTheLoopEndsItAfterThatMessage) {
    start("cards 1\n");
    std::size_t iconsWhileRunning = 0;
    // The probe does not end the loop itself here: the main window's close does.
    probe = toolkit::TCustomForm::Create<TProbe>(nullptr, [&] {
        iconsWhileRunning = toolkit::TrayIcons().size();
        PostMessageA(frmMain->Handle(), WM_CLOSE, 0, 0);
    });
    PostMessageA(probe->Handle(), WM_USER + 7, 0, 0);
    RunManager();
    probe->Free();
    EXPECT_EQ(iconsWhileRunning, 1u);
    EXPECT_TRUE(ExitRequested);
    EXPECT_TRUE(toolkit::TrayIcons().empty());
}

TEST_F(StartupTest, FreeingTheControlWindowLeavesNoHooksOrReferenceBehind) {
    start("cards 1\n");
    run();
    ASSERT_NE(MixControlWnd, nullptr);
    ASSERT_TRUE(static_cast<bool>(toolkit::Application->OnActivate));
    MixControlWnd->Free();
    EXPECT_EQ(MixControlWnd, nullptr);
    EXPECT_FALSE(static_cast<bool>(toolkit::Application->OnActivate));
    EXPECT_FALSE(static_cast<bool>(toolkit::Application->OnDeactivate));
    toolkit::Application->SetActive(true); // reaches nothing freed
}

TEST_F(StartupTest, TheIconRecordHasTheShortTipForm) {
    NOTIFYICONDATAA data = TrayIconData(reinterpret_cast<HWND>(std::uintptr_t{0x1234}), nullptr);
    EXPECT_EQ(data.cbSize, 88u);
    EXPECT_EQ(data.uID, 0u);
    EXPECT_EQ(data.uFlags, 7u);
    EXPECT_EQ(data.uCallbackMessage, 1126u);
    const char tip[] = "Einstellungen f\xFCr Orvane";
    EXPECT_EQ(std::memcmp(data.szTip, tip, sizeof tip), 0);
    for (std::size_t i = sizeof tip; i < sizeof data.szTip; ++i) {
        EXPECT_EQ(data.szTip[i], 0) << i;
    }
}

} // namespace
