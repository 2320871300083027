// The slider: knob geometry, the position rules, the range error, the order of Min and Max
// writes, dragging, resizing, and the set-up from a description or the first paint.
#include "controls/slider.h"
#include "toolkit/application.h"
#include "toolkit/exceptions.h"
#include "toolkit/forms.h"
#include "toolkit/panel.h"
#include "toolkit/windowing.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace controls;
using namespace toolkit;

namespace {

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = new TPanel(nullptr);
        host->SetBounds(0, 0, 200, 300);
        slider = new TSlider(host);
        slider->SetParent(host);
        slider->SetBounds(50, 20, 4, 149);
        slider->OnChange = [this](TObject* sender) {
            EXPECT_EQ(sender, slider);
            changes.push_back(slider->Position());
        };
    }
    void TearDown() override { host->Free(); }

    // The knob's top as the geometry rule gives it.
    int ruleTop() const {
        return slider->Top() + slider->Height() - slider->BtnHeight() / 2 - slider->KnobOffset() -
               slider->MoveRestriction();
    }
    void press(int y) {
        slider->Knob()->PeerMouse(MouseAction::Down, TMouseButton::mbLeft, ssLeft, 5, y);
    }
    void move(int y) {
        slider->Knob()->PeerMouse(MouseAction::Move, TMouseButton::mbLeft, ssLeft, 5, y);
    }
    void release(int y) {
        slider->Knob()->PeerMouse(MouseAction::Up, TMouseButton::mbLeft, 0, 5, y);
    }

    TPanel* host = nullptr;
    TSlider* slider = nullptr;
    std::vector<int> changes;
};

TEST_F(SliderTest, SetupPlacesTheKnobInTheParent) {
    EXPECT_EQ(slider->Knob()->Owner(), slider);
    EXPECT_EQ(slider->Knob()->Parent(), nullptr);
    EXPECT_EQ(slider->Travel(), 149); // computed before MoveRestriction was set
    slider->SetupKnob();
    EXPECT_TRUE(slider->Initialized());
    EXPECT_EQ(slider->Knob()->Parent(), host);
    EXPECT_EQ(slider->Travel(), 141);
    EXPECT_EQ(slider->KnobOffset(), 0);
    EXPECT_EQ(slider->Knob()->Left(), 50 + 2 - 12);
    EXPECT_EQ(slider->Knob()->Top(), 20 + 149 - 7 - 0 - 4);
    EXPECT_EQ(slider->KnobLine()->Top(), 5);
    EXPECT_EQ(slider->KnobLine()->Width(), 19);
    EXPECT_EQ(changes, (std::vector<int>{0}));

    slider->SetPosition(50);
    EXPECT_EQ(slider->KnobOffset(), 70); // Round(141 * 0.5), halves to even
    EXPECT_EQ(slider->Knob()->Top(), 20 + 149 - 7 - 70 - 4);
    EXPECT_EQ(changes, (std::vector<int>{0, 50}));
    slider->SetPosition(50); // fired also without a change
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(SliderTest, PositionIsClampedAndEqualBoundsSitAtTheBottom) {
    slider->SetupKnob();
    slider->SetPosition(150);
    EXPECT_EQ(slider->Position(), 100);
    EXPECT_EQ(slider->KnobOffset(), 141);
    slider->SetPosition(-5);
    EXPECT_EQ(slider->Position(), 0);
    EXPECT_EQ(slider->Knob()->Top(), ruleTop());
    slider->SetPosition(30);
    slider->SetMin(30);
    slider->SetMax(30);
    slider->SetPosition(70);
    EXPECT_EQ(slider->Position(), 30);
    EXPECT_DOUBLE_EQ(slider->RelPos(), 0.0);
    EXPECT_EQ(slider->KnobOffset(), 0);
}

TEST_F(SliderTest, BoundsMovedPastThePositionRaiseAtTheNextUpdate) {
    slider->SetupKnob();
    slider->SetPosition(50);
    changes.clear();
    slider->SetMax(20); // the update uses the old bounds, then Max is stored
    EXPECT_EQ(changes, (std::vector<int>{50}));
    EXPECT_EQ(slider->Position(), 50);
    EXPECT_EQ(slider->Max(), 20);
    try {
        slider->SetMax(30);
        FAIL() << "no range error";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), "Wert für Position liegt außerhalb von Min und Max");
    }
    EXPECT_EQ(slider->Max(), 20);
    EXPECT_THROW(slider->SetMin(-10), ERangeError);
    EXPECT_EQ(slider->Min(), 0);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_THROW(slider->SetRelPos(std::nan("")), ERangeError);
    EXPECT_THROW(slider->SetRelPos(-0.01), ERangeError);
    EXPECT_EQ(changes.size(), 1u);
    // A position write clamps first and so repairs it.
    slider->SetPosition(50);
    EXPECT_EQ(slider->Position(), 20);
    slider->SetMax(30);
    EXPECT_EQ(slider->Max(), 30);
}

