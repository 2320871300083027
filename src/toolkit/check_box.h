// Check boxes. Every real change of Checked, by the user or by code, fires OnClick (none while
// a description is applied).
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner);

    bool Checked() const { return checked_; }
    virtual void SetChecked(bool value);

    void PeerToggled(bool checked) override { SetChecked(checked); }

protected:
    PeerKind GetPeerKind() const override { return PeerKind::CheckBox; }
    void InitializePeer(WidgetPeer& peer) override { peer.setChecked(checked_); }

private:
    bool checked_ = false;
};

} // namespace toolkit
