// Check boxes and radio buttons: events on real changes only, none while a description is
// applied, radio buttons excluding each other within their parent.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/check_box.h"
#include "toolkit/group_box.h"
#include "toolkit/panel.h"
#include "toolkit/radio_button.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

TEST(CheckBox, CheckedFiresOnClickOnEveryRealChange) {
    Owned<TCheckBox> box(new TCheckBox(nullptr));
    std::vector<bool> clicks;
    box->OnClick = [&](TObject* sender) {
        clicks.push_back(static_cast<TCheckBox*>(sender)->Checked());
    };
    box->SetChecked(true);
    box->SetChecked(true);
    box->SetChecked(false);
    box->SetChecked(false);
    box->SetChecked(true);
    EXPECT_EQ(clicks, (std::vector<bool>{true, false, true}));
}

TEST(CheckBox, UserClickTogglesAndFiresOnce) {
    TCheckBox* box = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        box = f.Add<TCheckBox>("chk", &f);
        box->SetBounds(8, 8, 100, 17);
        box->SetCaption("Karte ist Master");
    }));
    form->Show();
    pump();
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    SimulateClick(box, 6, 8);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicks, 1);
    SimulateClick(box, 6, 8);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 2);
}

// A form whose description sets states with the handlers already bound.
class TStatesForm : public TForm {
public:
    explicit TStatesForm(TComponent* owner) : TForm(owner) {
        Publish("chkClick", this, &TStatesForm::chkClick);
    }
    TCheckBox* chk = nullptr;
    TRadioButton* rb1 = nullptr;
    TRadioButton* rb2 = nullptr;
    int clicks = 0;
    void chkClick(TObject*) { ++clicks; }

protected:
    void Describe() override {
        chk = new TCheckBox(this);
        chk->SetName("chk");
        chk->SetParent(this);
        Bind(chk->OnClick, "chkClick");
        chk->SetChecked(true);
        rb1 = new TRadioButton(this);
        rb1->SetName("rb1");
        rb1->SetParent(this);
        Bind(rb1->OnClick, "chkClick");
        rb1->SetChecked(true);
        rb2 = new TRadioButton(this);
        rb2->SetName("rb2");
        rb2->SetParent(this);
        Bind(rb2->OnClick, "chkClick");
        rb2->SetChecked(true);
    }
};

TEST(CheckBox, NoEventsWhileADescriptionIsApplied) {
    Owned<TStatesForm> form(TCustomForm::Create<TStatesForm>(nullptr));
    EXPECT_EQ(form->clicks, 0);
    EXPECT_TRUE(form->chk->Checked());
    // Exclusion holds also while loading; only the events wait.
    EXPECT_FALSE(form->rb1->Checked());
    EXPECT_TRUE(form->rb2->Checked());
    // Once created, changes fire.
    form->chk->SetChecked(false);
    form->rb1->SetChecked(true);
    EXPECT_EQ(form->clicks, 2);
}

TEST(CheckBox, DisabledTextIsGreyedWhateverTheFontColour) {
    TCheckBox* box = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        box = f.Add<TCheckBox>("chk", &f);
        box->SetBounds(0, 0, 120, 17);
        box->SetCaption("WWWWWWWW");
        box->Font().SetColor(clBlack);
    }));
    form->Show();
    pump();
    // The darkest pixel of the caption, as the sum of its three channels.
    auto darkest = [&] {
        Snapshot shot = GrabControl(box);
        int dark = 3 * 255;
        for (int y = 0; y < shot.height; ++y) {
            for (int x = 20; x < shot.width; ++x) {
                const std::uint32_t p = shot.pixels[static_cast<std::size_t>(y * shot.width + x)];
                dark = std::min(dark,
                                static_cast<int>((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)));
            }
        }
        return dark;
    };
    EXPECT_LT(darkest(), 3 * 64);
    box->SetEnabled(false);
    pump();
    EXPECT_GT(darkest(), 3 * 96);
}

