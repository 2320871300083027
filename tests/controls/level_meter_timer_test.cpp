// The level meter's own multimedia timer: started only on a form, stopped on request and on
// destruction, restarted with a new period, and its ticks really arrive as posted messages.
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

// Handles messages until the condition holds or a generous deadline has passed.
bool pumpUntil(const std::function<bool()>& condition) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
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
    }
    void TearDown() override {
        if (form != nullptr) {
            form->Free();
        }
        Application->ProcessMessages();
    }

    TForm* form = nullptr;
    TLevelMeter* meter = nullptr;
};

TEST(MeterTimerOffForm, EnableWithoutAFormStoresButStartsNothing) {
    auto* meter = new TLevelMeter(nullptr);
    meter->SetTimerEnable(true);
    EXPECT_TRUE(meter->TimerEnable());
    EXPECT_EQ(meter->TimerID(), 0u);
    EXPECT_FALSE(meter->HandleAllocated());
    meter->SetTimerInterval(20); // restarting finds no form either
    EXPECT_EQ(meter->TimerID(), 0u);
    // Without a running timer of its own, only WParam 0 matches the id.
    meter->SetLevel(32767);
    EXPECT_EQ(meter->Perform(kLevelTickMessage, 5, 0), 0);
    EXPECT_EQ(meter->TopIndex(), 31);
    EXPECT_EQ(meter->Perform(kLevelTickMessage, 0, 0), 1);
    EXPECT_EQ(meter->TopIndex(), 30);
    meter->Free();
}

TEST_F(MeterTimer, OwnTimerPostsTicksThatArrive) {
    meter->SetTimerInterval(5);
    meter->SetLevel(32767);
    meter->SetTimerEnable(true);
    ASSERT_NE(meter->TimerID(), 0u);
    EXPECT_TRUE(meter->HandleAllocated());
    EXPECT_TRUE(pumpUntil([&] { return meter->TopIndex() == 0 && meter->PeakIndex() == 0; }));
    EXPECT_EQ(meter->Lumi(31)->Get_On(), false);
}

TEST_F(MeterTimer, OnlyTheOwnTimersTicksCountWhileItRuns) {
    meter->SetTimerInterval(60000); // never fires during the test
    meter->SetTimerEnable(true);
    std::uint32_t id = meter->TimerID();
    ASSERT_NE(id, 0u);
    meter->SetLevel(32767);
    TMessage other{kLevelTickMessage, id + 1, 0, 77};
    meter->LevelTick(other);
    EXPECT_EQ(other.Result, 77); // left unchanged
    EXPECT_EQ(meter->TopIndex(), 31);
    TMessage own{kLevelTickMessage, id, 0, 0};
    meter->LevelTick(own);
    EXPECT_EQ(own.Result, 1);
    EXPECT_EQ(meter->TopIndex(), 30);

    // The callback posts to the window with the timer's id as WParam.
    LevelTimerProc(id + 1, 0, reinterpret_cast<DWORD_PTR>(meter->Handle()), 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(meter->TopIndex(), 30);
    LevelTimerProc(id, 0, reinterpret_cast<DWORD_PTR>(meter->Handle()), 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(meter->TopIndex(), 29);
}

TEST_F(MeterTimer, ForwardedTicksCountWhenTheTimerIsOff) {
    meter->SetLevel(32767);
    LevelTimerProc(999, 0, reinterpret_cast<DWORD_PTR>(meter->Handle()), 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(meter->TopIndex(), 30);
}

TEST_F(MeterTimer, DisableAndIntervalChangesStopAndRestart) {
    meter->SetTimerEnable(true);
    std::uint32_t first = meter->TimerID();
    ASSERT_NE(first, 0u);
    meter->SetTimerEnable(true); // already running: same timer
    EXPECT_EQ(meter->TimerID(), first);
    meter->SetTimerInterval(30);
    std::uint32_t second = meter->TimerID();
    EXPECT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_TRUE(timerIsGone(first));
    meter->SetTimerEnable(false);
    EXPECT_FALSE(meter->TimerEnable());
    EXPECT_EQ(meter->TimerID(), 0u);
    EXPECT_TRUE(timerIsGone(second));
    meter->SetTimerInterval(40); // off: nothing starts
    EXPECT_EQ(meter->TimerID(), 0u);
}

TEST_F(MeterTimer, DestructionStopsTheTimer) {
    meter->SetTimerEnable(true);
    std::uint32_t id = meter->TimerID();
    ASSERT_NE(id, 0u);
    meter->Free();
    EXPECT_TRUE(timerIsGone(id));

    auto* second = new TLevelMeter(form);
    second->SetParent(form);
    second->SetTimerEnable(true);
    id = second->TimerID();
    ASSERT_NE(id, 0u);
    form->Free(); // the form frees its meters
    form = nullptr;
    EXPECT_TRUE(timerIsGone(id));
}

TEST_F(MeterTimer, StoppingDoesNotNeedTheForm) {
    meter->SetTimerEnable(true);
    std::uint32_t id = meter->TimerID();
    meter->SetParent(nullptr);
    meter->SetTimerEnable(false);
    EXPECT_EQ(meter->TimerID(), 0u);
    EXPECT_TRUE(timerIsGone(id));
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
    EXPECT_NE(meter->TimerID(), id);
    EXPECT_TRUE(timerIsGone(id));
    meter->SetLevel(32767);
    EXPECT_TRUE(pumpUntil([&] { return meter->TopIndex() < 25; }));
}

} // namespace
