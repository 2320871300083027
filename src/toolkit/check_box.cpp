#include "toolkit/check_box.h"

namespace toolkit {

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
    width_ = 97;
    height_ = 17;
    clickEvents_ = false;
    SetTabStop(true);
}

void TCheckBox::SetChecked(bool value) {
    if (value == checked_) {
        return;
    }
    checked_ = value;
    if (Peer() != nullptr) {
        Peer()->setChecked(value);
    }
    if (!IsLoading()) {
        Click();
    }
}

} // namespace toolkit
