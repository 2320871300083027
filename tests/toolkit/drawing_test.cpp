// Drawing pixel for pixel as the classic library draws: a line leaves out its end point and
// nothing else, so polylines, 3-D frames, bevels and panel borders have closed corners.
#include "toolkit/bevel.h"
#include "toolkit/panel.h"
#include "toolkit/windowing.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace toolkit;

namespace {

constexpr TColor kPaper = clWhite;

// A control that paints white, then with a given function.
class TSketch : public TCustomPanel {
public:
    TSketch(int width, int height, std::function<void(TCanvas&)> draw)
        : TCustomPanel(nullptr), draw_(std::move(draw)) {
        SetBounds(0, 0, width, height);
    }

protected:
    void PaintWindow(TCanvas& canvas) override {
        canvas.Brush.Color = kPaper;
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.FillRect(ClientRect());
        draw_(canvas);
    }

private:
    std::function<void(TCanvas&)> draw_;
};

using Picture = std::function<TColor(int x, int y)>;

// Compares a snapshot with the expected picture; on a difference, shows where ('X').
::testing::AssertionResult Matches(const Snapshot& shot, const Picture& expected) {
    std::string map;
    bool same = true;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            bool ok = shot.PixelAt(x, y) == ColorToRGB(expected(x, y));
            same = same && ok;
            map += ok ? '.' : 'X';
        }
        map += '\n';
    }
    if (same) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixels differ:\n" << map;
}

// One ring of the classic 3-D frame, with inclusive edges l, t, r, b: the left column and the
// top row in the top colour, the right column and the bottom row (with three of the corners)
// in the bottom colour. Returns clNone off the ring.
TColor FrameRing(int x, int y, int l, int t, int r, int b, TColor top, TColor bottom) {
    bool onRing = x >= l && x <= r && y >= t && y <= b && (x == l || x == r || y == t || y == b);
    if (!onRing) {
        return clNone;
    }
    return x == r || y == b ? bottom : top;
}

TEST(Drawing, LinesLeaveOutTheirEndPointInEveryDirection) {
    auto* sketch = new TSketch(14, 10, [](TCanvas& c) {
        c.Pen.Color = clBlack;
        c.MoveTo(1, 1);
        c.LineTo(6, 1); // right: 1 to 5
        c.MoveTo(6, 3);
        c.LineTo(1, 3); // left: 6 to 2
        c.MoveTo(8, 1);
        c.LineTo(8, 6); // down: 1 to 5
        c.MoveTo(10, 6);
        c.LineTo(10, 1); // up: 6 to 2
        c.MoveTo(1, 5);  // a closed square polyline: every corner drawn once
        c.LineTo(5, 5);
        c.LineTo(5, 8);
        c.LineTo(1, 8);
        c.LineTo(1, 5);
        c.MoveTo(12, 0);
        c.LineTo(12, 0); // nothing
    });
    Snapshot shot = GrabControl(sketch);
    EXPECT_TRUE(Matches(shot, [](int x, int y) {
        bool on = (y == 1 && x >= 1 && x <= 5) || (y == 3 && x >= 2 && x <= 6) ||
                  (x == 8 && y >= 1 && y <= 5) || (x == 10 && y >= 2 && y <= 6) ||
                  (x >= 1 && x <= 5 && y >= 5 && y <= 8 && (x == 1 || x == 5 || y == 5 || y == 8));
        return on ? clBlack : kPaper;
    }));
    sketch->Free();
}

TEST(Drawing, Frame3DDrawsClosedRingsAndShrinksTheRectangle) {
    TRect after;
    auto* sketch = new TSketch(12, 10, [&](TCanvas& c) {
        TRect r{1, 1, 11, 9};
        c.Frame3D(r, clRed, clBlue, 2);
        after = r;
    });
    Snapshot shot = GrabControl(sketch);
    EXPECT_EQ(after, (TRect{3, 3, 9, 7}));
    EXPECT_TRUE(Matches(shot, [](int x, int y) {
        for (int k = 0; k < 2; ++k) {
            TColor c = FrameRing(x, y, 1 + k, 1 + k, 10 - k, 8 - k, clRed, clBlue);
            if (c != clNone) {
                return c;
            }
        }
        return kPaper;
    }));
    sketch->Free();
}

