#include "toolkit/shape.h"

#include <algorithm>

namespace toolkit {

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
    width_ = 65;
    height_ = 65;
}

void TShape::SetShape(TShapeType value) {
    if (value != shape_) {
        shape_ = value;
        DrawingChanged();
        Invalidate();
    }
}

void TShape::SetPen(const TPen& pen) {
    if (!(pen == pen_)) {
        pen_ = pen;
        DrawingChanged();
        Invalidate();
    }
}

void TShape::SetBrush(const TBrush& brush) {
    if (brush == brush_) {
        return;
    }
    brush_ = brush;
    DrawingChanged();
    bool boxed = shape_ == TShapeType::stRectangle || shape_ == TShapeType::stSquare;
    if (boxed && pen_.Style == TPenStyle::psSolid && pen_.Width == 1) {
        // Inside a one-pixel outline only the inside changes.
        TRect r = shapeRect();
        InvalidateRect({r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1});
    } else {
        Invalidate();
    }
}

TRect TShape::shapeRect() const {
    int x = pen_.Width / 2;
    int y = x;
    int w = Width() - pen_.Width + 1;
    int h = Height() - pen_.Width + 1;
    if (pen_.Width == 0) {
        --w;
        --h;
    }
    if (shape_ == TShapeType::stSquare || shape_ == TShapeType::stRoundSquare ||
        shape_ == TShapeType::stCircle) {
        int side = std::min(w, h);
        x += (w - side) / 2;
        y += (h - side) / 2;
        w = h = side;
    }
    return Bounds(x, y, w, h);
}

void TShape::Paint(TCanvas& canvas) {
    canvas.Pen = pen_;
    canvas.Brush = brush_;
    TRect r = shapeRect();
    switch (shape_) {
    case TShapeType::stEllipse:
    case TShapeType::stCircle:
        canvas.Ellipse(r);
        break;
    default:
        canvas.Rectangle(r);
        break;
    }
}

} // namespace toolkit
