// Controls in their parents: the control order, alignment, and repainting of non-windowed
// controls.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/panel.h"
#include "toolkit/shape.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

TEST(ControlOrder, NonWindowedFirstThenWindowedEachInInsertionOrder) {
    Owned<TPanel> parent(new TPanel(nullptr));
    auto* w1 = new TPanel(parent.get());
    auto* g1 = new TLabel(parent.get());
    auto* w2 = new TCheckBox(parent.get());
    auto* g2 = new TShape(parent.get());
    for (TControl* c : std::vector<TControl*>{w1, g1, w2, g2}) {
        c->SetParent(parent.get());
    }
    EXPECT_EQ(parent->ControlList(), (std::vector<TControl*>{g1, g2, w1, w2}));
    EXPECT_EQ(parent->Controls(0), g1);
    EXPECT_EQ(parent->Controls(2), w1);
    EXPECT_THROW(parent->Controls(4), EListError);

    // Leaving and coming back puts a control at the end of its group.
    g1->SetParent(nullptr);
    w1->SetParent(nullptr);
    g1->SetParent(parent.get());
    w1->SetParent(parent.get());
    EXPECT_EQ(parent->ControlList(), (std::vector<TControl*>{g2, g1, w2, w1}));
    EXPECT_THROW(parent->SetParent(w2), EInvalidOperation);
}

TEST(Alignment, TopBottomAndClientShareTheClientArea) {
    // The control window's three panels: 49 on top, 27 at the bottom, the rest in between.
    TPanel* top = nullptr;
    TPanel* bottom = nullptr;
    TPanel* client = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        f.SetClientSize(149, 105);
        top = f.Add<TPanel>("Panel1", &f);
        top->SetAlign(TAlign::alTop);
        top->SetHeight(49);
        bottom = f.Add<TPanel>("Panel2", &f);
        bottom->SetAlign(TAlign::alBottom);
        bottom->SetHeight(27);
        client = f.Add<TPanel>("Panel3", &f);
        client->SetAlign(TAlign::alClient);
    }));
    EXPECT_EQ(top->BoundsRect(), Bounds(0, 0, 149, 49));
    EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 78, 149, 27));
    EXPECT_EQ(client->BoundsRect(), Bounds(0, 49, 149, 29));

    // The aligned controls follow a resize of the parent.
    form->SetClientSize(200, 150);
    EXPECT_EQ(top->BoundsRect(), Bounds(0, 0, 200, 49));
    EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 123, 200, 27));
    EXPECT_EQ(client->BoundsRect(), Bounds(0, 49, 200, 74));

    // A hidden aligned control takes no room.
    top->Hide();
    EXPECT_EQ(client->BoundsRect(), Bounds(0, 0, 200, 123));
}

TEST(Alignment, TopControlsStackInTheOrderOfTheirPositions) {
    // A description aligns all at once, after it has been applied: by the designed positions.
    TPanel* a = nullptr;
    TPanel* b = nullptr;
    TLabel* c = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        f.SetClientSize(100, 200);
        a = f.Add<TPanel>("a", &f);
        b = f.Add<TPanel>("b", &f);
        c = f.Add<TLabel>("c", &f);
        c->SetAutoSize(false);
        a->SetBounds(0, 50, 100, 20);
        b->SetBounds(0, 10, 100, 20);
        c->SetBounds(0, 30, 100, 20);
        for (TControl* x : std::vector<TControl*>{a, b, c}) {
            x->SetAlign(TAlign::alTop);
        }
        EXPECT_EQ(a->Top(), 50) << "aligned while the description is applied";
    }));
    EXPECT_EQ(b->Top(), 0);
    EXPECT_EQ(c->Top(), 20);
    EXPECT_EQ(a->Top(), 40);
    // Moved above the others, a control goes to the top.
    a->SetTop(-1);
    EXPECT_EQ(a->Top(), 0);
    EXPECT_EQ(b->Top(), 20);
    EXPECT_EQ(c->Top(), 40);
}

TEST(Alignment, PanelBevelsAndBorderNarrowTheArea) {
    // The meter window's outer panel: raised inside, lowered outside; its scroll box at 2, 2.
    Owned<TPanel> panel(new TPanel(nullptr));
    panel->SetBounds(0, 0, 322, 230);
    panel->SetBevelInner(TBevelCut::bvRaised);
    panel->SetBevelOuter(TBevelCut::bvLowered);
    auto* inner = new TPanel(panel.get());
    inner->SetParent(panel.get());
    inner->SetAlign(TAlign::alClient);
    EXPECT_EQ(inner->BoundsRect(), Bounds(2, 2, 318, 226));

    panel->SetBevelWidth(2);
    EXPECT_EQ(inner->BoundsRect(), Bounds(4, 4, 314, 222));
    panel->SetBorderWidth(3);
    EXPECT_EQ(inner->BoundsRect(), Bounds(7, 7, 308, 216));
    panel->SetBevelInner(TBevelCut::bvNone);
    panel->SetBevelOuter(TBevelCut::bvNone);
    EXPECT_EQ(inner->BoundsRect(), Bounds(3, 3, 316, 224));
}