TEST(Drawing, FillsAfterTextInANarrowerAreaReachTheWholeArea) {
    // A child's text limits the painter to the child; what is painted after the child, beside
    // it, must not stay limited to it.
    auto* sketch = new TSketch(16, 12, [](TCanvas& c) {
        c.Save(1, 1, {0, 0, 4, 4});
        c.Brush.Style = TBrushStyle::bsClear;
        c.TextOut(0, 0, "x");
        c.Restore();
        c.Brush.Style = TBrushStyle::bsSolid;
        c.Brush.Color = clRed;
        c.FillRect({8, 2, 14, 10});
        c.Pen.Color = clBlue;
        c.MoveTo(6, 11);
        c.LineTo(15, 11);
    });
    Snapshot shot = GrabControl(sketch);
    EXPECT_EQ(shot.PixelAt(8, 2), clRed);
    EXPECT_EQ(shot.PixelAt(13, 9), clRed);
    EXPECT_EQ(shot.PixelAt(14, 11), clBlue);
    EXPECT_EQ(shot.PixelAt(15, 0), kPaper);
    sketch->Free();
}

TEST(Drawing, PanelBevelsAndBorderAreClosedRings) {
    auto* panel = new TPanel(nullptr);
    panel->SetBounds(0, 0, 16, 11);
    panel->SetColor(clSilver);
    panel->SetBevelOuter(TBevelCut::bvRaised);
    panel->SetBorderWidth(1);
    panel->SetBevelInner(TBevelCut::bvLowered);
    TColor light = ColorToRGB(clBtnHighlight);
    TColor dark = ColorToRGB(clBtnShadow);
    Snapshot shot = GrabControl(panel);
    EXPECT_TRUE(Matches(shot, [&](int x, int y) {
        TColor c = FrameRing(x, y, 0, 0, 15, 10, light, dark);
        if (c == clNone) {
            c = FrameRing(x, y, 1, 1, 14, 9, clSilver, clSilver);
        }
        if (c == clNone) {
            c = FrameRing(x, y, 2, 2, 13, 8, dark, light);
        }
        return c == clNone ? clSilver : c;
    }));
    // The right-hand corners of the outer ring in particular.
    EXPECT_EQ(shot.PixelAt(15, 0), dark);
    EXPECT_EQ(shot.PixelAt(15, 10), dark);
    panel->Free();
}

TEST(Drawing, BevelShapes) {
    auto* panel = new TPanel(nullptr);
    panel->SetBounds(0, 0, 42, 8);
    panel->SetBevelOuter(TBevelCut::bvNone);
    panel->SetColor(kPaper);
    auto bevel = [&](TBevelShape shape, int left) {
        auto* b = new TBevel(panel);
        b->SetParent(panel);
        b->SetShape(shape);
        b->SetBounds(left, 1, 6, 5);
        return b;
    };
    bevel(TBevelShape::bsBox, 1);
    bevel(TBevelShape::bsFrame, 8);
    bevel(TBevelShape::bsTopLine, 15);
    bevel(TBevelShape::bsBottomLine, 22);
    bevel(TBevelShape::bsLeftLine, 29)->SetStyle(TBevelStyle::bsRaised);
    bevel(TBevelShape::bsRightLine, 35);
    TColor c1 = ColorToRGB(clBtnShadow); // lowered: shadow above and left
    TColor c2 = ColorToRGB(clBtnHighlight);
    // A box with inclusive edges: the first polyline (bottom-left, top-left, top-right) in the
    // top colour, the second (top-right, bottom-right, bottom-left) in the bottom colour, each
    // without its last point.
    auto box = [](int x, int y, int l, int t, int r, int b, TColor top, TColor bottom) {
        if (x < l || x > r || y < t || y > b || (x != l && x != r && y != t && y != b)) {
            return clNone;
        }
        return x == r || (y == b && x > l) ? bottom : top;
    };
    Snapshot shot = GrabControl(panel);
    EXPECT_TRUE(Matches(shot, [&](int x, int y) -> TColor {
        int v = y - 1;
        if (v < 0 || v > 4) {
            return kPaper;
        }
        if (x >= 1 && x < 7) {
            TColor c = box(x - 1, v, 0, 0, 5, 4, c1, c2);
            return c == clNone ? kPaper : c;
        }
        if (x >= 8 && x < 14) {
            TColor c = box(x - 8, v, 0, 0, 4, 3, c1, c1);
            if (c == clNone) {
                c = box(x - 8, v, 1, 1, 5, 4, c2, c2);
            }
            return c == clNone ? kPaper : c;
        }
        if (x >= 15 && x < 21) {
            return v == 0 ? c1 : v == 1 ? c2 : kPaper;
        }
        if (x >= 22 && x < 28) {
            return v == 3 ? c1 : v == 4 ? c2 : kPaper;
        }
        if (x >= 29 && x < 35) { // raised: the colours change places
            return x == 29 ? c2 : x == 30 ? c1 : kPaper;
        }
        if (x >= 35 && x < 41) {
            return x == 39 ? c1 : x == 40 ? c2 : kPaper;
        }
        return kPaper;
    }));
    panel->Free();
}

} // namespace
