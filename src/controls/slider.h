// A vertical fader: a 4-pixel groove (the control itself) and a knob panel that the user drags,
// mapping the knob's height onto Position between Min (bottom) and Max (top). The knob is owned
// by the slider but sits in the slider's parent, centred on the groove, so that it can overhang
// it on both sides. Every position update goes through SetRelPos and fires OnChange.
//
// Geometry (divisions truncate): FTravel = Height - 2 * MoveRestriction; knob top = slider top +
// Height - BtnHeight div 2 - FKnobOffset - MoveRestriction; knob left = Width div 2 + slider
// left - BtnWidth div 2; index line top = (knob height - 4) div 2, width knob width - 5.
//
// The knob is set up from Loaded or from the first paint. Once set up it also follows the slider
// when the slider is moved or placed in another parent.
#pragma once

#include "toolkit/bevel.h"
#include "toolkit/check_box.h"
#include "toolkit/panel.h"

namespace controls {

// The message of the range error raised by SetRelPos.
inline constexpr const char* kSliderRangeMessage =
    "Wert für Position liegt außerhalb von Min und Max";

class TSlider : public toolkit::TCustomPanel {
public:
    explicit TSlider(toolkit::TComponent* owner);

    int Min() const { return FMin; }
    // Updates the knob from the current Position, Min and Max (firing OnChange), then stores
    // the new bound; Position is not moved into the new range. When the update raises the
    // range error, the bound is not stored.
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    int Position() const { return FPosition; }
    // Clamps to Min ... Max, stores, updates the knob and fires OnChange.
    void SetPosition(int value);
    int BtnHeight() const { return FBtnHeight; }
    void SetBtnHeight(int value);
    int BtnWidth() const { return FBtnWidth; }
    void SetBtnWidth(int value);
    int MoveRestriction() const { return FMoveRestriction; }
    void SetMoveRestriction(int value);
    // Carried for the owner; the slider never reads them.
    int Number() const { return FNumber; }
    void SetNumber(int value) { FNumber = value; }
    toolkit::TCheckBox* LinkCheck() const { return FLinkCheck; }
    // Cleared when the check box is freed.
    void SetLinkCheck(toolkit::TCheckBox* value);

    toolkit::TNotifyEvent OnChange;

    // Moves knob and Position to the relative position r (0 at Min, 1 at Max) and fires
    // OnChange, also when Position did not change. Does nothing while loading; raises
    // ERangeError (kSliderRangeMessage) for r outside 0 ... 1 or not a number.
    void SetRelPos(double r);
    void SetupKnob();
    // The slider's own OnResize handler: width back to 4, knob to the new travel.
    void SliderResize(toolkit::TObject* Sender);

    // The knob's mouse events.
    void KnobMouseDown(toolkit::TObject* Sender, toolkit::TMouseButton Button,
                       toolkit::TShiftState Shift, int X, int Y);
    void KnobMouseMove(toolkit::TObject* Sender, toolkit::TShiftState Shift, int X, int Y);
    void KnobMouseUp(toolkit::TObject* Sender, toolkit::TMouseButton Button,
                     toolkit::TShiftState Shift, int X, int Y);

    void Loaded() override;
    void SetParent(toolkit::TWinControl* parent) override;
    void PeerPaint(toolkit::TCanvas& canvas, bool nativeBackground) override;

    // Internal state, for owners and tests.
    toolkit::TPanel* Knob() const { return FKnob; }
    toolkit::TBevel* KnobLine() const { return FKnobLine; }
    bool Initialized() const { return FInitialized; }
    int KnobOffset() const { return FKnobOffset; }
    int Travel() const { return FTravel; }
    double RelPos() const { return FRelPos; }
    bool Dragging() const { return FDragging; }

protected:
    void BoundsChanged() override;
    void Notification(toolkit::TComponent* component, toolkit::TOperation operation) override;

private:
    int knobTop() const;
    int knobLeft() const;
    double relFromPosition() const;
    void updateTravel();
    void placeKnob();

    bool FInitialized = false;
    toolkit::TPanel* FKnob = nullptr;
    toolkit::TBevel* FKnobLine = nullptr;
    int FKnobOffset = 0;
    int FTravel = 0;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    double FRelPos = 0;
    int FBtnHeight = 14;
    int FBtnWidth = 24;
    int FMoveRestriction = 0;
    toolkit::TCheckBox* FLinkCheck = nullptr;
    int FNumber = 0;
    int FDownY = 0;
    bool FDragging = false;
};

} // namespace controls
