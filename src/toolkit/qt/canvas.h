// The toolkit's canvas on a QPainter.
//
// Painting of non-windowed children moves the origin and narrows the clip for every child, so
// both are kept here rather than in the painter: coordinates are offset on the way out, and
// rectangles, fills and horizontal and vertical lines are cut to the clip before they reach
// the painter. The painter's own clip is set only for what cannot be cut here (text, images,
// ellipses, slanted, dashed or wide lines), and only when it differs from the one set last.
//
// A canvas for a widget's paint event begins its painter only when something needs one. Where
// the event paints into an image of plain 32-bit pixels at a whole scale (the window's backing
// store, as a rule), fills are written into its pixels directly: a paint that only fills, such
// as lamps switching, then costs no painter at all.
#pragma once

#include "toolkit/graphics.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <optional>
#include <vector>

namespace toolkit::qt {

// An image a paint event may fill by writing its pixels.
struct DirectPixels {
    QImage* image = nullptr;
    QPoint offset; // of the widget's origin in the image, in the widget's pixels
    int scale = 1; // image pixels per widget pixel, each way
};

// The pixels of the device a widget's paint event is redirected to (at offset, as the widget's
// redirected() gives it), if they can be filled directly: an image of 32-bit opaque-capable
// pixels, at a whole device pixel ratio.
std::optional<DirectPixels> DirectPixelsOf(QPaintDevice* device, QPoint redirectionOffset);

class QtCanvas : public TCanvas {
public:
    // clip: the area to paint, in the painter's coordinates; the painter is already limited
    // to it (or to less).
    QtCanvas(QPainter& painter, const TRect& clip);
    // For a paint event of widget: the painter is begun on the widget when first needed. Every
    // fill must lie inside the event's region (the caller narrows the clip to its areas), as
    // fills written to direct are not limited by the region as a painter's are.
    QtCanvas(QWidget& widget, const TRect& clip, const std::optional<DirectPixels>& direct);

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
    QPainter& painter();
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

    QPainter* painter_ = nullptr; // until begun on widget_
    QWidget* widget_ = nullptr;
    std::optional<QPainter> own_;
    std::optional<DirectPixels> direct_;
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
