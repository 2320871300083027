// The hidden main window: what each of the system's messages does to the driver's settings,
// the control window and the program's end, and the popup menu's build-and-free rule.
#include "program_test_env.h"

#include <cstring>

using namespace app;

namespace {

class MainWindowTest : public orv_test::ProgramTest {
protected:
    LRESULT deviceChange(WPARAM event, DWORD node, DWORD type = DBT_DEVTYP_DEVNODE) {
        DEV_BROADCAST_DEVNODE record{sizeof record, type, 0, node};
        return frmMain->Perform(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record));
    }
    std::int32_t removalNotice(const simcard::DriverConfig& config, int card) const {
        return simcard::readInt32(config, static_cast<std::size_t>(card) * 140);
    }
};

TEST_F(MainWindowTest, ARemovalQueryForAnyCardTellsTheDriverThroughCardZeroAndEndsTheProgram) {
    start("cards 2\ndevnode 1 0x00ABCD00\n");
    createWindows();
    const simcard::DriverConfig before = storedConfig();
    std::size_t callsBefore = entryCalls().size();

    LRESULT result = deviceChange(DBT_DEVICEQUERYREMOVE, 0x00ABCD00);

    EXPECT_EQ(result, TRUE);
    EXPECT_TRUE(ExitRequested);
    EXPECT_EQ(MixControlWnd, nullptr); // closed and destroyed
    EXPECT_EQ(toolkit::Application->Forms().size(), 2u);
    auto calls = entryCalls();
    ASSERT_EQ(calls.size(), callsBefore + 2);
    EXPECT_NE(calls[callsBefore].find(" getconfig "), std::string::npos);
    EXPECT_NE(calls[callsBefore + 1].find(" setconfig "), std::string::npos);
    // Only card 0's first field changed; every other byte went back as it came.
    simcard::DriverConfig after = storedConfig();
    EXPECT_EQ(removalNotice(after, 0), -1);
    EXPECT_EQ(removalNotice(after, 1), removalNotice(before, 1));
    EXPECT_TRUE(std::equal(after.begin() + 4, after.end(), before.begin() + 4));
}

TEST_F(MainWindowTest, OtherDeviceEventsAndOtherDevicesChangeNothing) {
    start("cards 2\n");
    createWindows();
    const simcard::DriverConfig before = storedConfig();
    std::size_t callsBefore = entryCalls().size();
    const DWORD card1 = 0xC1A30400;

    EXPECT_EQ(deviceChange(DBT_DEVICEQUERYREMOVE, 0x12345678), TRUE); // no card's node
    EXPECT_EQ(deviceChange(DBT_DEVICEARRIVAL, card1), TRUE);
    EXPECT_EQ(deviceChange(DBT_DEVICEREMOVECOMPLETE, card1), TRUE);
    EXPECT_EQ(deviceChange(DBT_DEVICEQUERYREMOVE, card1, DBT_DEVTYP_VOLUME), TRUE);
    EXPECT_EQ(frmMain->Perform(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, 0), TRUE);
    // A header that claims a devnode record but is too short for one is not read past its end.
    DEV_BROADCAST_HDR shortHeader{sizeof shortHeader, DBT_DEVTYP_DEVNODE, 0};
    EXPECT_EQ(frmMain->Perform(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE,
                               reinterpret_cast<LPARAM>(&shortHeader)),
              TRUE);

    EXPECT_FALSE(ExitRequested);
    EXPECT_NE(MixControlWnd, nullptr);
    EXPECT_EQ(entryCalls().size(), callsBefore);
    EXPECT_EQ(storedConfig(), before);
}

