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

} // namespace
} // namespace toolkit
