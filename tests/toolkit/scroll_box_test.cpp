// Scroll boxes: the content's extent follows the children, bars appear when needed and take
// room, and scrolling moves by the bar's increment.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/scroll_box.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

// The meter window's scroll box: 318 x 226, no border, vertical bar hidden, horizontal bar
// with increment 78 and margin 2, holding the meters and the channel numbers.
struct MeterBox {
    TScrollBox* box = nullptr;
    TPanel* meters = nullptr;
    TPanel* numbers = nullptr;
    Owned<TDescribedForm> form{makeForm([this](TDescribedForm& f) {
        f.SetClientSize(318, 226);
        box = f.Add<TScrollBox>("ScrollBox1", &f);
        box->SetAlign(TAlign::alClient);
        box->SetBorderStyle(TBorderStyle::bsNone);
        box->VertScrollBar().SetVisible(false);
        box->HorzScrollBar().SetIncrement(78);
        box->HorzScrollBar().SetMargin(2);
        meters = f.Add<TPanel>("pnMeters", box);
        meters->SetBounds(2, 6, 314, 185);
        numbers = f.Add<TPanel>("pnNumbers", box);
        numbers->SetBounds(6, 192, 285, 15);
    })};
};

TEST(ScrollBox, OneCardFitsAndMoreCardsScroll) {
    MeterBox m;
    EXPECT_FALSE(m.box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(m.box->HorzScrollBar().Range(), 318);
    EXPECT_EQ(m.box->ClientRect(), Bounds(0, 0, 318, 226));

    // A second card's meters: the content grows to their far edge plus the margin.
    m.meters->SetWidth(314 + 312);
    EXPECT_TRUE(m.box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(m.box->HorzScrollBar().Range(), 2 + 626 + 2);
    EXPECT_EQ(m.box->ClientRect(), Bounds(0, 0, 318, 226 - kScrollBarSize));
    // The hidden vertical bar stays hidden, although the content is now taller than the view.
    m.numbers->SetTop(300);
    EXPECT_FALSE(m.box->VertScrollBar().IsScrollBarVisible());

    // Hiding, moving and removing children count as well.
    m.meters->Hide();
    EXPECT_FALSE(m.box->HorzScrollBar().IsScrollBarVisible());
    m.meters->Show();
    m.meters->SetLeft(-400);
    EXPECT_FALSE(m.box->HorzScrollBar().IsScrollBarVisible());
    m.meters->SetLeft(2);
    m.meters->SetParent(nullptr);
    EXPECT_FALSE(m.box->HorzScrollBar().IsScrollBarVisible());
    m.meters->SetParent(m.box);
    EXPECT_TRUE(m.box->HorzScrollBar().IsScrollBarVisible());
    m.box->HorzScrollBar().SetMargin(0);
    EXPECT_EQ(m.box->HorzScrollBar().Range(), 628);
}

TEST(ScrollBox, ABarThatAppearsNarrowsTheOtherDirection) {
    Owned<TScrollBox> box(new TScrollBox(nullptr));
    box->SetBounds(0, 0, 104, 104); // client 100 x 100 inside the border
    EXPECT_EQ(box->ClientRect(), Bounds(0, 0, 100, 100));
    auto* child = new TPanel(box.get());
    child->SetBounds(0, 0, 80, 150);
    child->SetParent(box.get());
    // Taller than the view: the vertical bar shows; 80 still fits across beside it.
    EXPECT_TRUE(box->VertScrollBar().IsScrollBarVisible());
    EXPECT_FALSE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(box->ClientRect(), Bounds(0, 0, 100 - kScrollBarSize, 100));
    // 90 would fit without the vertical bar, but not beside it.
    child->SetWidth(90);
    EXPECT_TRUE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(box->ClientRect(), Bounds(0, 0, 100 - kScrollBarSize, 100 - kScrollBarSize));
    // Both go when the content fits again.
    child->SetHeight(90);
    EXPECT_FALSE(box->VertScrollBar().IsScrollBarVisible());
    EXPECT_FALSE(box->HorzScrollBar().IsScrollBarVisible());
}

TEST(ScrollBox, AlignedChildrenFillTheVisibleArea) {
    Owned<TScrollBox> box(new TScrollBox(nullptr));
    box->SetBounds(0, 0, 204, 104);
    auto* top = new TPanel(box.get());
    top->SetHeight(30);
    top->SetParent(box.get());
    top->SetAlign(TAlign::alTop);
    auto* rest = new TPanel(box.get());
    rest->SetParent(box.get());
    rest->SetAlign(TAlign::alClient);
    EXPECT_EQ(top->BoundsRect(), Bounds(0, 0, 200, 30));
    EXPECT_EQ(rest->BoundsRect(), Bounds(0, 30, 200, 70));
    // A wide child makes the horizontal bar appear; the client-aligned one shrinks with it.
    auto* wide = new TPanel(box.get());
    wide->SetBounds(0, 40, 500, 10);
    wide->SetParent(box.get());
    EXPECT_TRUE(box->HorzScrollBar().IsScrollBarVisible());
    EXPECT_EQ(rest->BoundsRect(), Bounds(0, 30, 200, 70 - kScrollBarSize));
}

TEST(ScrollBox, TheNativeViewMatchesTheClientArea) {
    TScrollBox* box = nullptr;
    TPanel* tall = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        f.SetClientSize(200, 150);
        box = f.Add<TScrollBox>("sb", &f);
        box->SetBounds(0, 0, 120, 100);
        box->SetColor(clRed);
        tall = f.Add<TPanel>("pn", box);
        tall->SetBounds(0, 300, 10, 10);
    }));
    form->Show();
    pump();
    ASSERT_TRUE(box->VertScrollBar().IsScrollBarVisible());
    TRect client = box->ClientRect();
    Snapshot shot = GrabControl(box);
    // Inside the sunken border, the content up to the bar.
    EXPECT_EQ(shot.PixelAt(2, 2), clRed);
    EXPECT_NE(shot.PixelAt(1, 1), clRed);
    EXPECT_EQ(shot.PixelAt(2 + client.Width() - 1, 50), clRed);
    EXPECT_NE(shot.PixelAt(2 + client.Width() + 1, 50), clRed);
    EXPECT_EQ(shot.PixelAt(50, 2 + client.Height() - 1), clRed);
}

