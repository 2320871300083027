#include "toolkit/bevel.h"

#include <utility>

namespace toolkit {

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    width_ = 50;
    height_ = 50;
}

void TBevel::SetShape(TBevelShape value) {
    if (value != shape_) {
        shape_ = value;
        Invalidate();
    }
}

void TBevel::SetStyle(TBevelStyle value) {
    if (value != style_) {
        style_ = value;
        Invalidate();
    }
}

void TBevel::Paint(TCanvas& canvas) {
    TColor c1 = ColorToRGB(clBtnShadow);
    TColor c2 = ColorToRGB(clBtnHighlight);
    if (style_ == TBevelStyle::bsRaised) {
        std::swap(c1, c2);
    }
    canvas.Pen.Width = 1;
    canvas.Pen.Style = TPenStyle::psSolid;
    auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
        canvas.Pen.Color = c;
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    // Top and left in the first colour, bottom and right in the second, end points included.
    auto box = [&](TColor top, TColor bottom, int l, int t, int r, int b) {
        canvas.Pen.Color = top;
        canvas.MoveTo(l, b);
        canvas.LineTo(l, t);
        canvas.LineTo(r, t);
        canvas.Pen.Color = bottom;
        canvas.LineTo(r, b);
        canvas.LineTo(l, b);
    };
    int w = Width();
    int h = Height();
    switch (shape_) {
    case TBevelShape::bsBox:
        box(c1, c2, 0, 0, w - 1, h - 1);
        break;
    case TBevelShape::bsFrame:
        box(c2, c2, 1, 1, w - 1, h - 1);
        box(c1, c1, 0, 0, w - 2, h - 2);
        break;
    case TBevelShape::bsTopLine:
        line(c1, 0, 0, w, 0);
        line(c2, 0, 1, w, 1);
        break;
    case TBevelShape::bsBottomLine:
        line(c1, 0, h - 2, w, h - 2);
        line(c2, 0, h - 1, w, h - 1);
        break;
    case TBevelShape::bsLeftLine:
        line(c1, 0, 0, 0, h);
        line(c2, 1, 0, 1, h);
        break;
    case TBevelShape::bsRightLine:
        line(c1, w - 2, 0, w - 2, h);
        line(c2, w - 1, 0, w - 1, h);
        break;
    case TBevelShape::bsSpacer:
        break;
    }
}

} // namespace toolkit
