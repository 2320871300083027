#include "toolkit/speed_button.h"

#include "toolkit/panel.h"
#include "toolkit/win_control.h"

#include <algorithm>

namespace toolkit {

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    width_ = 23;
    height_ = 22;
    clickEvents_ = false;
}

void TSpeedButton::SetGroupIndex(int value) {
    if (value != groupIndex_) {
        groupIndex_ = value;
        if (groupIndex_ == 0 && down_) {
            down_ = false;
            state_ = State::Up;
            Invalidate();
        }
    }
}

void TSpeedButton::SetAllowAllUp(bool value) {
    if (value == allowAllUp_) {
        return;
    }
    allowAllUp_ = value;
    // The group shares the setting.
    if (groupIndex_ != 0 && Parent() != nullptr) {
        for (TControl* c : Parent()->ControlList()) {
            auto* other = dynamic_cast<TSpeedButton*>(c);
            if (other != nullptr && other != this && other->groupIndex_ == groupIndex_) {
                other->allowAllUp_ = value;
            }
        }
    }
}

void TSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0) {
        value = false;
    }
    if (value == down_) {
        return;
    }
    if (down_ && !allowAllUp_) {
        return;
    }
    down_ = value;
    state_ = value ? State::Exclusive : State::Up;
    Invalidate();
    if (value) {
        releaseOthers();
    }
}

void TSpeedButton::releaseOthers() {
    if (groupIndex_ == 0 || Parent() == nullptr) {
        return;
    }
    for (TControl* c : Parent()->ControlList()) {
        auto* other = dynamic_cast<TSpeedButton*>(c);
        if (other != nullptr && other != this && other->groupIndex_ == groupIndex_) {
            if (other->down_) {
                other->down_ = false;
                other->state_ = State::Up;
                other->Invalidate();
            }
            other->allowAllUp_ = allowAllUp_;
        }
    }
}

void TSpeedButton::SetFlat(bool value) {
    if (value != flat_) {
        flat_ = value;
        Invalidate();
    }
}

void TSpeedButton::SetLayout(TButtonLayout value) {
    if (value != layout_) {
        layout_ = value;
        Invalidate();
    }
}

void TSpeedButton::SetMargin(int value) {
    value = std::max(value, -1);
    if (value != margin_) {
        margin_ = value;
        Invalidate();
    }
}

void TSpeedButton::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (value != numGlyphs_) {
        numGlyphs_ = value;
        Invalidate();
    }
}

void TSpeedButton::SetSpacing(int value) {
    if (value != spacing_) {
        spacing_ = value;
        Invalidate();
    }
}

void TSpeedButton::SetGlyph(const TPicture& glyph) {
    glyph_ = glyph;
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == TMouseButton::mbLeft && Enabled()) {
        if (!down_) {
            state_ = State::Down;
            Invalidate();
        }
        dragging_ = true;
    }
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_) {
        return;
    }
    bool inside = x >= 0 && x < Width() && y >= 0 && y <= Height();
    State next = down_ ? State::Exclusive : (inside ? State::Down : State::Up);
    if (next != state_) {
        state_ = next;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    bool click = x >= 0 && x < Width() && y >= 0 && y <= Height();
    if (groupIndex_ == 0) {
        state_ = State::Up;
        Invalidate();
    } else if (click) {
        SetDown(!down_);
    } else {
        state_ = down_ ? State::Exclusive : State::Up;
        Invalidate();
    }
    if (click) {
        Click();
    }
}

void TSpeedButton::Paint(TCanvas& canvas) {
    TRect r{0, 0, Width(), Height()};
    canvas.Brush.Color = ColorToRGB(Color());
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(r);
    bool pressed = Pressed();
    if (!flat_ || pressed) {
        TRect frame = r;
        TColor top;
        TColor bottom;
        BevelColors(pressed ? TBevelCut::bvLowered : TBevelCut::bvRaised, top, bottom);
        canvas.Frame3D(frame, ColorToRGB(top), ColorToRGB(bottom), 1);
    }
    int shift = pressed ? 1 : 0;
    int glyphWidth = glyph_.Empty() ? 0 : glyph_.Width() / numGlyphs_;
    int glyphHeight = glyph_.Height();
    canvas.Font.Assign(Font());
    if (!Enabled()) {
        canvas.Font.SetColor(clGrayText);
    }
    int textWidth = Caption().empty() ? 0 : canvas.TextWidth(Caption());
    int textHeight = Caption().empty() ? 0 : canvas.TextHeight(Caption());
    bool horizontal =
        layout_ == TButtonLayout::blGlyphLeft || layout_ == TButtonLayout::blGlyphRight;
    int gap = (glyphWidth > 0 && textWidth > 0) ? spacing_ : 0;
    int total = horizontal ? glyphWidth + gap + textWidth : glyphHeight + gap + textHeight;
    int extent = horizontal ? Width() : Height();
    int start = margin_ < 0 ? (extent - total) / 2 : margin_;
    int gx = 0;
    int gy = 0;
    int tx = 0;
    int ty = 0;
    switch (layout_) {
    case TButtonLayout::blGlyphLeft:
        gx = start;
        tx = start + glyphWidth + gap;
        break;
    case TButtonLayout::blGlyphRight:
        tx = extent - start - total;
        gx = tx + textWidth + gap;
        break;
    case TButtonLayout::blGlyphTop:
        gy = start;
        ty = start + glyphHeight + gap;
        break;
    case TButtonLayout::blGlyphBottom:
        ty = extent - start - total;
        gy = ty + textHeight + gap;
        break;
    }
    if (horizontal) {
        gy = (Height() - glyphHeight) / 2;
        ty = (Height() - textHeight) / 2;
    } else {
        gx = (Width() - glyphWidth) / 2;
        tx = (Width() - textWidth) / 2;
    }
    if (glyphWidth > 0) {
        canvas.Save(gx + shift, gy + shift, {0, 0, glyphWidth, glyphHeight});
        canvas.Draw(0, 0, glyph_);
        canvas.Restore();
    }
    if (textWidth > 0) {
        canvas.Brush.Style = TBrushStyle::bsClear;
        canvas.TextRect(Bounds(tx + shift, ty + shift, textWidth, textHeight), Caption(),
                        TAlignment::taLeftJustify, true, false, false);
    }
}

} // namespace toolkit
