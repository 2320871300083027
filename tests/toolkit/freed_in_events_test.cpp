// Controls and forms freed from inside events: by their own mouse events, by a button's click
// that then handles messages, and under a message box whose owner goes while it is open.
#include "test_support.h"
#include "toolkit/button.h"
#include "toolkit/shape.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using test::makeForm;
using test::pump;
using test::TDescribedForm;

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

} // namespace
} // namespace toolkit
