#include "toolkit/graphics.h"

#include <cmath>

namespace toolkit {

void TFont::changed() {
    if (OnChange) {
        OnChange();
    }
}

void TFont::SetName(const std::string& name) {
    if (name != name_) {
        name_ = name;
        changed();
    }
}

void TFont::SetHeight(int height) {
    if (height != height_) {
        height_ = height;
        changed();
    }
}

int TFont::Size() const {
    return static_cast<int>(std::lround(-height_ * 72.0 / kScreenPixelsPerInch));
}

void TFont::SetSize(int points) {
    SetHeight(
        -static_cast<int>(std::lround(points * static_cast<double>(kScreenPixelsPerInch) / 72.0)));
}

void TFont::SetColor(TColor color) {
    if (color != color_) {
        color_ = color;
        changed();
    }
}

void TFont::SetStyle(TFontStyles style) {
    if (style != style_) {
        style_ = style;
        changed();
    }
}

void TFont::Assign(const TFont& other) {
    if (*this == other) {
        return;
    }
    name_ = other.name_;
    height_ = other.height_;
    color_ = other.color_;
    style_ = other.style_;
    changed();
}

bool TFont::operator==(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
           style_ == other.style_;
}

void TCanvas::Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width) {
    TPen saved = Pen;
    Pen.Width = 1;
    Pen.Style = TPenStyle::psSolid;
    --r.Bottom;
    --r.Right;
    for (int i = 0; i < width; ++i) {
        Pen.Color = topColor;
        MoveTo(r.Left, r.Bottom);
        LineTo(r.Left, r.Top);
        LineTo(r.Right, r.Top);
        Pen.Color = bottomColor;
        LineTo(r.Right, r.Bottom);
        LineTo(r.Left - 1, r.Bottom);
        ++r.Left;
        ++r.Top;
        --r.Right;
        --r.Bottom;
    }
    ++r.Bottom;
    ++r.Right;
    Pen = saved;
}

} // namespace toolkit
