// Images: a picture painted by the parent. Stretch scales the picture to the control; otherwise
// it is drawn at its own size, at the top-left corner or, with Center, in the middle (clipped to
// the control either way). Transparent lets the parent show through the picture's transparent
// pixels; otherwise the picture's rectangle is first filled with the image's colour (which
// follows the parent's colour unless set). AutoSize makes the control as large as the picture
// whenever a picture is assigned or AutoSize is switched on.
#pragma once

#include "toolkit/control.h"
#include "toolkit/picture.h"

namespace toolkit {

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);

    const TPicture& Picture() const { return picture_; }
    void SetPicture(const TPicture& picture);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    // Where the picture is drawn, in the control's coordinates.
    TRect DestRect() const;
    void Paint(TCanvas& canvas) override;

private:
    void adjustSize();

    TPicture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

} // namespace toolkit
