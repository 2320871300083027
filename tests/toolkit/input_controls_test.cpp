// Track bars, edits and combo boxes: which changes fire their events, and the user's input.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/check_box.h"
#include "toolkit/combo_box.h"
#include "toolkit/edit.h"
#include "toolkit/track_bar.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

TEST(TrackBar, PositionIsClampedAndOnChangeFiresOnRealChangesOnly) {
    Owned<TTrackBar> bar(new TTrackBar(nullptr));
    std::vector<int> changes;
    bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
    bar->SetMax(50);
    bar->SetMin(2); // moves the position from 0 up to the new minimum
    bar->SetPosition(8);
    bar->SetPosition(8);
    bar->SetPosition(500);
    bar->SetPosition(50);
    bar->SetPosition(-3);
    EXPECT_EQ(changes, (std::vector<int>{2, 8, 50, 2}));
    // A new Max below the position pulls it down, and that is a change.
    bar->SetPosition(40);
    changes.clear();
    bar->SetMax(30);
    EXPECT_EQ(bar->Position(), 30);
    bar->SetMin(0);
    EXPECT_EQ(changes, (std::vector<int>{30}));
    EXPECT_THROW(bar->SetMin(31), EInvalidOperation);
    EXPECT_EQ(bar->Min(), 0);
    EXPECT_EQ(bar->Max(), 30);
}

TEST(TrackBar, NoEventsWhileLoadingAndBoundsMayCrossOnTheWay) {
    TTrackBar* bar = nullptr;
    int changes = 0;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        bar = f.Add<TTrackBar>("barRate", &f);
        bar->OnChange = [&](TObject*) { ++changes; };
        bar->SetMin(22000); // above the default Max of 10 for a moment
        bar->SetMax(58000);
        bar->SetPosition(44100);
    }));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(bar->Min(), 22000);
    EXPECT_EQ(bar->Max(), 58000);
    EXPECT_EQ(bar->Position(), 44100);

    Owned<TDescribedForm> second(makeForm([&](TDescribedForm& f) {
        bar = f.Add<TTrackBar>("tckPreload", &f);
        bar->OnChange = [&](TObject*) { ++changes; };
        bar->SetPosition(80); // outside the bounds that follow: held inside them at the end
        bar->SetMin(2);
        bar->SetMax(50);
    }));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(bar->Position(), 50);
}

TEST(TrackBar, UserKeysMoveByLineAndPageSize) {
    TTrackBar* bar = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        bar = f.Add<TTrackBar>("barLatency", &f);
        bar->SetMin(1);
        bar->SetMax(100);
        bar->SetPageSize(10);
        bar->SetPosition(60);
    }));
    form->Show();
    pump();
    std::vector<int> changes;
    bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
    SimulateKey(bar, VK_RIGHT);
    SimulateKey(bar, VK_NEXT);
    SimulateKey(bar, VK_UP);
    SimulateKey(bar, VK_PRIOR);
    SimulateKey(bar, VK_DOWN);
    SimulateKey(bar, VK_HOME);
    // As the classic track bar: Down and Page Down move up the scale.
    EXPECT_EQ(changes, (std::vector<int>{61, 71, 70, 60, 61, 1}));
}

TEST(Edit, WritingTextFiresOnChangeOnRealChangesOnly) {
    TEdit* edit = nullptr;
    int changes = 0;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        edit = f.Add<TEdit>("edDefaultRate2", &f);
        edit->OnChange = [&](TObject*) { ++changes; };
        edit->SetText("44100");
    }));
    EXPECT_EQ(changes, 0) << "fired while loading";
    EXPECT_EQ(edit->Text(), "44100");
    edit->SetText("44100");
    EXPECT_EQ(changes, 0);
    edit->SetText("48000");
    EXPECT_EQ(changes, 1);
    // The same without a native widget and with one.
    form->Show();
    pump();
    edit->SetText("22000");
    EXPECT_EQ(changes, 2);
    // An invalid value is shown in red.
    edit->SetColor(0x0000FF);
    pump();
    Snapshot shot = GrabControl(edit);
    EXPECT_EQ(shot.PixelAt(edit->Width() - 6, edit->Height() / 2), clRed);
    edit->SetColor(clWindow);
    pump();
    EXPECT_EQ(GrabControl(edit).PixelAt(edit->Width() - 6, edit->Height() / 2), clWhite);
}

TEST(Edit, TypingFiresOnChangeForEveryCharacter) {
    TEdit* edit = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        edit = f.Add<TEdit>("ed", &f);
        edit->SetText("441");
    }));
    form->Show();
    pump();
    edit->SetFocus();
    pump();
    std::vector<std::string> seen;
    edit->OnChange = [&](TObject*) { seen.push_back(edit->Text()); };
    SimulateKey(edit, VK_END);
    SimulateTyping(edit, "00");
    SimulateKey(edit, VK_BACK);
    EXPECT_EQ(seen, (std::vector<std::string>{"4410", "44100", "4410"}));
    EXPECT_EQ(edit->Text(), "4410");
}

