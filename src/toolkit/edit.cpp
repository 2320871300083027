#include "toolkit/edit.h"

namespace toolkit {

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    width_ = 121;
    height_ = 21;
    SetColor(clWindow);
    SetTabStop(true);
    SetCursor(TCursor::crIBeam);
}

void TEdit::SetReadOnly(bool value) {
    if (value == readOnly_) {
        return;
    }
    readOnly_ = value;
    if (Peer() != nullptr) {
        Peer()->setReadOnly(value);
    }
}

void TEdit::InitializePeer(WidgetPeer& peer) {
    peer.setReadOnly(readOnly_);
}

void TEdit::TextChanged() {
    TWinControl::TextChanged();
    if (!IsLoading()) {
        Change();
    }
}

void TEdit::Change() {
    OnChange(this);
}

} // namespace toolkit
