// The toolkit's canvas on a QPainter.
//
// Painting of non-windowed children moves the origin and narrows the clip for every child, so
// both are kept here rather than in the painter: coordinates are offset on the way out, and
// rectangles, fills and horizontal and vertical lines are cut to the clip before they reach
// the painter. The painter's own clip is set only for what cannot be cut here (text, images,
// ellipses, slanted, dashed or wide lines), and only when it differs from the one set last.
#pragma once

#include "toolkit/graphics.h"

#include <QPainter>
#include <vector>

namespace toolkit::qt {

class QtCanvas : public TCanvas {
public:
    // clip: the area to paint, in the painter's coordinates; the painter is already limited
    // to it (or to less).
    QtCanvas(QPainter& painter, const TRect& clip);

    TRect ClipRect() const override { return clip_; }
    void Rectangle(const TRect& r) override;
    void FillRect(const TRect& r) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Ellipse(const TRect& r) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextRect(const TRect& r, const std::string& text, TAlignment alignment, bool showPrefix,
                  bool wordWrap, bool verticalCentre) override;
    int TextWidth(const std::string& text) override;
    int TextHeight(const std::string& text) override;
    void Draw(int x, int y, const TPicture& picture) override;
    void StretchDraw(const TRect& r, const TPicture& picture) override;
    void Save(int dx, int dy, const TRect& clip) override;
    void Restore() override;

private:
    void applyPen();
    void applyBrush();
    void applyFont();
    // Limits the painter to the current clip (for drawing that is not cut here).
    void applyClip();
    // Fills the part of r inside the clip.
    void fill(const TRect& r, TColor color);
    // A one-pixel solid line without its end point, as pixels.
    void pixelLine(TPoint from, TPoint to, TColor color);
    QRect device(const TRect& r) const;

    QPainter& painter_;
    TRect clip_;        // in the current coordinates
    TPoint origin_;     // of the current coordinates in the painter's
    TRect painterClip_; // what the painter is limited to, in its coordinates
    TPoint pos_;
    struct Saved {
        TRect clip;
        TPoint origin;
        TPoint pos;
    };
    std::vector<Saved> stack_;
};

} // namespace toolkit::qt
