#include "toolkit/button.h"

#include "toolkit/forms.h"
#include "toolkit/win_ui.h"

namespace toolkit {

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    width_ = 75;
    height_ = 25;
    clickEvents_ = false;
    SetTabStop(true);
}

void TButton::SetDefault(bool value) {
    if (value == default_) {
        return;
    }
    default_ = value;
    if (Peer() != nullptr) {
        Peer()->setDefault(value);
    }
}

void TButton::Click() {
    if (TCustomForm* form = ParentForm()) {
        form->SetModalResult(modalResult_);
    }
    TWinControl::Click();
}

bool TButton::WantsDialogKey(int key) const {
    return (key == VK_RETURN && default_) || (key == VK_ESCAPE && cancel_);
}

} // namespace toolkit
