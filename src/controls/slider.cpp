#include "controls/slider.h"

#include "controls/math_x.h"
#include "toolkit/exceptions.h"

#include <cmath>

namespace controls {

using namespace toolkit;

TSlider::TSlider(TComponent* owner) : TCustomPanel(owner) {
    height_ = 149;
    width_ = 4;
    SetColor(clBlack);
    SetBevelOuter(TBevelCut::bvNone);
    SetBevelInner(TBevelCut::bvLowered);
    SetCaption("");

    // The knob: a flat panel with a single-line border around its raised face.
    FKnob = new TPanel(this);
    FKnob->SetCaption("");
    FKnob->SetBounds(0, 0, 24, 14);
    FKnob->SetParentCtl3D(false);
    FKnob->SetCtl3D(false);
    FKnob->SetBorderStyle(TBorderStyle::bsSingle);
    FKnob->SetBorderWidth(1);
    FKnob->SetColor(clBtnFace);
    FKnob->OnMouseDown = TMouseEvent(this, &TSlider::KnobMouseDown);
    FKnob->OnMouseUp = TMouseEvent(this, &TSlider::KnobMouseUp);
    FKnob->OnMouseMove = TMouseMoveEvent(this, &TSlider::KnobMouseMove);

    FTravel = Height() - 2 * FMoveRestriction;
    FKnobOffset = 0;
    FBtnHeight = 14;
    FBtnWidth = 24;

    FKnobLine = new TBevel(FKnob);
    FKnobLine->SetShape(TBevelShape::bsTopLine);
    FKnobLine->SetStyle(TBevelStyle::bsLowered);
    FKnobLine->SetBounds(1, FKnobLine->Top(), FKnobLine->Width(), 2);
    // Decoration only: a press on the line drags the knob.
    FKnobLine->SetEnabled(false);
    FKnobLine->SetParent(FKnob);

    OnResize = TNotifyEvent(this, &TSlider::SliderResize);
    FMin = 0;
    FMax = 100;
    FPosition = 0;
    FMoveRestriction = 4;
}

int TSlider::knobTop() const {
    return Top() + Height() - FBtnHeight / 2 - FKnobOffset - FMoveRestriction;
}

int TSlider::knobLeft() const {
    return Width() / 2 + Left() - FBtnWidth / 2;
}

double TSlider::relFromPosition() const {
    if (FMax == FMin) {
        return 0;
    }
    return static_cast<double>(static_cast<std::int64_t>(FPosition) - FMin) /
           static_cast<double>(static_cast<std::int64_t>(FMax) - FMin);
}

void TSlider::updateTravel() {
    FTravel = Height() - 2 * FMoveRestriction;
    FKnobOffset = static_cast<int>(roundHalfEven(static_cast<long double>(FTravel) * FRelPos));
}

void TSlider::SetRelPos(double r) {
    if (IsLoading()) {
        return;
    }
    if (!(r >= 0 && r <= 1)) {
        throw ERangeError(kSliderRangeMessage);
    }
    FRelPos = r;
    FPosition = static_cast<int>(
        roundHalfEven(static_cast<long double>(static_cast<std::int64_t>(FMax) - FMin) * r + FMin));
    FKnobOffset = static_cast<int>(roundHalfEven(static_cast<long double>(FTravel) * r));
    FKnob->SetTop(knobTop());
    OnChange(this);
}

void TSlider::SetPosition(int value) {
    if (value < FMin) {
        value = FMin;
    } else if (value > FMax) {
        value = FMax;
    }
    FPosition = value;
    SetRelPos(relFromPosition());
}

void TSlider::SetMin(int value) {
    SetRelPos(relFromPosition());
    FMin = value;
}

void TSlider::SetMax(int value) {
    SetRelPos(relFromPosition());
    FMax = value;
}

void TSlider::SetBtnHeight(int value) {
    FBtnHeight = value;
    FKnob->SetHeight(value);
    updateTravel();
    FKnob->SetTop(knobTop());
    FKnobLine->SetTop((FKnob->Height() - 4) / 2);
}

void TSlider::SetBtnWidth(int value) {
    FBtnWidth = value;
    FKnob->SetWidth(value);
    FKnob->SetLeft(knobLeft());
    FKnobLine->SetWidth(FKnob->Width() - 5);
}

void TSlider::SetMoveRestriction(int value) {
    FMoveRestriction = value;
    updateTravel();
    FKnob->SetTop(knobTop());
}

void TSlider::SetLinkCheck(TCheckBox* value) {
    if (value == FLinkCheck) {
        return;
    }
    if (FLinkCheck != nullptr) {
        RemoveFreeNotification(FLinkCheck);
    }
    FLinkCheck = value;
    if (value != nullptr) {
        FreeNotification(value);
    }
}

void TSlider::Notification(TComponent* component, TOperation operation) {
    TCustomPanel::Notification(component, operation);
    if (operation == TOperation::opRemove && component != nullptr &&
        component == static_cast<TComponent*>(FLinkCheck)) {
        FLinkCheck = nullptr;
    }
}

void TSlider::SetupKnob() {
    FKnob->SetLeft(knobLeft());
    FKnob->SetParent(Parent());
    FTravel = Height() - 2 * FMoveRestriction;
    SetRelPos(relFromPosition());
    FKnobLine->SetTop((FKnob->Height() - 4) / 2);
    FKnobLine->SetWidth(FKnob->Width() - 5);
    FInitialized = true;
}

void TSlider::placeKnob() {
    FKnob->SetLeft(knobLeft());
    if (FKnob->Top() != knobTop()) {
        FKnob->SetTop(knobTop());
    }
}

void TSlider::Loaded() {
    TCustomPanel::Loaded();
    for (TComponent* part :
         {static_cast<TComponent*>(FKnob), static_cast<TComponent*>(FKnobLine)}) {
        if (part->IsLoading()) {
            part->Loaded();
        }
    }
    SetupKnob();
}

void TSlider::PeerPaint(TCanvas& canvas, bool nativeBackground) {
    TCustomPanel::PeerPaint(canvas, nativeBackground);
    if (!FInitialized) {
        SetupKnob();
    }
    placeKnob();
}

void TSlider::BoundsChanged() {
    TCustomPanel::BoundsChanged();
    if (FInitialized) {
        placeKnob();
    }
}

void TSlider::SetParent(TWinControl* parent) {
    TCustomPanel::SetParent(parent);
    if (FInitialized && FKnob != nullptr) {
        FKnob->SetParent(parent);
        placeKnob();
    }
}

void TSlider::SliderResize(TObject*) {
    SetWidth(4);
    updateTravel();
    FKnob->SetTop(knobTop());
}

void TSlider::KnobMouseDown(TObject*, TMouseButton, TShiftState, int, int Y) {
    FDragging = true;
    FDownY = Y;
}

void TSlider::KnobMouseMove(TObject*, TShiftState, int, int Y) {
    if (!FDragging) {
        return;
    }
    FKnobOffset -= Y - FDownY;
    if (FKnobOffset > FTravel) {
        FKnobOffset = FTravel;
    }
    if (FKnobOffset < 0) {
        FKnobOffset = 0;
    }
    SetRelPos(FTravel != 0 ? static_cast<double>(FKnobOffset) / FTravel : 0);
}

void TSlider::KnobMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    FDragging = false;
}

} // namespace controls
