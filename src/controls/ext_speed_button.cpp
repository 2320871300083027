#include "controls/ext_speed_button.h"

namespace controls {

void TExtSpeedButton::SetHintGerman(const std::string& text) {
    FHintGerman = text;
    SetHint(text);
}

void TExtSpeedButton::SetHintEnglish(const std::string& text) {
    FHintEnglish = text;
}

void TExtSpeedButton::SetCaptionGerman(const std::string& text) {
    FCaptionGerman = text;
    SetCaption(text);
}

void TExtSpeedButton::SetCaptionEnglish(const std::string& text) {
    FCaptionEnglish = text;
}

bool TExtSpeedButton::GetDown() const {
    return TSpeedButton::Down();
}

void TExtSpeedButton::SetDown(bool value) {
    bool wasDown = GetDown();
    TSpeedButton::SetDown(value);
    fireOnDownIfLatched(wasDown);
}

void TExtSpeedButton::MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x,
                              int y) {
    bool wasDown = GetDown();
    TSpeedButton::MouseUp(button, shift, x, y);
    fireOnDownIfLatched(wasDown);
}

void TExtSpeedButton::fireOnDownIfLatched(bool wasDown) {
    if (GetDown() && !wasDown && OnDown) {
        OnDown(this);
    }
}

} // namespace controls
