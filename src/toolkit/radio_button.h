// Radio buttons. Becoming checked, by the user or by code, unchecks the other radio buttons of
// the same parent and fires OnClick; being unchecked fires nothing.
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* owner);

    bool Checked() const { return checked_; }
    virtual void SetChecked(bool value);

    void PeerToggled(bool checked) override {
        if (checked) {
            SetChecked(true);
        }
    }

protected:
    PeerKind GetPeerKind() const override { return PeerKind::RadioButton; }
    void InitializePeer(WidgetPeer& peer) override { peer.setChecked(checked_); }

private:
    bool checked_ = false;
};

} // namespace toolkit
