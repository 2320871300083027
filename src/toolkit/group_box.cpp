#include "toolkit/group_box.h"

#include "toolkit/peer.h"

namespace toolkit {

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
    width_ = 185;
    height_ = 105;
}

TRect TGroupBox::AlignRect() const {
    TRect r = ClientRect();
    int captionHeight = 13;
    if (WindowingBackend* backend = GetWindowingBackend()) {
        captionHeight = backend->textExtent(Font(), "0", false).Y;
    }
    return {r.Left + 1, r.Top + captionHeight, r.Right - 1, r.Bottom - 1};
}

} // namespace toolkit
