// Scroll boxes: a windowed container whose content scrolls. The content's extent follows the
// children: in each direction the far edge of the children not aligned to the other side
// (right or bottom edge), plus the room of those aligned there, plus the bar's Margin; it is
// recomputed whenever a child moves, resizes, appears or goes. A bar is shown when it is
// Visible and the content does not fit; a shown bar takes room from the client area. The
// children's coordinates are content coordinates: scrolling does not change them.
#pragma once

#include "toolkit/win_control.h"

namespace toolkit {

class TScrollBox;

enum class TScrollBarKind { sbHorizontal, sbVertical };

// One of the two bars of a scroll box.
class TControlScrollBar {
public:
    TControlScrollBar(TScrollBox& box, TScrollBarKind kind) : box_(box), kind_(kind) {}

    TScrollBarKind Kind() const { return kind_; }
    // Pixels one click on an arrow scrolls.
    int Increment() const { return increment_; }
    void SetIncrement(int value);
    // Room kept beyond the farthest child.
    int Margin() const { return margin_; }
    void SetMargin(int value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // The content's extent in this direction (at least the client area's).
    int Range() const;
    // Whether the bar is shown now.
    bool IsScrollBarVisible() const;
    // How far the content is scrolled, 0 to Range less the client extent.
    int Position() const;
    void SetPosition(int value);

private:
    TScrollBox& box_;
    TScrollBarKind kind_;
    int increment_ = 8;
    int margin_ = 0;
    bool visible_ = true;
};

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);

    TControlScrollBar& HorzScrollBar() { return horz_; }
    const TControlScrollBar& HorzScrollBar() const { return horz_; }
    TControlScrollBar& VertScrollBar() { return vert_; }
    const TControlScrollBar& VertScrollBar() const { return vert_; }

    // bsSingle (the default) draws a sunken border 2 pixels wide; bsNone draws none.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    // The visible part of the content: the bounds less the border and the shown bars.
    TRect ClientRect() const override;
    // Scrolls so that a child is in view.
    void ScrollInView(TControl* control);

    void Loaded() override;

protected:
    PeerKind GetPeerKind() const override { return PeerKind::ScrollBox; }
    void InitializePeer(WidgetPeer& peer) override;
    void PaintWindow(TCanvas& canvas) override;
    void BoundsChanged() override;
    void ChildChanged(TControl* child) override;

private:
    friend class TControlScrollBar;
    // Recomputes the content's extent and which bars are shown, and tells the peer.
    void updateScrollBars();
    void pushToPeer();
    int borderWidth() const { return borderStyle_ == TBorderStyle::bsNone ? 0 : 2; }
    // The children's extent (with margins) in each direction.
    TPoint contentExtent() const;

    TControlScrollBar horz_;
    TControlScrollBar vert_;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    TPoint range_;
    bool horzShown_ = false;
    bool vertShown_ = false;
    bool updating_ = false;
};

} // namespace toolkit