TEST_F(MainWindowTest, ARemovalQueryWhoseGetconfigFailsStillEndsTheProgramWithoutWriting) {
    start("cards 1\nfault entry-crashes getconfig\n");
    createWindows();
    const simcard::DriverConfig before = storedConfig();
    EXPECT_EQ(deviceChange(DBT_DEVICEQUERYREMOVE, 0xC1A30000), TRUE);
    EXPECT_TRUE(ExitRequested);
    EXPECT_EQ(MixControlWnd, nullptr);
    for (const auto& call : entryCalls()) {
        EXPECT_EQ(call.find(" setconfig "), std::string::npos) << call;
    }
    EXPECT_EQ(storedConfig(), before);
}

TEST_F(MainWindowTest, TheSessionEndsOnlyWhenEndSessionSaysSo) {
    start("cards 1\n");
    createWindows();
    int closes = 0;
    MixControlWnd->OnClose = [&closes](toolkit::TObject*, toolkit::TCloseAction&) { ++closes; };
    MixControlWnd->Show();

    EXPECT_EQ(frmMain->Perform(WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(frmMain->Perform(WM_ENDSESSION, 0, 0), 0); // the session goes on
    EXPECT_FALSE(ExitRequested);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(MixControlWnd->Visible());

    EXPECT_EQ(frmMain->Perform(WM_ENDSESSION, 1, 0), 0);
    EXPECT_TRUE(ExitRequested);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(MixControlWnd->Visible());
}

TEST_F(MainWindowTest, TheTrayMenuIsBuiltAndFreedByTurns) {
    start("cards 1\n");
    createWindows();
    std::vector<toolkit::PopupMenuRecord> shown;
    toolkit::SetPopupMenuHandler([&shown](const toolkit::PopupMenuRecord& record) {
        shown.push_back(record);
        return 0;
    });
    auto press = [](UINT mouse) { frmMain->Perform(WM_TRAYMESSAGE, 0, mouse); };

    press(WM_RBUTTONDOWN);
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0].items.size(), 3u);
    EXPECT_EQ(shown[0].items[0].caption, "Open");
    EXPECT_TRUE(shown[0].items[1].separator);
    EXPECT_EQ(shown[0].items[2].caption, "Exit");
    EXPECT_NE(frmMain->TrayMenu(), nullptr); // kept after it was dismissed

    press(WM_RBUTTONDOWN); // destroyed, not shown
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(frmMain->TrayMenu(), nullptr);

    press(WM_RBUTTONDOWN); // built afresh: three entries, not six
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].items.size(), 3u);

    press(WM_LBUTTONDOWN);
    EXPECT_EQ(frmMain->TrayMenu(), nullptr);
    press(WM_MBUTTONDOWN);
    press(WM_LBUTTONDOWN); // with no menu: nothing
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_FALSE(MixControlWnd->Visible());
}

TEST_F(MainWindowTest, TheMenusEntriesOpenTheControlWindowAndEndTheProgram) {
    start("cards 1\n");
    createWindows();
    std::string choice = "Open";
    toolkit::SetPopupMenuHandler(
        [&choice](const toolkit::PopupMenuRecord& record) { return record.CommandOf(choice); });
    frmMain->Perform(WM_TRAYMESSAGE, 0, WM_RBUTTONDOWN);
    EXPECT_TRUE(MixControlWnd->Visible());
    EXPECT_FALSE(ExitRequested);

    choice = "Exit";
    frmMain->Perform(WM_TRAYMESSAGE, 0, WM_RBUTTONDOWN); // frees the menu
    frmMain->Perform(WM_TRAYMESSAGE, 0, WM_RBUTTONDOWN);
    EXPECT_TRUE(ExitRequested);
    EXPECT_FALSE(MixControlWnd->Visible());

    // A double click shows the control window, and makes a new one when there is none.
    MixControlWnd->Free();
    ASSERT_EQ(MixControlWnd, nullptr);
    frmMain->Perform(WM_TRAYMESSAGE, 0, WM_LBUTTONDBLCLK);
    ASSERT_NE(MixControlWnd, nullptr);
    EXPECT_TRUE(MixControlWnd->Visible());
    EXPECT_EQ(MixControlWnd->Owner(), nullptr);
    MixControlWnd->Free();
}

} // namespace
