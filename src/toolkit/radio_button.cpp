#include "toolkit/radio_button.h"

namespace toolkit {

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
    width_ = 113;
    height_ = 17;
    clickEvents_ = false;
}

void TRadioButton::SetChecked(bool value) {
    if (value == checked_) {
        return;
    }
    checked_ = value;
    SetTabStop(value);
    if (Peer() != nullptr) {
        Peer()->setChecked(value);
    }
    if (!value) {
        return;
    }
    if (TWinControl* parent = Parent()) {
        for (TControl* sibling : parent->ControlList()) {
            if (sibling != this) {
                if (auto* radio = dynamic_cast<TRadioButton*>(sibling)) {
                    radio->SetChecked(false);
                }
            }
        }
    }
    if (!IsLoading()) {
        Click();
    }
}

} // namespace toolkit