TEST_F(SliderTest, DraggingMovesPixelByPixelAndStopsAtTheEnds) {
    slider->SetupKnob();
    changes.clear();
    press(7);
    EXPECT_TRUE(slider->Dragging());
    move(-3); // ten pixels up
    EXPECT_EQ(slider->KnobOffset(), 10);
    EXPECT_EQ(slider->Position(), 7); // Round(100 * 10 / 141)
    EXPECT_EQ(slider->Knob()->Top(), ruleTop());
    // The knob followed the pointer: the next move is measured from the new place.
    move(-3);
    EXPECT_EQ(slider->KnobOffset(), 20);
    move(-500);
    EXPECT_EQ(slider->KnobOffset(), 141);
    EXPECT_EQ(slider->Position(), 100);
    move(1000);
    EXPECT_EQ(slider->KnobOffset(), 0);
    EXPECT_EQ(slider->Position(), 0);
    EXPECT_EQ(changes, (std::vector<int>{7, 14, 100, 0}));
    release(0);
    EXPECT_FALSE(slider->Dragging());
    move(-50); // no drag without a press
    EXPECT_EQ(slider->Position(), 0);
    // Any button, also on the index line.
    slider->Knob()->PeerMouse(MouseAction::Down, TMouseButton::mbRight, ssRight, 5, 6);
    EXPECT_TRUE(slider->Dragging());
}

TEST_F(SliderTest, ResizeKeepsTheGrooveFourPixelsWide) {
    slider->SetupKnob();
    slider->SetPosition(50);
    slider->SetWidth(30);
    EXPECT_EQ(slider->Width(), 4);
    slider->SetBounds(60, 10, 17, 208);
    EXPECT_EQ(slider->Width(), 4);
    EXPECT_EQ(slider->Travel(), 200);
    EXPECT_EQ(slider->KnobOffset(), 100);
    EXPECT_EQ(slider->Knob()->Top(), ruleTop());
    EXPECT_EQ(slider->Knob()->Left(), 60 + 2 - 12);
    EXPECT_EQ(slider->Position(), 50);
}

TEST_F(SliderTest, KnobSizeAndMarginRedoTheGeometry) {
    slider->SetupKnob();
    slider->SetPosition(25);
    changes.clear();
    slider->SetBtnHeight(20);
    EXPECT_EQ(slider->Knob()->Height(), 20);
    EXPECT_EQ(slider->KnobLine()->Top(), 8);
    EXPECT_EQ(slider->Knob()->Top(), ruleTop());
    slider->SetBtnWidth(31);
    EXPECT_EQ(slider->Knob()->Width(), 31);
    EXPECT_EQ(slider->Knob()->Left(), 50 + 2 - 15);
    EXPECT_EQ(slider->KnobLine()->Width(), 26);
    slider->SetMoveRestriction(10);
    EXPECT_EQ(slider->Travel(), 129);
    EXPECT_EQ(slider->KnobOffset(), 32); // Round(129 * 0.25) = Round(32.25)
    EXPECT_EQ(slider->Knob()->Top(), ruleTop());
    EXPECT_TRUE(changes.empty());
}

TEST_F(SliderTest, KnobFollowsTheSliderAndDiesWithIt) {
    auto* box = new TCheckBox(nullptr);
    slider->SetLinkCheck(box);
    box->Free();
    EXPECT_EQ(slider->LinkCheck(), nullptr);
    slider->SetupKnob();
    slider->SetLeft(100);
    EXPECT_EQ(slider->Knob()->Left(), 100 + 2 - 12);
    auto* other = new TPanel(host);
    other->SetParent(host);
    slider->SetParent(other);
    EXPECT_EQ(slider->Knob()->Parent(), other);
    int before = other->ControlCount();
    slider->Free();
    EXPECT_EQ(other->ControlCount(), before - 2);
}

