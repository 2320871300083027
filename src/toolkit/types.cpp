#include "toolkit/types.h"

#include <algorithm>

namespace toolkit {

TColor ColorToRGB(TColor color) {
    if ((color & kSystemColorFlag) == 0) {
        return color & 0xFFFFFF;
    }
    // The classic Windows palette, so that windows look as they were designed.
    switch (color & 0xFF) {
    case 5:
        return clWhite; // window background
    case 6:
        return clBlack; // window frame (the single-line border)
    case 8:
        return clBlack; // window text
    case 15:
        return RGB(192, 192, 192); // button face
    case 16:
        return RGB(128, 128, 128); // button shadow
    case 17:
        return RGB(128, 128, 128); // grey text
    case 18:
        return clBlack; // button text
    case 20:
        return clWhite; // button highlight
    case 21:
        return RGB(64, 64, 64); // 3-D dark shadow
    case 22:
        return RGB(223, 223, 223); // 3-D light
    case 24:
        return RGB(255, 255, 225); // tool-tip background
    default:
        return RGB(192, 192, 192);
    }
}

TRect TRect::Intersected(const TRect& r) const {
    TRect x{std::max(Left, r.Left), std::max(Top, r.Top), std::min(Right, r.Right),
            std::min(Bottom, r.Bottom)};
    return x.IsEmpty() ? TRect{} : x;
}

TRect TRect::United(const TRect& r) const {
    if (IsEmpty()) {
        return r;
    }
    if (r.IsEmpty()) {
        return *this;
    }
    return {std::min(Left, r.Left), std::min(Top, r.Top), std::max(Right, r.Right),
            std::max(Bottom, r.Bottom)};
}

} // namespace toolkit
