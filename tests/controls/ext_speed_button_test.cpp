// OnDown of the bilingual speed button: once per transition from up to down, from code or from
// the mouse, never on a transition to up, and not through the base class's own accessor.
#include "controls/ext_speed_button.h"
#include "toolkit/panel.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

class SpeedButtonDown : public ::testing::Test {
protected:
    void SetUp() override {
        panel = new TPanel(nullptr);
        panel->SetBounds(0, 0, 200, 40);
        for (int i = 0; i < 3; ++i) {
            auto* b = new TExtSpeedButton(panel);
            b->SetBounds(10 + 30 * i, 5, 23, 22);
            b->SetParent(panel);
            std::string name = "b" + std::to_string(i);
            b->OnDown = [this, name](TObject* sender) {
                log.push_back(name + ".OnDown");
                senders.push_back(sender);
            };
            b->OnClick = [this, name](TObject*) { log.push_back(name + ".OnClick"); };
            buttons.push_back(b);
        }
    }
    void TearDown() override { panel->Free(); }

    void setGroup(int group, bool allowAllUp) {
        for (TExtSpeedButton* b : buttons) {
            b->SetGroupIndex(group);
            b->SetAllowAllUp(allowAllUp);
        }
    }
    // A left click in the middle of a button, through the parent as the backend delivers it.
    void click(int index) {
        TExtSpeedButton* b = buttons[static_cast<std::size_t>(index)];
        int x = b->Left() + 5;
        int y = b->Top() + 5;
        panel->PeerMouse(MouseAction::Down, TMouseButton::mbLeft, ssLeft, x, y);
        panel->PeerMouse(MouseAction::Up, TMouseButton::mbLeft, 0, x, y);
    }

    TPanel* panel = nullptr;
    std::vector<TExtSpeedButton*> buttons;
    std::vector<std::string> log;
    std::vector<TObject*> senders;
};

TEST_F(SpeedButtonDown, CodeFiresOnlyOnTheTransitionToDown) {
    setGroup(1, true);
    TExtSpeedButton* b = buttons[0];
    b->SetDown(true);
    EXPECT_TRUE(b->GetDown());
    ASSERT_EQ(log, (std::vector<std::string>{"b0.OnDown"}));
    EXPECT_EQ(senders[0], b);
    b->SetDown(true);
    b->SetDown(false);
    EXPECT_FALSE(b->GetDown());
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(SpeedButtonDown, BaseClassAccessorFiresNothing) {
    setGroup(1, false);
    TSpeedButton* plain = buttons[1];
    plain->SetDown(true);
    EXPECT_TRUE(buttons[1]->GetDown());
    EXPECT_TRUE(log.empty());
}

TEST_F(SpeedButtonDown, WithoutGroupNothingLatches) {
    setGroup(0, false);
    buttons[0]->SetDown(true);
    EXPECT_FALSE(buttons[0]->GetDown());
    click(0);
    EXPECT_FALSE(buttons[0]->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"b0.OnClick"}));
}

TEST_F(SpeedButtonDown, ClicksInAGroup) {
    setGroup(1, true);
    click(0); // latches b0: OnDown after the release handling (and its click)
    EXPECT_TRUE(buttons[0]->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"b0.OnClick", "b0.OnDown"}));
    log.clear();

    click(1); // b1 goes down and releases b0, which fires nothing
    EXPECT_TRUE(buttons[1]->GetDown());
    EXPECT_FALSE(buttons[0]->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"b1.OnClick", "b1.OnDown"}));
    log.clear();

    click(1); // AllowAllUp: the click releases b1, no OnDown
    EXPECT_FALSE(buttons[1]->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"b1.OnClick"}));
    log.clear();

    buttons[2]->SetDown(true); // code in the same group: once
    buttons[0]->SetDown(true);
    EXPECT_FALSE(buttons[2]->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"b2.OnDown", "b0.OnDown"}));
}

TEST_F(SpeedButtonDown, ClickOnADownButtonWithoutAllowAllUpFiresNothing) {
    setGroup(2, false);
    click(2);
    log.clear();
    click(2);
    EXPECT_TRUE(buttons[2]->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"b2.OnClick"}));
}

TEST_F(SpeedButtonDown, ReleaseOutsideTheButtonDoesNotLatch) {
    setGroup(1, false);
    TExtSpeedButton* b = buttons[0];
    panel->PeerMouse(MouseAction::Down, TMouseButton::mbLeft, ssLeft, b->Left() + 5, 10);
    panel->PeerMouse(MouseAction::Up, TMouseButton::mbLeft, 0, 190, 35);
    EXPECT_FALSE(b->GetDown());
    EXPECT_TRUE(log.empty());
}

TEST_F(SpeedButtonDown, UnassignedOnDownIsHarmless) {
    setGroup(1, false);
    buttons[0]->OnDown = nullptr;
    click(0);
    buttons[1]->OnDown = nullptr;
    buttons[1]->SetDown(true);
    EXPECT_TRUE(buttons[1]->GetDown());
    EXPECT_FALSE(buttons[0]->GetDown());
}

} // namespace
