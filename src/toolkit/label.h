// Labels: text painted by the parent, sized to the text unless AutoSize is off.
#pragma once

#include "toolkit/control.h"

namespace toolkit {

enum class TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);

    void Paint(TCanvas& canvas) override;
    void Loaded() override;

protected:
    void TextChanged() override { AdjustBounds(); }
    void FontChanged() override {
        AdjustBounds();
        Invalidate();
    }
    // With AutoSize, sizes the label to its text; a right-aligned label keeps its right edge.
    void AdjustBounds();

private:
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool autoSize_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    TTextLayout layout_ = TTextLayout::tlTop;
};

class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};

} // namespace toolkit
