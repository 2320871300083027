// Push buttons. A click sets the form's ModalResult to the button's; the default button takes
// Enter and the cancel button Escape anywhere in the form.
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    void Click() override;
    void PeerClicked() override { Click(); }
    bool WantsDialogKey(int key) const override;
    void DialogKey(int) override { Click(); }

protected:
    PeerKind GetPeerKind() const override { return PeerKind::Button; }
    void InitializePeer(WidgetPeer& peer) override { peer.setDefault(default_); }

private:
    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

} // namespace toolkit
