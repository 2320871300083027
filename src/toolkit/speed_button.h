// Speed buttons: flat tool buttons painted by the parent. With a GroupIndex they latch: a click
// puts the button down and releases the other buttons of the same group in the same parent;
// with AllowAllUp a click on a down button releases it.
#pragma once

#include "toolkit/control.h"
#include "toolkit/picture.h"

namespace toolkit {

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);

    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool Down() const { return down_; }
    // Without a group the button never stays down; a down button of a group without
    // AllowAllUp cannot be released. Going down releases the group's other buttons.
    void SetDown(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    // Pixels between the edge and the glyph; -1 centres glyph and text.
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    // Pixels between glyph and text.
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    const TPicture& Glyph() const { return glyph_; }
    void SetGlyph(const TPicture& glyph);

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint(TCanvas& canvas) override;

    // Drawn pressed: down, or held by the mouse.
    bool Pressed() const { return state_ != State::Up; }

private:
    enum class State { Up, Down, Exclusive };
    void releaseOthers();

    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool down_ = false;
    bool flat_ = false;
    bool dragging_ = false;
    State state_ = State::Up;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    int margin_ = -1;
    int numGlyphs_ = 1;
    int spacing_ = 4;
    TPicture glyph_;
};

} // namespace toolkit
