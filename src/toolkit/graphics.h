// Fonts, pens, brushes and the canvas that controls paint on. The canvas is an interface; the
// windowing backend implements it.
#pragma once

#include "toolkit/types.h"

#include <functional>
#include <string>

namespace toolkit {

// Pixels per logical inch, as the classic screen has it; converts between point sizes and
// pixel heights.
constexpr int kScreenPixelsPerInch = 96;

class TFont {
public:
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Negative: the character height in pixels; positive: the cell height (character height
    // plus internal leading). The classic default is -11 ("MS Sans Serif", 8 points).
    int Height() const { return height_; }
    void SetHeight(int height);
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);

    void Assign(const TFont& other);
    bool operator==(const TFont& other) const;

    // Called after every real change.
    std::function<void()> OnChange;

private:
    void changed();
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
    bool operator==(const TPen&) const = default;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
    bool operator==(const TBrush&) const = default;
};

class TPicture;

// A surface to paint on, in the coordinates of the control being painted.
class TCanvas {
public:
    virtual ~TCanvas() = default;

    TPen Pen;
    TBrush Brush;
    TFont Font;

    // The rectangle that needs painting; painting outside it has no effect.
    virtual TRect ClipRect() const = 0;
    // Outline with the pen (inside the rectangle, as the classic canvas draws it: the right
    // and bottom edges are Right-1 and Bottom-1), filled with the brush.
    virtual void Rectangle(const TRect& r) = 0;
    virtual void FillRect(const TRect& r) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // A line with the pen from the current position up to, not including, (x, y).
    virtual void LineTo(int x, int y) = 0;
    virtual void Ellipse(const TRect& r) = 0;
    // Text with the font, its top-left corner at (x, y); transparent unless the brush is solid.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Text inside a rectangle, aligned, with '&' marking the accelerator (shown underlined)
    // when showPrefix; wraps at word boundaries when wordWrap.
    virtual void TextRect(const TRect& r, const std::string& text, TAlignment alignment,
                          bool showPrefix, bool wordWrap, bool verticalCentre) = 0;
    virtual int TextWidth(const std::string& text) = 0;
    virtual int TextHeight(const std::string& text) = 0;
    virtual void Draw(int x, int y, const TPicture& picture) = 0;
    virtual void StretchDraw(const TRect& r, const TPicture& picture) = 0;

    // Moves the origin to (dx, dy) of the current coordinates and narrows painting to clip
    // (in the new coordinates), until the matching Restore.
    virtual void Save(int dx, int dy, const TRect& clip) = 0;
    virtual void Restore() = 0;

    // The classic 3-D frame: top and left in topColor, bottom and right in bottomColor,
    // width pixels wide; shrinks the rectangle by what it drew.
    void Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width);
};

} // namespace toolkit
