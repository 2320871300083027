// The level meter's own multimedia timer: started only on a form, stopped on request and on
// destruction, restarted with a new period or a new window, and its ticks really arrive.
#include "controls/level_meter.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/panel.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace controls;
using namespace toolkit;

namespace {

// Handles messages until the condition holds (false after a generous deadline).
bool pumpUntil(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}

bool timerIsGone(std::uint32_t id) {
    return timeKillEvent(id) != TIMERR_NOERROR;
}

class MeterTimer : public ::testing::Test {
protected:
    void SetUp() override {
        form = TCustomForm::Create<TForm>(nullptr);
        meter = new TLevelMeter(form);
        meter->SetParent(form);
        meter->SetLevel(32767); // 32 lamps, top 31
    }
    void TearDown() override {
        if (form != nullptr) {
            form->Free();
        }
        Application->ProcessMessages();
    }
    void post(UINT id) {
        LevelTimerProc(id, 0, reinterpret_cast<DWORD_PTR>(meter->Handle()), 0, 0);
    }

    TForm* form = nullptr;
    TLevelMeter* meter = nullptr;
};

TEST(MeterTimerOffForm, EnableStoresButStartsNothing) {
    auto* meter = new TLevelMeter(nullptr);
    meter->SetTimerEnable(true);
    EXPECT_TRUE(meter->TimerEnable());
    EXPECT_EQ(meter->TimerID(), 0u);
    meter->SetTimerInterval(20);
    EXPECT_EQ(meter->TimerID(), 0u);
    meter->SetLevel(32767);
    EXPECT_EQ(meter->Perform(kLevelTickMessage, 5, 0), 0); // only WParam 0 matches "no timer"
    EXPECT_EQ(meter->TopIndex(), 31);
    meter->Free();
}

TEST_F(MeterTimer, OwnTimerTicksArrive) {
    meter->SetTimerInterval(5);
    meter->SetTimerEnable(true);
    ASSERT_NE(meter->TimerID(), 0u);
    EXPECT_TRUE(pumpUntil([&] { return meter->TopIndex() == 0 && meter->PeakIndex() == 0; }));
}

TEST_F(MeterTimer, OnlyOwnTicksCountWhileTheTimerRuns) {
    post(999); // timer off: a forwarded tick of any timer counts
    Application->ProcessMessages();
    EXPECT_EQ(meter->TopIndex(), 30);

    meter->SetTimerInterval(60000); // does not fire during the test
    meter->SetTimerEnable(true);
    std::uint32_t id = meter->TimerID();
    TMessage other{kLevelTickMessage, id + 1, 0, 77};
    meter->LevelTick(other);
    EXPECT_EQ(other.Result, 77);
    post(id + 1);
    Application->ProcessMessages();
    EXPECT_EQ(meter->TopIndex(), 30);
    post(id);
    Application->ProcessMessages();
    EXPECT_EQ(meter->TopIndex(), 29);
}

TEST_F(MeterTimer, StopRestartAndDestruction) {
    meter->SetTimerEnable(true);
    std::uint32_t first = meter->TimerID();
    meter->SetTimerEnable(true);
    EXPECT_EQ(meter->TimerID(), first);
    meter->SetTimerInterval(30); // restarted with the new period
    std::uint32_t second = meter->TimerID();
    EXPECT_NE(second, first);
    EXPECT_TRUE(timerIsGone(first));
    meter->SetParent(nullptr); // stopping needs no form
    meter->SetTimerEnable(false);
    EXPECT_EQ(meter->TimerID(), 0u);
    EXPECT_TRUE(timerIsGone(second));

    meter->SetParent(form);
    meter->SetTimerEnable(true);
    std::uint32_t third = meter->TimerID();
    form->Free(); // frees the meter, which stops its timer
    form = nullptr;
    EXPECT_TRUE(timerIsGone(third));
}

TEST_F(MeterTimer, TicksFollowTheMeterToANewWindow) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    meter->SetTimerInterval(5);
    meter->SetTimerEnable(true);
    HWND before = meter->Handle();
    std::uint32_t id = meter->TimerID();
    meter->SetParent(panel); // the window is made anew
    EXPECT_NE(meter->Handle(), before);
    EXPECT_TRUE(timerIsGone(id));
    EXPECT_TRUE(pumpUntil([&] { return meter->TopIndex() < 20; }));
}

} // namespace
