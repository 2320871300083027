// Shapes: a rectangle (or ellipse) outlined with a pen and filled with a brush, painted by the
// parent. Changing the pen or brush repaints only the shape's own rectangle.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

enum class TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* owner);

    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType value);
    const TPen& Pen() const { return pen_; }
    void SetPen(const TPen& pen);
    const TBrush& Brush() const { return brush_; }
    void SetBrush(const TBrush& brush);
    void SetBrushColor(TColor color) { SetBrush({color, brush_.Style}); }

    void Paint(TCanvas& canvas) override;

protected:
    // The shape, pen or brush changed; called before the repaint is asked for.
    virtual void DrawingChanged() {}
    // Changes the brush colour and nothing else: no DrawingChanged, no repaint. For a
    // descendant whose owner repaints it and keeps what it needs of its drawing itself.
    void StoreBrushColor(TColor color) { brush_.Color = color; }

private:
    // Where the shape is drawn, in the control's coordinates.
    TRect shapeRect() const;
    TShapeType shape_ = TShapeType::stRectangle;
    TPen pen_;
    TBrush brush_;
};

} // namespace toolkit