TEST(Edit, EnterAndExitFollowTheFocusAndSetFocusInOnExitKeepsIt) {
    // The settings dialog's pattern: a value that fails validation on exit takes the focus
    // back; the control the user went to sees neither enter nor exit.
    std::vector<std::string> log; // outlives the form: freeing it moves the focus
    bool refuse = true;
    TEdit* edit = nullptr;
    TCheckBox* other = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        edit = f.Add<TEdit>("ed", &f);
        other = f.Add<TCheckBox>("chk", &f);
        other->SetTop(40);
    }));
    edit->OnEnter = [&](TObject*) { log.push_back("enter edit"); };
    edit->OnExit = [&](TObject*) {
        log.push_back("exit edit");
        if (refuse) {
            edit->SetFocus();
        }
    };
    other->OnEnter = [&](TObject*) { log.push_back("enter other"); };
    other->OnExit = [&](TObject*) { log.push_back("exit other"); };
    form->Show();
    pump();
    edit->SetFocus();
    pump();
    ASSERT_TRUE(edit->Focused());
    log.clear();
    other->SetFocus();
    pump();
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"exit edit", "enter edit"}));
    EXPECT_EQ(form->ActiveControl(), edit);

    refuse = false;
    log.clear();
    other->SetFocus();
    pump();
    EXPECT_EQ(log, (std::vector<std::string>{"exit edit", "enter other"}));
    EXPECT_EQ(form->ActiveControl(), other);
}

TEST(ComboBox, ItemIndexByCodeFiresNothingAndOutOfRangeClearsTheSelection) {
    Owned<TComboBox> box(new TComboBox(nullptr));
    int changes = 0;
    box->OnChange = [&](TObject*) { ++changes; };
    box->Items().Add("44100 Hz");
    box->Items().Add("48000 Hz");
    EXPECT_EQ(box->ItemIndex(), -1);
    box->SetItemIndex(1);
    EXPECT_EQ(box->ItemIndex(), 1);
    EXPECT_EQ(box->Text(), "48000 Hz");
    box->SetItemIndex(2);
    EXPECT_EQ(box->ItemIndex(), -1);
    box->SetItemIndex(0);
    box->SetItemIndex(-7);
    EXPECT_EQ(box->ItemIndex(), -1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(box->Items()[1], "48000 Hz");
    EXPECT_THROW(box->Items()[2], EListError);
    EXPECT_THROW(box->Items().Delete(-1), EListError);
}

TEST(ComboBox, ADescriptionMayGiveTheIndexBeforeTheItems) {
    TComboBox* box = nullptr;
    TComboBox* bad = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        box = f.Add<TComboBox>("boxRestrictedRes", &f);
        box->SetItemIndex(1);
        box->SetItems({"8 bit", "16 bit"});
        bad = f.Add<TComboBox>("boxRestrictedRate", &f);
        bad->SetItemIndex(5);
        bad->SetItems({"44100 Hz", "48000 Hz"});
    }));
    EXPECT_EQ(box->Text(), "16 bit");
    EXPECT_EQ(bad->ItemIndex(), -1);
}

TEST(ComboBox, TheSelectionFollowsItsItem) {
    Owned<TComboBox> box(new TComboBox(nullptr));
    box->SetItems({"a", "b", "c"});
    box->SetItemIndex(1);
    box->Items().Insert(0, "first");
    EXPECT_EQ(box->Text(), "b");
    box->Items().Delete(0);
    EXPECT_EQ(box->Text(), "b");
    box->Items().Add("d");
    EXPECT_EQ(box->ItemIndex(), 1);
    box->Items().Delete(1);
    EXPECT_EQ(box->ItemIndex(), -1);
    box->SetItemIndex(0);
    box->Items().Clear();
    EXPECT_EQ(box->ItemIndex(), -1);
}

TEST(ComboBox, OnChangeFiresWhenTheUserPicks) {
    TComboBox* box = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        box = f.Add<TComboBox>("boxDevices", &f);
        box->Items().Add("Kein Ger\xC3\xA4t verf\xC3\xBCgbar");
        box->Items().Add("ADAT Playback 1-2");
        box->Items().Add("ADAT Playback 3-4");
        box->SetItemIndex(0);
    }));
    form->Show();
    pump();
    std::vector<int> picks;
    box->OnChange = [&](TObject*) { picks.push_back(box->ItemIndex()); };
    SimulateKey(box, VK_DOWN);
    SimulateKey(box, VK_DOWN);
    box->SetItemIndex(0);
    SimulateKey(box, VK_DOWN);
    EXPECT_EQ(picks, (std::vector<int>{1, 2, 1}));
}

} // namespace
} // namespace toolkit
