// The control window on the simulated card with the real meter windows: its description, the
// tray icon's clicks, the boxes that open and close the windows, always-on-top, the settings
// box when the driver cannot be reached, and what is saved when the program ends.
#include "controls/window_messages.h"
#include "meters/adat_inp.h"
#include "meters/adat_out.h"
#include "program_test_env.h"
#include "settings/settings_dialog.h"
#include "toolkit/message_queue.h"
#include "toolkit/registry_ini_file.h"
#include "toolkit/shell_notify.h"

#include <cstring>

using namespace app;

namespace {

class ControlWindowTest : public orv_test::ProgramTest {
protected:
    void tray(UINT mouse) { MixControlWnd->Perform(WM_TRAYICON, 0, mouse); }
    void pump() { toolkit::Application->ProcessMessages(); }
    bool saved(const char* box) {
        toolkit::TRegistryIniFile ini("software\\Kelvra\\qorvamix.ini");
        return ini.ReadBool("Orvane", box, false);
    }
};

TEST_F(ControlWindowTest, TheDescriptionStacksThreePanelsToAClientHeightOf105) {
    start("cards 2\n");
    createWindows();
    TMixControlWnd* w = MixControlWnd;
    EXPECT_EQ(w->Caption(), "Orvane");
    EXPECT_EQ(w->Width(), 149);
    EXPECT_EQ(w->ClientHeight(), 105);
    EXPECT_EQ(ControlWndHeight, w->Height() - w->ClientHeight() + 105);
    EXPECT_EQ(w->Panel1->Height(), 49);
    EXPECT_EQ(w->Panel3->Height(), 29);
    EXPECT_EQ(w->Panel2->Height(), 27);
    EXPECT_EQ(w->Panel2->Top(), 78);
    struct Box {
        controls::TExtCheckBox* box;
        const char* german;
        const char* english;
        int tag;
    };
    for (const Box& b : {Box{w->chkAdatInputs, " ADAT Inputs", " ADAT Inputs", -1},
                         Box{w->chkAdatOutputs, " ADAT Outputs", " ADAT Outputs", -1},
                         Box{w->chkStayOnTop, " Immer im &Vordergrund", " Always On &Top", -1},
                         Box{w->chkSettings, " &Einstellungen", " &Settings", 0}}) {
        EXPECT_EQ(b.box->Caption(), b.german);
        EXPECT_EQ(b.box->CaptionEnglish(), b.english);
        EXPECT_EQ(b.box->Tag(), b.tag);
    }
    // Not resizable; maximised at the top left corner at the same size.
    MINMAXINFO info{};
    EXPECT_EQ(w->Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.ptMaxSize.x, 149);
    EXPECT_EQ(info.ptMaxSize.y, ControlWndHeight);
    EXPECT_EQ(info.ptMaxPosition.x, 0);
    EXPECT_EQ(info.ptMinTrackSize.y, ControlWndHeight);
    EXPECT_EQ(info.ptMaxTrackSize.x, 149);
    w->SetBounds(w->Left(), w->Top(), 300, 300);
    w->Show();
    EXPECT_EQ(w->Width(), 149);
    EXPECT_EQ(w->Height(), ControlWndHeight);
}

TEST_F(ControlWindowTest, OnlyADoubleClickOnTheIconShowsTheWindowEvenWhenMinimised) {
    start("cards 1\n");
    createWindows();
    tray(WM_LBUTTONDOWN);
    tray(WM_LBUTTONUP);
    tray(WM_RBUTTONDOWN);
    tray(WM_RBUTTONUP);
    EXPECT_FALSE(MixControlWnd->Visible());
    tray(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(MixControlWnd->Visible());
    MixControlWnd->SetWindowState(toolkit::TWindowState::wsMinimized);
    tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(MixControlWnd->WindowState(), toolkit::TWindowState::wsNormal);
}

TEST_F(ControlWindowTest, TheBoxesOpenTheMeterWindowsAndTheNextShowReopensThemWhereTheyStood) {
    start("cards 2\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    MixControlWnd->SetBounds(40, 60, MixControlWnd->Width(), MixControlWnd->Height());
    MixControlWnd->chkAdatInputs->SetChecked(true);
    MixControlWnd->chkAdatOutputs->SetChecked(true);
    ASSERT_NE(frmAdatInp, nullptr);
    ASSERT_NE(frmAdatOut, nullptr);
    EXPECT_TRUE(frmAdatInp->Visible());
    EXPECT_TRUE(frmAdatOut->Visible());
    EXPECT_EQ(frmAdatInp->Owner(), MixControlWnd);

    MixControlWnd->Close();
    pump();
    EXPECT_FALSE(MixControlWnd->Visible());
    EXPECT_EQ(frmAdatInp, nullptr);
    EXPECT_EQ(frmAdatOut, nullptr);
    EXPECT_FALSE(MixControlWnd->chkAdatInputs->Checked());
    EXPECT_TRUE(saved("chkAdatInputs"));
    EXPECT_TRUE(saved("chkAdatOutputs"));

    MixControlWnd->SetBounds(0, 0, MixControlWnd->Width(), MixControlWnd->Height());
    tray(WM_LBUTTONDBLCLK);
    pump();
    EXPECT_EQ(MixControlWnd->Left(), 40);
    EXPECT_EQ(MixControlWnd->Top(), 60);
    ASSERT_NE(frmAdatInp, nullptr);
    ASSERT_NE(frmAdatOut, nullptr);
    EXPECT_TRUE(frmAdatInp->Visible());
    EXPECT_TRUE(MixControlWnd->chkAdatOutputs->Checked());
}

TEST_F(ControlWindowTest, AMeterWindowClosedByItsFrameClearsItsBoxAndIsMadeAnewNextTime) {
    start("cards 1\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    MixControlWnd->chkAdatInputs->SetChecked(true);
    ASSERT_NE(frmAdatInp, nullptr);
    HWND first = frmAdatInp->Handle();
    frmAdatInp->Perform(WM_SYSCOMMAND, SC_CLOSE, 0);
    pump();
    EXPECT_FALSE(MixControlWnd->chkAdatInputs->Checked());
    EXPECT_EQ(frmAdatInp, nullptr);
    EXPECT_FALSE(IsWindow(first));
    // A closed-window message about a window that is gone matches nothing.
    MixControlWnd->Perform(controls::WM_FORMCLOSED, 0, reinterpret_cast<LPARAM>(first));
    MixControlWnd->Perform(controls::WM_FORMCLOSED, 0, 0);
    MixControlWnd->chkAdatInputs->SetChecked(true);
    ASSERT_NE(frmAdatInp, nullptr);
    EXPECT_NE(frmAdatInp->Handle(), first);
}

TEST_F(ControlWindowTest, AMeterWindowClosedWhileItIsStillShowingIsFreedOnlyAfterItsShow) {
    start("cards 1\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    // The meter window restores its settings with messages handled in between. One of them
    // closes the control window, which clears the box and so closes and frees the meter window
    // while its show is still under way.
    bool ranInShow = false;
    bool inside = false;
    bool freed = false;
    bool freedInside = false;
    HWND meterWindow = nullptr;
    toolkit::PostTask([&] {
        ranInShow = frmAdatInp != nullptr && frmAdatInp->Visible();
        if (!ranInShow) {
            return;
        }
        meterWindow = frmAdatInp->Handle();
        toolkit::TNotifyEvent previous = frmAdatInp->OnDestroy;
        frmAdatInp->OnDestroy = [&, previous](toolkit::TObject* sender) {
            freed = true;
            freedInside = inside;
            previous(sender);
        };
        inside = true;
        MixControlWnd->Close();
        inside = false;
    });
    MixControlWnd->chkAdatInputs->SetChecked(true);
    pump();
    ASSERT_TRUE(ranInShow);
    EXPECT_TRUE(freed);
    EXPECT_FALSE(freedInside);
    EXPECT_EQ(frmAdatInp, nullptr);
    EXPECT_FALSE(IsWindow(meterWindow));
    EXPECT_FALSE(MixControlWnd->chkAdatInputs->Checked());
    EXPECT_FALSE(MixControlWnd->Visible());
}

TEST_F(ControlWindowTest, AMeterWindowThatCannotReachTheDriverLeavesItsBoxClearAndNoWindow) {
    start("cards 1\nfault control-open-refused\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    MixControlWnd->chkAdatInputs->SetChecked(true);
    pump();
    EXPECT_FALSE(MixControlWnd->chkAdatInputs->Checked());
    EXPECT_EQ(frmAdatInp, nullptr);
    EXPECT_TRUE(boxes.empty()); // a silent abort
    EXPECT_EQ(toolkit::Application->Forms().size(), 3u);
}

TEST_F(ControlWindowTest, AlwaysOnTopReachesEveryWindowTheControlWindowOwns) {
    start("cards 1\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    MixControlWnd->chkAdatInputs->SetChecked(true);
    MixControlWnd->chkAdatOutputs->SetChecked(true);
    MixControlWnd->chkStayOnTop->SetChecked(true);
    EXPECT_TRUE(MixControlWnd->IsTopmost());
    EXPECT_TRUE(frmAdatInp->IsTopmost());
    EXPECT_TRUE(frmAdatOut->IsTopmost());
    EXPECT_FALSE(frmMain->IsTopmost());
    MixControlWnd->chkStayOnTop->SetChecked(false);
    EXPECT_FALSE(MixControlWnd->IsTopmost());
    EXPECT_FALSE(frmAdatInp->IsTopmost());
    EXPECT_FALSE(frmAdatOut->IsTopmost());
}

TEST_F(ControlWindowTest, TheSettingsBoxStaysCheckedWithoutADialogWhenGetconfigFails) {
    start("cards 1\nfault entry-crashes getconfig\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    const std::size_t forms = toolkit::Application->Forms().size();
    MixControlWnd->chkSettings->SetChecked(true);
    EXPECT_TRUE(MixControlWnd->chkSettings->Checked());
    EXPECT_EQ(toolkit::Application->Forms().size(), forms);
    EXPECT_TRUE(boxes.empty());
    MixControlWnd->chkSettings->SetChecked(false);
    EXPECT_EQ(toolkit::Application->Forms().size(), forms);
}

TEST_F(ControlWindowTest, ASessionEndWithTheWindowHiddenSavesEveryBoxUnchecked) {
    start("cards 1\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    MixControlWnd->chkAdatInputs->SetChecked(true);
    MixControlWnd->chkStayOnTop->SetChecked(true);
    MixControlWnd->Close(); // hidden: the boxes as they were are saved
    pump();
    EXPECT_TRUE(saved("chkAdatInputs"));
    EXPECT_TRUE(saved("chkStayOnTop"));
    frmMain->Perform(WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(ExitRequested);
    EXPECT_FALSE(saved("chkAdatInputs"));
    EXPECT_FALSE(saved("chkStayOnTop"));
}

TEST_F(ControlWindowTest, SigtermWhileTheWindowIsShownCarriesItsBoxesIntoTheNextRun) {
    start("cards 1\n");
    runProgram([] {
        toolkit::ClickTrayIcon(MixControlWnd->Handle(), 0, WM_LBUTTONDBLCLK);
        toolkit::Application->ProcessMessages(); // the window is shown
        ASSERT_TRUE(MixControlWnd->Visible());
        MixControlWnd->chkAdatOutputs->SetChecked(true);
        ::raise(SIGTERM);
    });
    EXPECT_TRUE(ExitRequested);
    EXPECT_EQ(frmAdatOut, nullptr);
    EXPECT_TRUE(saved("chkAdatOutputs"));
    EXPECT_FALSE(saved("chkAdatInputs"));
}

TEST_F(ControlWindowTest, TheSettingsBoxOpensCardZerosDialogOnTheDriversSettings) {
    start("cards 2\n");
    createWindows();
    tray(WM_LBUTTONDBLCLK);
    MixControlWnd->chkSettings->SetChecked(true);
    ASSERT_NE(dlgCfg, nullptr);
    EXPECT_TRUE(dlgCfg->Visible());
    EXPECT_EQ(dlgCfg->Owner(), MixControlWnd);
    EXPECT_EQ(dlgCfg->Card(), 0);
    EXPECT_EQ(dlgCfg->CardCount(), 2);
    const simcard::DriverConfig stored = storedConfig();
    EXPECT_EQ(std::memcmp(&MixControlWnd->Config(), stored.data(), stored.size()), 0);
    settings::TdlgCfg* first = dlgCfg;
    MixControlWnd->chkSettings->SetChecked(true); // checked already: nothing
    EXPECT_EQ(dlgCfg, first);

    // Always on top: all four windows, and off again.
    MixControlWnd->chkAdatInputs->SetChecked(true);
    MixControlWnd->chkAdatOutputs->SetChecked(true);
    MixControlWnd->chkStayOnTop->SetChecked(true);
    for (toolkit::TCustomForm* w :
         std::vector<toolkit::TCustomForm*>{MixControlWnd, frmAdatInp, frmAdatOut, dlgCfg}) {
        EXPECT_TRUE(w->IsTopmost()) << w->Caption();
    }
    MixControlWnd->chkStayOnTop->SetChecked(false);
    EXPECT_FALSE(dlgCfg->IsTopmost());

    // The dialog closing itself clears the box; closing the control window closes a new one.
    dlgCfg->Close();
    pump();
    EXPECT_FALSE(MixControlWnd->chkSettings->Checked());
    EXPECT_EQ(dlgCfg, nullptr);
    MixControlWnd->chkSettings->SetChecked(true);
    ASSERT_NE(dlgCfg, nullptr);
    MixControlWnd->Close();
    pump();
    EXPECT_EQ(dlgCfg, nullptr);
    EXPECT_EQ(frmAdatInp, nullptr);
    EXPECT_EQ(toolkit::Application->Forms().size(), 3u);
}

} // namespace