TEST(RadioButton, CheckingReleasesTheSiblingsOfTheSameParentOnly) {
    TRadioButton* a1 = nullptr;
    TRadioButton* a2 = nullptr;
    TRadioButton* a3 = nullptr;
    TRadioButton* b1 = nullptr;
    TCheckBox* chk = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        auto* groupA = f.Add<TGroupBox>("grpA", &f);
        auto* groupB = f.Add<TPanel>("pnB", &f);
        a1 = f.Add<TRadioButton>("a1", groupA);
        a2 = f.Add<TRadioButton>("a2", groupA);
        a3 = f.Add<TRadioButton>("a3", groupA);
        chk = f.Add<TCheckBox>("chk", groupA);
        b1 = f.Add<TRadioButton>("b1", groupB);
    }));
    std::vector<std::string> clicks;
    for (TRadioButton* rb : {a1, a2, a3, b1}) {
        rb->OnClick = [&](TObject* s) { clicks.push_back(static_cast<TComponent*>(s)->Name()); };
    }
    chk->SetChecked(true);
    b1->SetChecked(true);
    a1->SetChecked(true);
    EXPECT_TRUE(b1->Checked()) << "a button in another parent was released";
    a2->SetChecked(true);
    EXPECT_FALSE(a1->Checked());
    EXPECT_TRUE(a2->Checked());
    EXPECT_TRUE(chk->Checked()) << "a check box is no radio button";
    // Checking the checked one again, or unchecking, fires nothing.
    a2->SetChecked(true);
    a2->SetChecked(false);
    EXPECT_EQ(clicks, (std::vector<std::string>{"b1", "a1", "a2"}));
    EXPECT_FALSE(a1->Checked() || a2->Checked() || a3->Checked());
}

TEST(RadioButton, UserClickChecksAndNeverUnchecks) {
    TRadioButton* a = nullptr;
    TRadioButton* b = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        a = f.Add<TRadioButton>("a", &f);
        a->SetBounds(8, 8, 100, 17);
        a->SetCaption("Interne Clock");
        b = f.Add<TRadioButton>("b", &f);
        b->SetBounds(8, 30, 100, 17);
        b->SetCaption("SyncBus");
        a->SetChecked(true);
    }));
    form->Show();
    pump();
    int clicks = 0;
    a->OnClick = b->OnClick = [&](TObject*) { ++clicks; };
    SimulateClick(b, 6, 8);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    EXPECT_EQ(clicks, 1);
    SimulateClick(b, 6, 8);
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(clicks, 1);
}

// The classic layout: the 13-pixel picture at the left edge, the caption 4 pixels after it. A
// caption measured for the classic layout then fits its box here too.
TEST(CheckBox, PictureAtTheLeftEdgeAndCaptionFourPixelsAfterIt) {
    TCheckBox* box = nullptr;
    TRadioButton* radio = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        box = f.Add<TCheckBox>("chk", &f);
        box->SetBounds(0, 0, 120, 17);
        radio = f.Add<TRadioButton>("rb", &f);
        radio->SetBounds(0, 20, 120, 17);
        box->SetCaption("IIII");
        box->Font().SetColor(clBlack);
        radio->SetCaption("IIII");
        radio->Font().SetColor(clBlack);
    }));
    form->Show();
    pump();
    for (TWinControl* control :
         {static_cast<TWinControl*>(box), static_cast<TWinControl*>(radio)}) {
        Snapshot shot = GrabControl(control);
        const auto background = shot.PixelAt(shot.width - 1, 0);
        // Columns that hold anything but the background, and columns with black text.
        std::vector<bool> used(static_cast<std::size_t>(shot.width));
        int firstBlack = -1;
        for (int x = 0; x < shot.width; ++x) {
            for (int y = 0; y < shot.height; ++y) {
                const auto p = shot.PixelAt(x, y);
                used[static_cast<std::size_t>(x)] =
                    used[static_cast<std::size_t>(x)] || p != background;
                const int sum = GetRValue(p) + GetGValue(p) + GetBValue(p);
                if (x >= 13 && firstBlack < 0 && sum < 3 * 64) {
                    firstBlack = x;
                }
            }
        }
        int lastPicture = 0;
        while (lastPicture + 1 < shot.width && used[static_cast<std::size_t>(lastPicture + 1)]) {
            ++lastPicture;
        }
        EXPECT_TRUE(used[0] || used[1]) << "the picture starts at the left edge";
        EXPECT_LE(lastPicture, 12) << "the picture is 13 pixels wide at most";
        EXPECT_GE(firstBlack, 17) << "the caption starts 4 pixels after the picture";
        EXPECT_LE(firstBlack, 19);
    }
}

} // namespace
} // namespace toolkit
