// Panels: a raised or lowered area with up to two bevels, that holds other controls.
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TCustomPanel : public TWinControl {
public:
    explicit TCustomPanel(TComponent* owner);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // bsSingle: a border around the panel, outside its client area: without Ctl3D a
    // one-pixel line in the window frame colour, with Ctl3D the two-pixel sunken edge; every
    // other style means none.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);

    // Inside the border line, if any.
    TRect ClientRect() const override;
    // The client area less the bevels and border.
    TRect AlignRect() const override;

protected:
    void PaintWindow(TCanvas& canvas) override;
    int BorderInset() const override;
    void PaintBorder(TCanvas& canvas) override;
    void TextChanged() override;

private:
    void bevelsChanged();
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = TAlignment::taCenter;
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
};

class TPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
};

// The colours of a bevel: highlight over shadow when raised, the other way round when lowered.
void BevelColors(TBevelCut bevel, TColor& top, TColor& bottom);

} // namespace toolkit
