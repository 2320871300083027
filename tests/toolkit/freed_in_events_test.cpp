// Controls and forms freed from inside events: by their own mouse events, by a button's click
// that then handles messages, under a message box whose owner goes while it is open; and no
// focus events while a form is being freed.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/shape.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::pump;
using orv_test::TDescribedForm;

constexpr UINT kFreeOwner = WM_USER + 21;

// A form with a shape to click on, and what the shape's events saw.
struct ClickTarget {
    TShape* shape = nullptr;
    TDescribedForm* form = makeForm([this](TDescribedForm& f) {
        shape = f.Add<TShape>("shp", &f);
        shape->SetBounds(10, 10, 40, 40);
    });
    std::vector<std::string> events;
    ClickTarget() {
        form->Show();
        pump();
        shape->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
            events.push_back("down");
        };
        shape->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
            events.push_back("up");
        };
    }
};

TEST(FreedInEvents, ANonWindowedControlOrItsFormFreedByItsClickGetsNoMoreEvents) {
    {
        // The click frees the shape: its release is not reported to it.
        ClickTarget t;
        t.shape->OnClick = [&](TObject*) {
            t.events.push_back("click");
            t.shape->Free();
        };
        SimulateClick(t.form, 20, 20);
        EXPECT_EQ(t.events, (std::vector<std::string>{"down", "click"}));
        EXPECT_EQ(t.form->ControlCount(), 0);
        t.form->Free();
    }
    {
        // The click frees the whole form, the shape with it.
        ClickTarget t;
        t.shape->OnClick = [&](TObject*) {
            t.events.push_back("click");
            t.form->Free();
        };
        SimulateClick(t.form, 20, 20);
        EXPECT_EQ(t.events, (std::vector<std::string>{"down", "click"}));
    }
    {
        // A double click that frees the shape: no second press (the double one) follows.
        ClickTarget t;
        t.shape->OnDblClick = [&](TObject*) {
            t.events.push_back("double");
            t.shape->Free();
        };
        SimulateMouse(t.form, MouseAction::DoubleClick, TMouseButton::mbLeft, 20, 20);
        SimulateMouse(t.form, MouseAction::Up, TMouseButton::mbLeft, 20, 20);
        EXPECT_EQ(t.events, (std::vector<std::string>{"down", "double"}));
        t.form->Free();
    }
    pump();
}

TEST(FreedInEvents, AButtonThatFreesItsFormMayHandleMessagesBeforeItsClickReturns) {
    // The button's widget is still running its click when the messages are handled; it must
    // outlive the click (an address sanitizer build reports the widget used after its release).
    TButton* button = nullptr;
    TDescribedForm* form = makeForm([&](TDescribedForm& f) {
        button = f.Add<TButton>("btnClose", &f);
        button->SetBounds(8, 8, 75, 25);
    });
    form->Show();
    pump();
    bool destroyed = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    int pings = 0;
    TDescribedForm* other = makeForm();
    other->SetMessageHandler(kFreeOwner, [&](TMessage&) { ++pings; });
    button->OnClick = [&](TObject*) {
        // The handler goes with the button: what it needs afterwards is taken first.
        HWND target = other->Handle();
        TDescribedForm* gone = form;
        gone->Free();
        PostMessageA(target, kFreeOwner, 0, 0);
        Application->ProcessMessages();
    };
    SimulateClick(button, 10, 10);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(pings, 1);
    pump();
    other->Free();
    pump();
}

TEST(FreedInEvents, AFormBeingFreedReportsNoFocusToItsControls) {
    // The focused control goes first (the last created); the native focus then moves on to
    // a control that the form is about to free, whose handler may look at controls gone.
    std::vector<std::string> log;
    TEdit* edit = nullptr;
    TCheckBox* box = nullptr;
    TDescribedForm* form = makeForm([&](TDescribedForm& f) {
        edit = f.Add<TEdit>("ed", &f);
        box = f.Add<TCheckBox>("chk", &f);
        box->SetTop(40);
    });
    edit->OnEnter = [&](TObject*) { log.push_back("enter edit"); };
    edit->OnExit = [&](TObject*) { log.push_back("exit edit"); };
    form->Show();
    pump();
    box->SetFocus();
    pump();
    ASSERT_EQ(form->ActiveControl(), box);
    log.clear();
    form->Free();
    pump();
    EXPECT_TRUE(log.empty()) << log.front();
}

TEST(FreedInEvents, AMessageBoxWhoseOwnerIsFreedWhileItIsOpenEnds) {
    // No recording handler: a real box, ended by its owner's going.
    TDescribedForm* owner = makeForm();
    owner->Show();
    TDescribedForm* other = makeForm();
    bool freed = false;
    other->SetMessageHandler(kFreeOwner, [&](TMessage&) {
        owner->Free();
        freed = true;
    });
    PostMessageA(other->Handle(), kFreeOwner, 0, 0);
    EXPECT_EQ(MessageBoxA(owner->Handle(), "Karte entfernt", "Orvane", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_TRUE(freed);
    other->Free();
    pump();
}

} // namespace
} // namespace toolkit