TEST(ParentColor, ControlsWithoutAColourOfTheirOwnTakeTheirParents) {
    // The settings dialog's pages: panels of 0xE1E1E1 holding labels, boxes and edits.
    Owned<TPanel> panel(new TPanel(nullptr));
    panel->SetColor(0xE1E1E1);
    auto* label = new TLabel(panel.get());
    auto* box = new TCheckBox(panel.get());
    auto* inner = new TPanel(panel.get());
    auto* edit = new TEdit(panel.get());
    for (TControl* c : std::vector<TControl*>{label, box, inner, edit}) {
        c->SetParent(panel.get());
    }
    EXPECT_EQ(label->Color(), 0xE1E1E1);
    EXPECT_EQ(box->Color(), 0xE1E1E1);
    EXPECT_EQ(inner->Color(), clBtnFace);
    EXPECT_EQ(edit->Color(), clWindow);
    // A change of the parent's colour reaches them; a colour of its own ends that.
    label->SetColor(clYellow);
    panel->SetColor(0xE0E0E0);
    EXPECT_EQ(box->Color(), 0xE0E0E0);
    EXPECT_EQ(label->Color(), clYellow);
    EXPECT_FALSE(label->ParentColor());
    inner->SetParentColor(true);
    EXPECT_EQ(inner->Color(), 0xE0E0E0);
}

// A non-windowed control that counts how often it is painted.
class TCounted : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    int paints = 0;
    void Paint(TCanvas& canvas) override {
        ++paints;
        canvas.Brush.Color = clRed;
        canvas.FillRect({0, 0, Width(), Height()});
    }
};

// A panel that notes the areas it was asked to paint.
class TClipLog : public TPanel {
public:
    using TPanel::TPanel;
    std::vector<TRect> clips;

protected:
    void PaintWindow(TCanvas& canvas) override {
        clips.push_back(canvas.ClipRect());
        TPanel::PaintWindow(canvas);
    }
};

TEST(Painting, NonWindowedControlsRepaintOnlyTheirOwnRectangle) {
    TClipLog* panel = nullptr;
    TCounted* a = nullptr;
    TCounted* b = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        f.SetClientSize(200, 100);
        panel = new TClipLog(&f);
        panel->SetParent(&f);
        panel->SetBounds(0, 0, 200, 100);
        a = new TCounted(&f);
        a->SetParent(panel);
        a->SetBounds(10, 10, 30, 20);
        b = new TCounted(&f);
        b->SetParent(panel);
        b->SetBounds(100, 50, 30, 20);
    }));
    form->Show();
    pump();
    ASSERT_GT(a->paints, 0);
    ASSERT_GT(b->paints, 0);

    a->paints = b->paints = 0;
    panel->clips.clear();
    a->Invalidate();
    pump();
    EXPECT_GE(a->paints, 1);
    EXPECT_EQ(b->paints, 0);
    ASSERT_FALSE(panel->clips.empty());
    for (const TRect& clip : panel->clips) {
        EXPECT_EQ(clip.United(a->BoundsRect()), a->BoundsRect()) << "a larger area was painted";
    }

    // Moving a control repaints where it was and where it is, nothing else.
    a->paints = b->paints = 0;
    panel->clips.clear();
    a->SetLeft(50);
    pump();
    EXPECT_GE(a->paints, 1);
    EXPECT_EQ(b->paints, 0);
    TRect both = Bounds(10, 10, 70, 20);
    for (const TRect& clip : panel->clips) {
        EXPECT_EQ(clip.United(both), both);
    }
}

TEST(Painting, ShapesAreDrawnByTheirParent) {
    TShape* shape = nullptr;
    TPanel* panel = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        f.SetClientSize(100, 60);
        panel = f.Add<TPanel>("pn", &f);
        panel->SetBounds(0, 0, 100, 60);
        panel->SetBevelOuter(TBevelCut::bvNone);
        panel->SetColor(clWhite);
        shape = f.Add<TShape>("shp", panel);
        shape->SetBounds(20, 20, 20, 10);
        shape->SetBrushColor(clBlue);
    }));
    form->Show();
    pump();
    Snapshot shot = GrabControl(panel);
    EXPECT_EQ(shot.PixelAt(30, 25), clBlue);
    EXPECT_EQ(shot.PixelAt(5, 5), clWhite);
    shape->SetBrushColor(clLime);
    pump();
    EXPECT_EQ(GrabControl(panel).PixelAt(30, 25), clLime);
}

} // namespace
} // namespace toolkit
