#include "toolkit/panel.h"

namespace toolkit {

void BevelColors(TBevelCut bevel, TColor& top, TColor& bottom) {
    top = bevel == TBevelCut::bvLowered ? clBtnShadow : clBtnHighlight;
    bottom = bevel == TBevelCut::bvLowered ? clBtnHighlight : clBtnShadow;
}

TCustomPanel::TCustomPanel(TComponent* owner) : TWinControl(owner) {
    left_ = 0;
    top_ = 0;
    width_ = 185;
    height_ = 41;
    SetParentColor(false); // a panel has the button face colour of its own
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    if (value != bevelInner_) {
        bevelInner_ = value;
        bevelsChanged();
    }
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    if (value != bevelOuter_) {
        bevelOuter_ = value;
        bevelsChanged();
    }
}

void TCustomPanel::SetBevelWidth(int value) {
    if (value < 1) {
        value = 1;
    }
    if (value != bevelWidth_) {
        bevelWidth_ = value;
        bevelsChanged();
    }
}

void TCustomPanel::SetBorderWidth(int value) {
    if (value < 0) {
        value = 0;
    }
    if (value != borderWidth_) {
        borderWidth_ = value;
        bevelsChanged();
    }
}

void TCustomPanel::SetAlignment(TAlignment value) {
    if (value != alignment_) {
        alignment_ = value;
        Invalidate();
    }
}

void TCustomPanel::bevelsChanged() {
    AlignControls();
    Invalidate();
}

void TCustomPanel::TextChanged() {
    Invalidate();
}

TRect TCustomPanel::AlignRect() const {
    TRect r = ClientRect();
    int inset = borderWidth_;
    if (bevelOuter_ != TBevelCut::bvNone) {
        inset += bevelWidth_;
    }
    if (bevelInner_ != TBevelCut::bvNone) {
        inset += bevelWidth_;
    }
    return {r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset};
}

void TCustomPanel::PaintWindow(TCanvas& canvas) {
    TRect r = ClientRect();
    TColor top;
    TColor bottom;
    if (bevelOuter_ != TBevelCut::bvNone) {
        BevelColors(bevelOuter_, top, bottom);
        canvas.Frame3D(r, ColorToRGB(top), ColorToRGB(bottom), bevelWidth_);
    }
    if (borderWidth_ > 0) {
        canvas.Frame3D(r, ColorToRGB(Color()), ColorToRGB(Color()), borderWidth_);
    }
    if (bevelInner_ != TBevelCut::bvNone) {
        BevelColors(bevelInner_, top, bottom);
        canvas.Frame3D(r, ColorToRGB(top), ColorToRGB(bottom), bevelWidth_);
    }
    canvas.Brush.Color = ColorToRGB(Color());
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(r);
    if (!Caption().empty()) {
        canvas.Brush.Style = TBrushStyle::bsClear;
        canvas.Font.Assign(Font());
        canvas.TextRect(r, Caption(), alignment_, true, false, true);
    }
}

} // namespace toolkit
