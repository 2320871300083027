// A speed button with German and English captions and hints, and an OnDown event that fires
// once per transition from up to down, whether code (SetDown) or the mouse made it, and never on
// a transition to up. Code that sees the control as a plain TSpeedButton changes the state
// through the base class's non-virtual SetDown and fires nothing.
#pragma once

#include "toolkit/speed_button.h"

#include <string>

namespace controls {

class TExtSpeedButton : public toolkit::TSpeedButton {
public:
    using TSpeedButton::TSpeedButton;

    toolkit::TNotifyEvent OnDown;

    const std::string& HintEnglish() const { return FHintEnglish; }
    const std::string& HintGerman() const { return FHintGerman; }
    const std::string& CaptionEnglish() const { return FCaptionEnglish; }
    const std::string& CaptionGerman() const { return FCaptionGerman; }

    // Stores the text and makes it the visible hint.
    virtual void SetHintGerman(const std::string& text);
    virtual void SetHintEnglish(const std::string& text);
    // Stores the text and makes it the visible caption.
    virtual void SetCaptionGerman(const std::string& text);
    virtual void SetCaptionEnglish(const std::string& text);
    // Applies the state through the base class (which releases the group's other buttons) and
    // fires OnDown when the button went from up to down.
    virtual void SetDown(bool value);
    virtual bool GetDown() const;

    // The base class's release handling, then OnDown when it latched the button.
    void MouseUp(toolkit::TMouseButton button, toolkit::TShiftState shift, int x, int y) override;

private:
    void fireOnDownIfLatched(bool wasDown);

    std::string FCaptionEnglish;
    std::string FCaptionGerman;
    std::string FHintEnglish;
    std::string FHintGerman;
};

} // namespace controls
