#include "toolkit/panel.h"

#include <algorithm>

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

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
    if (value != TBorderStyle::bsSingle) {
        value = TBorderStyle::bsNone;
    }
    if (value != borderStyle_) {
        borderStyle_ = value;
        BorderChanged();
    }
}

int TCustomPanel::BorderInset() const {
    if (borderStyle_ != TBorderStyle::bsSingle) {
        return 0;
    }
    return Ctl3D() ? 2 : 1;
}

TRect TCustomPanel::ClientRect() const {
    int inset = BorderInset();
    return {0, 0, std::max(Width() - 2 * inset, 0), std::max(Height() - 2 * inset, 0)};
}

void TCustomPanel::PaintBorder(TCanvas& canvas) {
    if (Ctl3D()) {
        TRect r = {0, 0, Width(), Height()};
        canvas.Frame3D(r, ColorToRGB(clBtnShadow), ColorToRGB(clBtnHighlight), 1);
        canvas.Frame3D(r, ColorToRGB(cl3DDkShadow), ColorToRGB(cl3DLight), 1);
        return;
    }
    canvas.Brush.Color = ColorToRGB(clWindowFrame);
    canvas.Brush.Style = TBrushStyle::bsSolid;
    int w = Width();
    int h = Height();
    canvas.FillRect({0, 0, w, 1});
    canvas.FillRect({0, h - 1, w, h});
    canvas.FillRect({0, 1, 1, h - 1});
    canvas.FillRect({w - 1, 1, w, h - 1});
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
    // The bevels and border only when the area to paint reaches them.
    TRect r = AlignRect();
    TRect clip = canvas.ClipRect();
    if (!(clip.Intersected(r) == clip)) {
        r = ClientRect();
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
