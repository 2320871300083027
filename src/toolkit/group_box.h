// Group boxes: a framed, captioned area that holds other controls.
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);

    // Below the caption, inside the frame.
    TRect AlignRect() const override;

protected:
    PeerKind GetPeerKind() const override { return PeerKind::GroupBox; }
};

} // namespace toolkit
