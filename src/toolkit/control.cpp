#include "toolkit/control.h"

#include "toolkit/forms.h"
#include "toolkit/win_control.h"

#include <algorithm>

namespace toolkit {

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this] {
        parentFont_ = false;
        FontChanged();
        if (auto* self = dynamic_cast<TWinControl*>(this)) {
            for (TControl* child : self->ControlList()) {
                child->ParentFontChanged();
            }
        }
    };
}

TControl::~TControl() {
    font_.OnChange = nullptr;
    if (parent_ != nullptr) {
        parent_->RemoveControl(this);
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) {
        return;
    }
    if (parent == this) {
        throw EInvalidOperation("A control cannot have itself as its parent");
    }
    if (parent_ != nullptr) {
        parent_->RemoveControl(this);
    }
    if (parent != nullptr) {
        parent->InsertControl(this);
    }
}

TCustomForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->parent_ != nullptr) {
        c = c->parent_;
    }
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_) {
        return;
    }
    TRect old = BoundsRect();
    bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (!IsWindowed() && parent_ != nullptr && visible_) {
        parent_->InvalidateRect(old);
        Invalidate();
    }
    BoundsChanged();
    if (parent_ != nullptr) {
        parent_->ChildChanged(this);
    }
    if (resized && !IsLoading()) {
        Resize();
    }
}

void TControl::SetClientSize(int width, int height) {
    TRect client = ClientRect();
    SetBounds(left_, top_, width_ + (width - client.Width()), height_ + (height - client.Height()));
}

void TControl::Resize() {
    OnResize(this);
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) {
        return;
    }
    align_ = align;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (parent_ != nullptr) {
        parent_->ChildChanged(this);
    }
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) {
        return;
    }
    visible_ = visible;
    if (!IsWindowed() && parent_ != nullptr) {
        parent_->InvalidateRect(BoundsRect());
    }
    VisibleChanged();
    if (parent_ != nullptr) {
        parent_->ChildChanged(this);
    }
}

bool TControl::Showing() const {
    if (!visible_) {
        return false;
    }
    if (parent_ == nullptr) {
        return dynamic_cast<const TCustomForm*>(this) != nullptr;
    }
    return parent_->Showing();
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (!IsWindowed()) {
        Invalidate();
    }
    EnabledChanged();
}

void TControl::SetColor(TColor color) {
    if (color == color_) {
        return;
    }
    color_ = color;
    parentColor_ = false;
    if (!IsWindowed()) {
        Invalidate();
    }
    ColorChanged();
    if (auto* self = dynamic_cast<TWinControl*>(this)) {
        for (TControl* child : self->ControlList()) {
            child->ParentColorChanged();
        }
    }
}

void TControl::SetParentColor(bool value) {
    if (value == parentColor_) {
        return;
    }
    parentColor_ = value;
    if (value) {
        ParentColorChanged();
    }
}

void TControl::ParentColorChanged() {
    if (parentColor_ && parent_ != nullptr) {
        SetColor(parent_->Color());
        parentColor_ = true;
    }
}

void TControl::SetParentFont(bool value) {
    if (value == parentFont_) {
        return;
    }
    parentFont_ = value;
    if (value) {
        ParentFontChanged();
    }
}

void TControl::ParentFontChanged() {
    if (parentFont_ && parent_ != nullptr) {
        font_.Assign(parent_->Font());
        parentFont_ = true;
    }
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    if (!IsWindowed()) {
        Invalidate();
    }
    TextChanged();
}

void TControl::SetHint(const std::string& hint) {
    if (hint == hint_) {
        return;
    }
    hint_ = hint;
    HintChanged();
}

void TControl::SetShowHint(bool value) {
    if (value == showHint_) {
        return;
    }
    showHint_ = value;
    HintChanged();
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == cursor_) {
        return;
    }
    cursor_ = cursor;
    CursorChanged();
}

void TControl::Click() {
    OnClick(this);
}
void TControl::DblClick() {
    OnDblClick(this);
}

void TControl::Invalidate() {
    if (parent_ != nullptr && visible_) {
        parent_->InvalidateRect(BoundsRect());
    }
}

void TControl::InvalidateRect(const TRect& rect) {
    if (IsWindowed()) {
        static_cast<TWinControl*>(this)->invalidateClientRect(rect);
    } else if (parent_ != nullptr && visible_) {
        parent_->InvalidateRect(rect.Offset(left_, top_).Intersected(BoundsRect()));
    }
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::Update() {
    TWinControl::FlushDeferredRepaints();
    const TControl* c = this;
    while (c != nullptr && !c->IsWindowed()) {
        c = c->parent_;
    }
    if (auto* w = dynamic_cast<const TWinControl*>(c); w && w->Peer()) {
        w->Peer()->update();
    }
}

void TControl::BringToFront() {
    if (parent_ != nullptr) {
        auto& list = IsWindowed() ? parent_->windowedChildren_ : parent_->graphicChildren_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.push_back(this);
        Invalidate();
    }
    if (auto* self = dynamic_cast<TWinControl*>(this); self && self->Peer()) {
        self->Peer()->bringToFront();
    }
}

void TControl::SendToBack() {
    if (parent_ != nullptr) {
        auto& list = IsWindowed() ? parent_->windowedChildren_ : parent_->graphicChildren_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.insert(list.begin(), this);
        Invalidate();
    }
    if (auto* self = dynamic_cast<TWinControl*>(this); self && self->Peer()) {
        self->Peer()->sendToBack();
    }
}

TPoint TControl::ClientOrigin() const {
    if (auto* self = dynamic_cast<const TWinControl*>(this); self && self->Peer()) {
        return self->Peer()->clientToScreen({self->BorderInset(), self->BorderInset()});
    }
    if (parent_ == nullptr) {
        return {left_, top_};
    }
    TPoint p = parent_->ClientOrigin();
    return {p.X + left_, p.Y + top_};
}

TPoint TControl::ClientToScreen(TPoint p) const {
    TPoint o = ClientOrigin();
    return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
    TPoint o = ClientOrigin();
    return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetMessageHandler(UINT msg, TMessageHandler handler) {
    for (auto& entry : handlers_) {
        if (entry.first == msg) {
            entry.second = std::move(handler);
            return;
        }
    }
    handlers_.emplace_back(msg, std::move(handler));
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& message) {
    for (auto& entry : handlers_) {
        if (entry.first == message.Msg && entry.second) {
            entry.second(message);
            return;
        }
    }
    DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    OnMouseMove(this, shift, x, y);
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parentColor_) {
        ParentColorChanged();
    }
    if (parentFont_) {
        ParentFontChanged();
    }
}

} // namespace toolkit
