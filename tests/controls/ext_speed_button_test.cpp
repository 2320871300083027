// OnDown of the bilingual speed button: once per transition from up to down, from code or from
// the mouse, never on a transition to up, and not through the base class's own accessor.
#include "controls/ext_speed_button.h"
#include "toolkit/panel.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

class SpeedButtonDown : public ::testing::Test {
protected:
    void SetUp() override {
        panel = new TPanel(nullptr);
        for (int i = 0; i < 3; ++i) {
            auto* b = new TExtSpeedButton(panel);
            b->SetBounds(10 + 30 * i, 5, 23, 22);
            b->SetParent(panel);
            std::string name = "b" + std::to_string(i);
            b->OnDown = [this, name, b](TObject* sender) {
                EXPECT_EQ(sender, b);
                log.push_back(name + ".OnDown");
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
    // A left click in a button, through the parent as the backend delivers it.
    void click(int index) {
        TExtSpeedButton* b = buttons[static_cast<std::size_t>(index)];
        panel->PeerMouse(MouseAction::Down, TMouseButton::mbLeft, ssLeft, b->Left() + 5, 10);
        panel->PeerMouse(MouseAction::Up, TMouseButton::mbLeft, 0, b->Left() + 5, 10);
    }
    std::vector<std::string> takeLog() { return std::exchange(log, {}); }

    TPanel* panel = nullptr;
    std::vector<TExtSpeedButton*> buttons;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(SpeedButtonDown, CodeFiresOnTheTransitionToDownOnly) {
    setGroup(1, true);
    buttons[0]->SetDown(true);
    buttons[0]->SetDown(true);
    buttons[0]->SetDown(false);
    EXPECT_EQ(takeLog(), (Log{"b0.OnDown"}));
    buttons[2]->SetDown(true);
    buttons[1]->SetDown(true); // releases b2: nothing for b2
    EXPECT_FALSE(buttons[2]->GetDown());
    EXPECT_EQ(takeLog(), (Log{"b2.OnDown", "b1.OnDown"}));
    static_cast<TSpeedButton*>(buttons[0])->SetDown(true); // the base class's accessor
    EXPECT_TRUE(buttons[0]->GetDown());
    EXPECT_TRUE(log.empty());
    buttons[2]->OnDown = nullptr;
    buttons[2]->SetDown(true);
    EXPECT_TRUE(buttons[2]->GetDown());
}

TEST_F(SpeedButtonDown, MouseClicks) {
    setGroup(0, false); // no group: a click does not latch
    click(0);
    EXPECT_FALSE(buttons[0]->GetDown());
    EXPECT_EQ(takeLog(), (Log{"b0.OnClick"}));

    setGroup(1, true);
    click(0); // latches: OnDown after the release handling
    EXPECT_EQ(takeLog(), (Log{"b0.OnClick", "b0.OnDown"}));
    click(1); // releases b0 silently
    EXPECT_FALSE(buttons[0]->GetDown());
    EXPECT_EQ(takeLog(), (Log{"b1.OnClick", "b1.OnDown"}));
    click(1); // AllowAllUp: released, no OnDown
    EXPECT_FALSE(buttons[1]->GetDown());
    EXPECT_EQ(takeLog(), (Log{"b1.OnClick"}));

    setGroup(2, false);
    click(2);
    takeLog();
    click(2); // a down button without AllowAllUp stays down
    EXPECT_TRUE(buttons[2]->GetDown());
    EXPECT_EQ(takeLog(), (Log{"b2.OnClick"}));
    // Pressed in b0, released outside: no latch.
    panel->PeerMouse(MouseAction::Down, TMouseButton::mbLeft, ssLeft, 15, 10);
    panel->PeerMouse(MouseAction::Up, TMouseButton::mbLeft, 0, 150, 35);
    EXPECT_FALSE(buttons[0]->GetDown());
    EXPECT_TRUE(log.empty());
}

} // namespace
