// Single-line edits. Text is the control's caption; every real change of it, by code or by the
// user's typing, fires OnChange (none while a description is applied). OnEnter and OnExit
// follow the focus.
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);

    const std::string& Text() const { return Caption(); }
    void SetText(const std::string& text) { SetCaption(text); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    TNotifyEvent OnChange;

    void PeerTextEdited(const std::string& text) override { SetText(text); }

protected:
    virtual void Change();
    PeerKind GetPeerKind() const override { return PeerKind::Edit; }
    void InitializePeer(WidgetPeer& peer) override;
    void TextChanged() override;

private:
    bool readOnly_ = false;
};

} // namespace toolkit
