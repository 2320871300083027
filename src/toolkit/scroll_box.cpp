#include "toolkit/scroll_box.h"

#include <algorithm>

namespace toolkit {

// ---- TControlScrollBar -----------------------------------------------------------------------

void TControlScrollBar::SetIncrement(int value) {
    value = std::max(value, 1);
    if (value != increment_) {
        increment_ = value;
        box_.pushToPeer();
    }
}

void TControlScrollBar::SetMargin(int value) {
    value = std::max(value, 0);
    if (value != margin_) {
        margin_ = value;
        box_.updateScrollBars();
    }
}

void TControlScrollBar::SetVisible(bool value) {
    if (value != visible_) {
        visible_ = value;
        box_.updateScrollBars();
    }
}

int TControlScrollBar::Range() const {
    TRect client = box_.ClientRect();
    return kind_ == TScrollBarKind::sbHorizontal ? std::max(box_.range_.X, client.Width())
                                                 : std::max(box_.range_.Y, client.Height());
}

bool TControlScrollBar::IsScrollBarVisible() const {
    return kind_ == TScrollBarKind::sbHorizontal ? box_.horzShown_ : box_.vertShown_;
}

int TControlScrollBar::Position() const {
    WidgetPeer* peer = box_.Peer();
    if (peer == nullptr) {
        return 0;
    }
    TPoint p = peer->scrollPosition();
    return kind_ == TScrollBarKind::sbHorizontal ? p.X : p.Y;
}

void TControlScrollBar::SetPosition(int value) {
    WidgetPeer* peer = box_.Peer();
    if (peer == nullptr) {
        return;
    }
    TRect client = box_.ClientRect();
    int limit =
        Range() - (kind_ == TScrollBarKind::sbHorizontal ? client.Width() : client.Height());
    value = std::clamp(value, 0, std::max(limit, 0));
    TPoint p = peer->scrollPosition();
    if (kind_ == TScrollBarKind::sbHorizontal) {
        p.X = value;
    } else {
        p.Y = value;
    }
    peer->setScrollPosition(p);
}

// ---- TScrollBox ------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner)
    : TWinControl(owner), horz_(*this, TScrollBarKind::sbHorizontal),
      vert_(*this, TScrollBarKind::sbVertical) {
    width_ = 185;
    height_ = 41;
}

void TScrollBox::SetBorderStyle(TBorderStyle style) {
    if (style != TBorderStyle::bsNone) {
        style = TBorderStyle::bsSingle;
    }
    if (style == borderStyle_) {
        return;
    }
    borderStyle_ = style;
    updateScrollBars();
    AlignControls();
    pushToPeer();
}

TRect TScrollBox::ClientRect() const {
    int b = borderWidth();
    int w = Width() - 2 * b - (vertShown_ ? kScrollBarSize : 0);
    int h = Height() - 2 * b - (horzShown_ ? kScrollBarSize : 0);
    return {0, 0, std::max(w, 0), std::max(h, 0)};
}

TPoint TScrollBox::contentExtent() const {
    int right = 0;
    int rightAligned = 0;
    int bottom = 0;
    int bottomAligned = 0;
    for (TControl* c : ControlList()) {
        if (!c->Visible()) {
            continue;
        }
        switch (c->Align()) {
        case TAlign::alNone:
            right = std::max(right, c->Left() + c->Width());
            bottom = std::max(bottom, c->Top() + c->Height());
            break;
        case TAlign::alLeft:
            right = std::max(right, c->Left() + c->Width());
            break;
        case TAlign::alRight:
            rightAligned += c->Width();
            break;
        case TAlign::alTop:
            bottom = std::max(bottom, c->Top() + c->Height());
            break;
        case TAlign::alBottom:
            bottomAligned += c->Height();
            break;
        case TAlign::alClient:
            break;
        }
    }
    return {right + rightAligned + horz_.Margin(), bottom + bottomAligned + vert_.Margin()};
}

void TScrollBox::updateScrollBars() {
    if (updating_ || IsLoading()) {
        return;
    }
    updating_ = true;
    try {
        // Showing one bar narrows the room of the other; two rounds settle it.
        for (int round = 0; round < 3; ++round) {
            range_ = contentExtent();
            int b = borderWidth();
            int w = Width() - 2 * b;
            int h = Height() - 2 * b;
            bool horz = horz_.Visible() && range_.X > w;
            bool vert = vert_.Visible() && range_.Y > h;
            horz = horz_.Visible() && range_.X > w - (vert ? kScrollBarSize : 0);
            vert = vert_.Visible() && range_.Y > h - (horz ? kScrollBarSize : 0);
            if (horz == horzShown_ && vert == vertShown_) {
                break;
            }
            horzShown_ = horz;
            vertShown_ = vert;
            // The client area changed: aligned children follow it.
            AlignControls();
        }
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
    pushToPeer();
}

void TScrollBox::pushToPeer() {
    WidgetPeer* peer = Peer();
    if (peer == nullptr) {
        return;
    }
    peer->setBorder(borderStyle_ != TBorderStyle::bsNone);
    peer->setScrollBars({horz_.Visible(), horz_.Increment(), horz_.Margin(), horzShown_},
                        {vert_.Visible(), vert_.Increment(), vert_.Margin(), vertShown_});
    TRect client = ClientRect();
    peer->setContentExtent(std::max(range_.X, client.Width()), std::max(range_.Y, client.Height()));
}

void TScrollBox::ScrollInView(TControl* control) {
    if (control == nullptr || !ContainsControl(control)) {
        return;
    }
    // The control's rectangle in this box's content coordinates.
    TRect r = control->BoundsRect();
    for (TControl* p = control->Parent(); p != nullptr && p != this; p = p->Parent()) {
        r = r.Offset(p->Left(), p->Top());
    }
    TRect client = ClientRect();
    auto bring = [](TControlScrollBar& bar, int first, int last, int extent) {
        // A control larger than the view shows its left (top) part.
        last = std::min(last, first + extent);
        int pos = bar.Position();
        if (first < pos) {
            bar.SetPosition(first);
        } else if (last > pos + extent) {
            bar.SetPosition(last - extent);
        }
    };
    bring(horz_, r.Left, r.Right, client.Width());
    bring(vert_, r.Top, r.Bottom, client.Height());
}

void TScrollBox::Loaded() {
    TWinControl::Loaded();
    updateScrollBars();
}

void TScrollBox::InitializePeer(WidgetPeer&) {
    pushToPeer();
}

void TScrollBox::PaintWindow(TCanvas& canvas) {
    // The whole content, not only the visible part, may need painting.
    canvas.Brush.Color = ColorToRGB(Color());
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(canvas.ClipRect());
}

void TScrollBox::BoundsChanged() {
    TWinControl::BoundsChanged();
    updateScrollBars();
}

void TScrollBox::ChildChanged(TControl* child) {
    TWinControl::ChildChanged(child);
    updateScrollBars();
}

} // namespace toolkit
