#include "controls/lumi.h"

#include "controls/bar_graph.h"

namespace controls {

TLumi::TLumi(toolkit::TComponent* owner) : TShape(owner) {
    width_ = 16;
    height_ = 6;
    SetShape(toolkit::TShapeType::stRectangle);
    SetPen({toolkit::clBlack, 1, toolkit::TPenStyle::psSolid});
    SetBrush({FColorOff, toolkit::TBrushStyle::bsSolid});
}

void TLumi::Set_On(bool value) {
    if (value == F_On) {
        return;
    }
    SetBrushColor(value ? FColorOn : FColorOff);
    F_On = value;
    if (bar_ != nullptr) {
        bar_->lumiSwitched(index_, value);
    }
}

void TLumi::DrawingChanged() {
    if (bar_ != nullptr) {
        bar_->lumiRestyled(*this);
    }
}

} // namespace controls