// A description that places a slider: writes during loading fire nothing and raise nothing;
// the set-up from Loaded fires OnChange once.
class TSliderForm : public TForm {
public:
    explicit TSliderForm(TComponent* owner) : TForm(owner) {
        Publish("sldVolumeChange", this, &TSliderForm::sldVolumeChange);
    }
    TPanel* pnFader = nullptr;
    TSlider* sldVolume = nullptr;
    std::vector<std::string> log;
    void sldVolumeChange(TObject*) {
        log.push_back("change " + std::to_string(sldVolume->Position()) +
                      (sldVolume->IsLoading() ? " loading" : ""));
    }

protected:
    void Describe() override {
        SetName("frmFader");
        pnFader = new TPanel(this);
        pnFader->SetName("pnFader");
        pnFader->SetParent(this);
        pnFader->SetBounds(0, 0, 120, 220);
        sldVolume = new TSlider(this);
        sldVolume->SetName("sldVolume");
        sldVolume->SetParent(pnFader);
        sldVolume->SetBounds(40, 10, 4, 200);
        Bind(sldVolume->OnChange, "sldVolumeChange");
        sldVolume->SetMin(-20);
        sldVolume->SetMax(20);
        sldVolume->SetPosition(10);
        sldVolume->SetMax(5); // would be out of range now; nothing is checked while loading
        sldVolume->SetMax(40);
        sldVolume->SetMoveRestriction(5);
    }
};

TEST(SliderDescription, LoadingFiresOnceFromTheSetup) {
    auto* form = TCustomForm::Create<TSliderForm>(nullptr);
    EXPECT_EQ(form->log, (std::vector<std::string>{"change 10"}));
    TSlider* s = form->sldVolume;
    EXPECT_TRUE(s->Initialized());
    EXPECT_FALSE(s->Knob()->IsLoading());
    EXPECT_EQ(s->Knob()->Parent(), form->pnFader);
    EXPECT_EQ(s->Travel(), 190);
    EXPECT_DOUBLE_EQ(s->RelPos(), 0.5);
    EXPECT_EQ(s->KnobOffset(), 95);
    EXPECT_EQ(s->Knob()->Top(), 10 + 200 - 7 - 95 - 5);
    form->Free();
}

TEST(SliderPaint, FirstPaintSetsUpAndTheKnobFollows) {
    auto* form = TCustomForm::Create<TForm>(nullptr);
    form->SetBounds(10, 10, 200, 250);
    auto* s = new TSlider(form);
    s->SetParent(form);
    s->SetBounds(80, 20, 4, 149);
    int changes = 0;
    s->OnChange = [&](TObject*) { ++changes; };
    s->SetPosition(100); // before the set-up: the knob is not placed yet
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(s->Knob()->Parent(), nullptr);
    form->Show();
    s->Repaint();
    Application->ProcessMessages();
    EXPECT_TRUE(s->Initialized());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(s->Knob()->Parent(), form);
    EXPECT_EQ(s->Knob()->Top(), 20 + 149 - 7 - 141 - 4);
    EXPECT_EQ(s->Knob()->Left(), 80 + 2 - 12);
    form->Free();
}

} // namespace

// The knob as drawn: a black single-line border outside its client area, inside it the raised
// bevel, the border in the face colour and the face, and the sunken index line at Left 1,
// Top (14 - 4) div 2 of the client area, 24 - 5 pixels long.
TEST(SliderPaint, KnobBorderLiesOutsideTheClientAreaAndTheIndexLineInside) {
    auto* host = new TPanel(nullptr);
    host->SetBounds(0, 0, 60, 170);
    auto* slider = new TSlider(host);
    slider->SetParent(host);
    slider->SetBounds(28, 10, 4, 149);
    slider->SetupKnob();
    TPanel* knob = slider->Knob();
    EXPECT_EQ(knob->ClientRect(), (TRect{0, 0, 22, 12}));
    EXPECT_EQ(slider->KnobLine()->BoundsRect(), Bounds(1, 5, 19, 2));
    TColor black = ColorToRGB(clWindowFrame);
    TColor light = ColorToRGB(clBtnHighlight);
    TColor dark = ColorToRGB(clBtnShadow);
    TColor face = ColorToRGB(clBtnFace);
    auto expected = [&](int x, int y) {
        if (x == 0 || y == 0 || x == 23 || y == 13) {
            return black;
        }
        if (x >= 2 && x <= 20 && (y == 6 || y == 7)) {
            return y == 6 ? dark : light;
        }
        if (x == 1 || y == 1 || x == 22 || y == 12) { // raised: light top-left, the rest dark
            return x == 22 || y == 12 ? dark : light;
        }
        return face;
    };
    Snapshot shot = GrabControl(knob);
    ASSERT_EQ(shot.width, 24);
    ASSERT_EQ(shot.height, 14);
    std::string map;
    bool same = true;
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 24; ++x) {
            bool ok = shot.PixelAt(x, y) == expected(x, y);
            same = same && ok;
            map += ok ? '.' : 'X';
        }
        map += '\n';
    }
    EXPECT_TRUE(same) << map;
    // A press is reported in client coordinates: the border is not part of them.
    int downY = -1;
    knob->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int y) { downY = y; };
    knob->PeerMouse(MouseAction::Down, TMouseButton::mbLeft, ssLeft, 5, 7);
    EXPECT_EQ(downY, 6);
    host->Free();
}
