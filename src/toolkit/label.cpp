#include "toolkit/label.h"

#include "toolkit/peer.h"
#include "toolkit/win_control.h"

namespace toolkit {

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    width_ = 65;
    height_ = 17;
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (value != alignment_) {
        alignment_ = value;
        Invalidate();
    }
}

void TCustomLabel::SetAutoSize(bool value) {
    if (value != autoSize_) {
        autoSize_ = value;
        AdjustBounds();
    }
}

void TCustomLabel::SetTransparent(bool value) {
    if (value != transparent_) {
        transparent_ = value;
        Invalidate();
    }
}

void TCustomLabel::SetWordWrap(bool value) {
    if (value != wordWrap_) {
        wordWrap_ = value;
        AdjustBounds();
        Invalidate();
    }
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (value != showAccelChar_) {
        showAccelChar_ = value;
        AdjustBounds();
        Invalidate();
    }
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (value != layout_) {
        layout_ = value;
        Invalidate();
    }
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || IsLoading() || wordWrap_) {
        Invalidate();
        return;
    }
    WindowingBackend* backend = GetWindowingBackend();
    if (backend == nullptr) {
        return;
    }
    TPoint extent =
        backend->textExtent(Font(), Caption().empty() ? " " : Caption(), showAccelChar_);
    if (Caption().empty()) {
        extent.X = 0;
    }
    int left = Left();
    if (alignment_ == TAlignment::taRightJustify) {
        left += Width() - extent.X;
    }
    SetBounds(left, Top(), extent.X, extent.Y);
    Invalidate();
}

void TCustomLabel::Paint(TCanvas& canvas) {
    TRect r{0, 0, Width(), Height()};
    if (!transparent_) {
        canvas.Brush.Color = ColorToRGB(Color());
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.FillRect(r);
    }
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Assign(Font());
    std::string text = Caption();
    if (!Enabled()) {
        canvas.Font.SetColor(clBtnHighlight);
        canvas.TextRect(r.Offset(1, 1), text, alignment_, showAccelChar_, wordWrap_,
                        layout_ == TTextLayout::tlCenter);
        canvas.Font.SetColor(clBtnShadow);
    }
    canvas.TextRect(r, text, alignment_, showAccelChar_, wordWrap_,
                    layout_ == TTextLayout::tlCenter);
}

} // namespace toolkit