TEST(ScrollBox, ScrollsByTheIncrement) {
    MeterBox m;
    m.meters->SetWidth(314 + 3 * 312);
    m.form->Show();
    pump();
    TControlScrollBar& bar = m.box->HorzScrollBar();
    EXPECT_EQ(bar.Position(), 0);
    // A click on the bar's right arrow.
    SimulateClick(m.box, 318 - kScrollBarSize / 2, 226 - kScrollBarSize / 2);
    pump();
    EXPECT_EQ(bar.Position(), 78);
    bar.SetPosition(100000);
    EXPECT_EQ(bar.Position(), bar.Range() - 318);
    m.box->ScrollInView(m.meters);
    EXPECT_EQ(bar.Position(), 2) << "a control wider than the view shows its left part";
    m.box->ScrollInView(m.numbers);
    EXPECT_EQ(bar.Position(), 2);
    // The children keep their coordinates while the content scrolls.
    bar.SetPosition(312);
    EXPECT_EQ(m.meters->Left(), 2);
    TPoint origin = m.meters->ClientToScreen({0, 0});
    TPoint boxOrigin = m.box->ClientToScreen({0, 0});
    EXPECT_EQ(origin.X - boxOrigin.X, 2);
    EXPECT_EQ(m.box->ClientOrigin().X - m.form->ClientOrigin().X, -312);
}

} // namespace
} // namespace toolkit
