#include "toolkit/image.h"

namespace toolkit {

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    width_ = 105;
    height_ = 105;
    SetParentColor(true);
}

void TImage::SetPicture(const TPicture& picture) {
    picture_ = picture;
    adjustSize();
    Invalidate();
}

void TImage::SetStretch(bool value) {
    if (value != stretch_) {
        stretch_ = value;
        Invalidate();
    }
}

void TImage::SetCenter(bool value) {
    if (value != center_) {
        center_ = value;
        Invalidate();
    }
}

void TImage::SetTransparent(bool value) {
    if (value != transparent_) {
        transparent_ = value;
        Invalidate();
    }
}

void TImage::SetAutoSize(bool value) {
    if (value != autoSize_) {
        autoSize_ = value;
        adjustSize();
    }
}

void TImage::adjustSize() {
    if (autoSize_ && !picture_.Empty()) {
        SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    }
}

TRect TImage::DestRect() const {
    if (stretch_) {
        return {0, 0, Width(), Height()};
    }
    int w = picture_.Width();
    int h = picture_.Height();
    if (center_) {
        return Bounds((Width() - w) / 2, (Height() - h) / 2, w, h);
    }
    return Bounds(0, 0, w, h);
}

void TImage::Paint(TCanvas& canvas) {
    if (picture_.Empty()) {
        return;
    }
    TRect dest = DestRect();
    if (!transparent_) {
        canvas.Brush.Color = ColorToRGB(Color());
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.FillRect(dest);
    }
    if (stretch_) {
        canvas.StretchDraw(dest, picture_);
    } else {
        canvas.Draw(dest.Left, dest.Top, picture_);
    }
}

} // namespace toolkit
