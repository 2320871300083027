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

void TLumi::SetColorOn(toolkit::TColor value) {
    FColorOn = value;
    if (bar_ != nullptr) {
        bar_->lumiColoursChanged(*this);
    }
}

void TLumi::SetColorOff(toolkit::TColor value) {
    FColorOff = value;
    if (bar_ != nullptr) {
        bar_->lumiColoursChanged(*this);
    }
}

void TLumi::Set_On(bool value) {
    if (value == F_On) {
        return;
    }
    F_On = value;
    const toolkit::TColor fill = value ? FColorOn : FColorOff;
    // In a column that is known to be plain boxes in place, the column repaints the lamp from
    // what it keeps: the lamp's own drawing and place need not be read.
    if (bar_ != nullptr && bar_->lumiSwitchedInPlace(*this, value, fill)) {
        return;
    }
    SetBrushColor(fill);
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
