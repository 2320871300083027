// A lamp: a rectangle with a one-pixel black outline, filled with ColorOn while lit and with
// ColorOff while dark. Switching the lamp repaints its own rectangle, and only when the state
// really changes.
#pragma once

#include "toolkit/shape.h"

namespace controls {

class TBarGraph;

constexpr toolkit::TColor kLumiGreen = 0x00FF00;
constexpr toolkit::TColor kLumiOrange = 0x0080FF;
constexpr toolkit::TColor kLumiRed = 0x0000FF;
constexpr toolkit::TColor kLumiDark = 0x808080;

class TLumi : public toolkit::TShape {
public:
    explicit TLumi(toolkit::TComponent* owner);

    toolkit::TColor ColorOn() const { return FColorOn; }
    // Stores only: the fill changes the next time the lamp is switched.
    void SetColorOn(toolkit::TColor value);
    toolkit::TColor ColorOff() const { return FColorOff; }
    void SetColorOff(toolkit::TColor value);
    // Stored only; they do not change the drawing.
    toolkit::TColor ColorFrame() const { return FColorFrame; }
    void SetColorFrame(toolkit::TColor value) { FColorFrame = value; }
    bool Frame() const { return FFrame; }
    void SetFrame(bool value) { FFrame = value; }

    // The lit state (the published property `_On`; a C++ name may not begin with an underscore
    // and a capital, so the read accessor carries the Get prefix).
    bool Get_On() const { return F_On; }
    void Set_On(bool value);

protected:
    // Told to the column that built the lamp.
    void DrawingChanged() override;

private:
    friend class TBarGraph;
    // The column that built the lamp, told of every switch, and the lamp's place in it.
    TBarGraph* bar_ = nullptr;
    int index_ = -1;
    toolkit::TColor FColorOn = kLumiGreen;
    toolkit::TColor FColorOff = kLumiDark;
    toolkit::TColor FColorFrame = toolkit::clBlack;
    bool FFrame = true;
    bool F_On = false;
};

} // namespace controls
