#include "toolkit/win_control.h"

#include "toolkit/exceptions.h"
#include "toolkit/forms.h"
#include "toolkit/message_queue.h"

#include <algorithm>

namespace toolkit {
namespace {

WindowingBackend* gBackend = nullptr;

template <typename T> void eraseValue(std::vector<T*>& list, T* value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

// After an event handler ran: whether the windowed control that got the mouse event, and the
// target among its children, still exist. Neither is touched to find out, since the handler may
// have freed either: a windowed control lives as long as its window handle, a child as long as
// it stays in that control's lists. (Events from the backend always come with a handle; a
// control without one only gets them from code that calls it directly.)
bool stillThere(HWND handle, TWinControl* receiver, TControl* target) {
    if (handle != nullptr && FindControl(handle) != receiver) {
        return false;
    }
    if (target == receiver) {
        return true;
    }
    std::vector<TControl*> children = receiver->ControlList();
    return std::find(children.begin(), children.end(), target) != children.end();
}

} // namespace

void SetWindowingBackend(WindowingBackend* backend) {
    gBackend = backend;
}
WindowingBackend* GetWindowingBackend() {
    return gBackend;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

namespace {

int repaintRounds = 0; // open repaint rounds (user-interface thread only)

// The controls whose deferred repaint requests wait for the next flush (user-interface thread
// only); an entry of a control that went away is empty.
std::vector<TWinControl*>& deferredControls() {
    static auto* controls = new std::vector<TWinControl*>;
    return *controls;
}

} // namespace

TWinControl::~TWinControl() {
    unqueueDeferred();
    // Leave the parent while this is still a windowed control: the parent keeps windowed and
    // non-windowed children in separate lists and must find this one in the right list.
    if (Parent() != nullptr) {
        Parent()->RemoveControl(this);
    }
    // Children leave first, so that no child widget outlives this one's.
    while (!windowedChildren_.empty()) {
        RemoveControl(windowedChildren_.back());
    }
    while (!graphicChildren_.empty()) {
        RemoveControl(graphicChildren_.back());
    }
    DestroyHandle();
}

int TWinControl::ControlCount() const {
    return static_cast<int>(graphicChildren_.size() + windowedChildren_.size());
}

TControl* TWinControl::Controls(int index) const {
    int graphic = static_cast<int>(graphicChildren_.size());
    if (index < 0 || index >= ControlCount()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return index < graphic ? graphicChildren_[static_cast<std::size_t>(index)]
                           : windowedChildren_[static_cast<std::size_t>(index - graphic)];
}

std::vector<TControl*> TWinControl::ControlList() const {
    std::vector<TControl*> all(graphicChildren_);
    all.insert(all.end(), windowedChildren_.begin(), windowedChildren_.end());
    return all;
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c != nullptr; c = c->Parent()) {
        if (c->Parent() == this) {
            return true;
        }
    }
    return false;
}

void TWinControl::InsertControl(TControl* control) {
    if (control == nullptr || control->parent_ == this) {
        return;
    }
    for (TWinControl* p = this; p != nullptr; p = p->Parent()) {
        if (p == control) {
            throw EInvalidOperation("A control cannot be placed inside itself");
        }
    }
    if (control->parent_ != nullptr) {
        control->parent_->RemoveControl(control);
    }
    control->parent_ = this;
    if (control->IsWindowed()) {
        windowedChildren_.push_back(control);
        auto* win = static_cast<TWinControl*>(control);
        if (HandleAllocated()) {
            win->HandleNeeded();
        }
    } else {
        graphicChildren_.push_back(control);
        control->Invalidate();
    }
    control->ParentColorChanged();
    control->ParentFontChanged();
    if (control->IsWindowed()) {
        static_cast<TWinControl*>(control)->parentCtl3DChanged();
    }
    ChildChanged(control);
}

void TWinControl::SetCtl3D(bool value) {
    parentCtl3D_ = false;
    if (value == ctl3D_) {
        return;
    }
    int inset = BorderInset();
    ctl3D_ = value;
    if (BorderInset() != inset) {
        BorderChanged();
    }
    for (TControl* child : windowedChildren_) {
        static_cast<TWinControl*>(child)->parentCtl3DChanged();
    }
}

void TWinControl::SetParentCtl3D(bool value) {
    if (value == parentCtl3D_) {
        return;
    }
    parentCtl3D_ = value;
    parentCtl3DChanged();
}

void TWinControl::parentCtl3DChanged() {
    if (parentCtl3D_ && Parent() != nullptr) {
        SetCtl3D(Parent()->Ctl3D());
        parentCtl3D_ = true;
    }
}

void TWinControl::RemoveControl(TControl* control) {
    if (control == nullptr || control->parent_ != this) {
        return;
    }
    if (mouseCapture_ == control) {
        mouseCapture_ = nullptr;
    }
    if (mouseOver_ == control) {
        mouseOver_ = nullptr;
    }
    if (TCustomForm* form = ParentForm(); form != nullptr && form->focusedControl_ != nullptr) {
        TWinControl* focused = form->focusedControl_;
        auto* win = dynamic_cast<TWinControl*>(control);
        if (focused == control || (win != nullptr && win->ContainsControl(focused))) {
            form->focusedControl_ = nullptr;
        }
    }
    if (control->IsWindowed()) {
        static_cast<TWinControl*>(control)->DestroyHandle();
    } else {
        control->Invalidate();
    }
    eraseValue(windowedChildren_, control);
    eraseValue(graphicChildren_, control);
    control->parent_ = nullptr;
    if (!IsDestroying()) {
        ChildChanged(control);
    }
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool windowedToo) const {
    auto hit = [&](const std::vector<TControl*>& list) -> TControl* {
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            TControl* c = *it;
            if (c->Visible() && (allowDisabled || c->Enabled()) &&
                c->BoundsRect().Contains(p.X, p.Y)) {
                return c;
            }
        }
        return nullptr;
    };
    if (windowedToo) {
        if (TControl* c = hit(windowedChildren_)) {
            return c;
        }
    }
    return hit(graphicChildren_);
}

HWND TWinControl::Handle() {
    if (handle_ == nullptr) {
        if (parent_ != nullptr) {
            parent_->HandleNeeded(); // creates this one's too
        }
        if (handle_ == nullptr) {
            CreateWnd();
        }
    }
    return handle_;
}

void TWinControl::CreateWnd() {
    handle_ = AllocateWindowHandle(this);
    if (gBackend != nullptr) {
        peer_ = gBackend->createPeer(this, GetPeerKind());
    }
    if (peer_) {
        peer_->setParent(parent_ != nullptr ? parent_->Peer() : nullptr);
        peer_->setBounds(PeerBounds());
        peer_->setFont(Font());
        peer_->setColor(ColorToRGB(Color()));
        peer_->setText(Caption());
        peer_->setHint(Hint(), ShowHint());
        peer_->setCursor(Cursor());
        peer_->setEnabled(Enabled());
        InitializePeer(*peer_);
    }
    createChildHandles();
    if (peer_) {
        peer_->setVisible(PeerVisible());
    }
}

void TWinControl::createChildHandles() {
    for (TControl* child : std::vector<TControl*>(windowedChildren_)) {
        auto* win = static_cast<TWinControl*>(child);
        if (!win->HandleAllocated()) {
            win->CreateWnd();
        }
    }
}

void TWinControl::DestroyHandle() {
    if (handle_ == nullptr) {
        return;
    }
    for (TControl* child : windowedChildren_) {
        static_cast<TWinControl*>(child)->DestroyHandle();
    }
    releaseHandleOnly();
}

void TWinControl::releaseHandleOnly() {
    mouseCapture_ = nullptr;
    peer_.reset();
    ReleaseWindowHandle(handle_);
    handle_ = nullptr;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = ParentForm(); form == nullptr) {
        return;
    }
    HandleNeeded();
    if (peer_) {
        peer_->setFocus();
    }
}

bool TWinControl::Focused() const {
    return peer_ && peer_->hasFocus();
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c != nullptr; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) {
            return false;
        }
    }
    return ParentForm() != nullptr;
}

void TWinControl::AlignControls() {
    if (aligning_ || IsLoading()) {
        return;
    }
    aligning_ = true;
    TRect r = AlignRect();
    auto place = [&](TAlign kind) {
        std::vector<TControl*> list;
        for (TControl* c : ControlList()) {
            if (c->Align() == kind && c->Visible()) {
                list.push_back(c);
            }
        }
        std::stable_sort(list.begin(), list.end(), [kind](TControl* a, TControl* b) {
            switch (kind) {
            case TAlign::alTop:
                return a->Top() < b->Top();
            case TAlign::alBottom:
                return a->Top() + a->Height() > b->Top() + b->Height();
            case TAlign::alLeft:
                return a->Left() < b->Left();
            case TAlign::alRight:
                return a->Left() + a->Width() > b->Left() + b->Width();
            default:
                return false;
            }
        });
        for (TControl* c : list) {
            switch (kind) {
            case TAlign::alTop:
                c->SetBounds(r.Left, r.Top, r.Width(), c->Height());
                r.Top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(r.Left, r.Bottom - c->Height(), r.Width(), c->Height());
                r.Bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(r.Left, r.Top, c->Width(), r.Height());
                r.Left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(r.Right - c->Width(), r.Top, c->Width(), r.Height());
                r.Right -= c->Width();
                break;
            case TAlign::alClient:
                c->SetBounds(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
                break;
            case TAlign::alNone:
                break;
            }
        }
    };
    try {
        for (TAlign kind :
             {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
            place(kind);
        }
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

void TWinControl::ChildChanged(TControl* child) {
    if (child->Align() != TAlign::alNone ||
        std::any_of(graphicChildren_.begin(), graphicChildren_.end(),
                    [](TControl* c) { return c->Align() != TAlign::alNone; }) ||
        std::any_of(windowedChildren_.begin(), windowedChildren_.end(),
                    [](TControl* c) { return c->Align() != TAlign::alNone; })) {
        AlignControls();
    }
}

void TWinControl::Invalidate() {
    if (peer_) {
        peer_->invalidateAll();
    }
}

void TWinControl::invalidateClientRect(const TRect& rect) {
    if (batchDepth_ > 0) {
        batched_ = batched_.United(rect);
    } else if (deferRepaints_) {
        if (peer_ && !rect.IsEmpty()) {
            batched_ = batched_.United(rect);
            queueDeferred();
        }
    } else if (peer_) {
        peer_->invalidate(rect.Offset(BorderInset(), BorderInset()));
    }
}

void TWinControl::EndInvalidateBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) {
        return;
    }
    if (deferRepaints_) {
        if (!batched_.IsEmpty() && peer_) {
            queueDeferred();
        } else if (!deferQueued_) {
            batched_ = {};
        }
        return;
    }
    TRect r = batched_;
    batched_ = {};
    if (!r.IsEmpty() && peer_) {
        peer_->invalidate(r.Offset(BorderInset(), BorderInset()));
    }
}

void TWinControl::SetDeferRepaints(bool value) {
    if (value == deferRepaints_) {
        return;
    }
    deferRepaints_ = value;
    if (!value && deferQueued_) {
        // What was collected goes out now.
        unqueueDeferred();
        TRect r = batched_;
        batched_ = {};
        if (!r.IsEmpty() && peer_) {
            peer_->invalidate(r.Offset(BorderInset(), BorderInset()));
        }
    }
}

void TWinControl::queueDeferred() {
    if (!deferQueued_) {
        deferQueued_ = true;
        deferredControls().push_back(this);
    }
}

void TWinControl::unqueueDeferred() {
    if (!deferQueued_) {
        return;
    }
    deferQueued_ = false;
    for (TWinControl*& c : deferredControls()) {
        if (c == this) {
            c = nullptr;
        }
    }
}

void TWinControl::FlushDeferredRepaints() {
    std::vector<TWinControl*>& controls = deferredControls();
    // By index: a request handed on never queues another, but the list must not be walked
    // while it could grow.
    for (std::size_t i = 0; i < controls.size(); ++i) {
        TWinControl* c = controls[i];
        if (c == nullptr) {
            continue;
        }
        c->deferQueued_ = false;
        TRect r = c->batched_;
        c->batched_ = {};
        if (!r.IsEmpty() && c->peer_) {
            c->peer_->invalidate(r.Offset(c->BorderInset(), c->BorderInset()));
        }
    }
    controls.clear();
    if (WindowingBackend* backend = GetWindowingBackend(); backend && repaintRounds == 0) {
        backend->flushRepaints(false);
    }
}

TWinControl::RepaintRound::RepaintRound() {
    ++repaintRounds;
}

TWinControl::RepaintRound::~RepaintRound() {
    if (repaintRounds > 1) {
        --repaintRounds;
        return;
    }
    FlushDeferredRepaints(); // still held: to the backend's collection only
    repaintRounds = 0;
    if (WindowingBackend* backend = GetWindowingBackend()) {
        backend->flushRepaints(true);
    }
}

void TWinControl::Loaded() {
    TControl::Loaded();
    AlignControls();
}

void TWinControl::PaintWindow(TCanvas& canvas) {
    canvas.Brush.Color = ColorToRGB(Color());
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(ClientRect());
}

void TWinControl::PaintControls(TCanvas& canvas) {
    TRect clip = canvas.ClipRect();
    // By index: painting does not change the list, but must not trip over a change either.
    for (std::size_t i = 0; i < graphicChildren_.size(); ++i) {
        TControl* c = graphicChildren_[i];
        TRect bounds = c->BoundsRect();
        if (!c->Visible() || !bounds.Intersects(clip)) {
            continue;
        }
        canvas.Save(bounds.Left, bounds.Top, {0, 0, bounds.Width(), bounds.Height()});
        try {
            c->Paint(canvas);
        } catch (...) {
            canvas.Restore();
            throw;
        }
        canvas.Restore();
    }
}

void TWinControl::PeerPaint(TCanvas& canvas, bool nativeBackground) {
    int inset = BorderInset();
    if (inset == 0) {
        if (!nativeBackground) {
            PaintWindow(canvas);
        }
        PaintControls(canvas);
        return;
    }
    PaintBorder(canvas);
    canvas.Save(inset, inset, ClientRect());
    try {
        if (!nativeBackground) {
            PaintWindow(canvas);
        }
        PaintControls(canvas);
    } catch (...) {
        canvas.Restore();
        throw;
    }
    canvas.Restore();
}

TRect TWinControl::PeerBounds() const {
    TRect r = BoundsRect();
    if (Parent() != nullptr) {
        int inset = Parent()->BorderInset();
        r = r.Offset(inset, inset);
    }
    return r;
}

void TWinControl::BorderChanged() {
    for (TControl* child : windowedChildren_) {
        auto* w = static_cast<TWinControl*>(child);
        if (w->peer_) {
            w->peer_->setBounds(w->PeerBounds());
        }
    }
    AlignControls();
    Invalidate();
}

void TWinControl::PeerMouse(MouseAction action, TMouseButton button, TShiftState shift, int x,
                            int y) {
    x -= BorderInset();
    y -= BorderInset();
    TControl* target = mouseCapture_;
    if (target == nullptr) {
        target = ControlAtPos({x, y}, false);
        if (target == nullptr) {
            target = this;
        }
    }
    int lx = x;
    int ly = y;
    if (target != this) {
        lx -= target->Left();
        ly -= target->Top();
    }
    const HWND self = handle_;
    switch (action) {
    case MouseAction::Down:
        if (target != this) {
            mouseCapture_ = target;
        }
        target->clicked_ = target->clickEvents_ && button == TMouseButton::mbLeft;
        target->MouseDown(button, shift, lx, ly);
        break;
    case MouseAction::DoubleClick:
        if (target != this) {
            mouseCapture_ = target;
        }
        target->DblClick();
        // The double click may have freed the target, or this control.
        if (stillThere(self, this, target)) {
            target->MouseDown(button, shift | ssDouble, lx, ly);
        }
        break;
    case MouseAction::Up: {
        mouseCapture_ = nullptr;
        if (target->clicked_ && button == TMouseButton::mbLeft) {
            target->clicked_ = false;
            if (TRect{0, 0, target->Width(), target->Height()}.Contains(lx, ly)) {
                target->Click();
            }
        }
        // The click may have freed the target, or this control.
        if (stillThere(self, this, target)) {
            target->MouseUp(button, shift, lx, ly);
        }
        break;
    }
    case MouseAction::Move:
        target->MouseMove(shift, lx, ly);
        break;
    }
}

void TWinControl::PeerBoundsChanged(const TRect& bounds) {
    int inset = Parent() != nullptr ? Parent()->BorderInset() : 0;
    TControl::SetBounds(bounds.Left - inset, bounds.Top - inset, bounds.Width(), bounds.Height());
}

void TWinControl::PeerFocusChanged(bool focused) {
    // The form keeps the control that was entered last, so that every OnEnter is matched by
    // one OnExit, also when a handler moves the focus while it is moving (SetFocus in OnExit).
    TCustomForm* form = ParentForm();
    if (form == this) {
        return;
    }
    // While a form is freed, the native focus moves from each freed control to one that is
    // still to go: no events for that.
    if (form != nullptr && form->IsDestroying()) {
        return;
    }
    if (form == nullptr) {
        focused ? OnEnter(this) : OnExit(this);
        return;
    }
    if (focused) {
        TWinControl* previous = form->focusedControl_;
        if (previous == this) {
            return;
        }
        form->focusedControl_ = this;
        if (previous != nullptr) {
            // The focus moved without a focus-out (the window was switched in between).
            previous->OnExit(previous);
        }
        OnEnter(this);
    } else {
        if (form->focusedControl_ != this) {
            return;
        }
        form->focusedControl_ = nullptr;
        OnExit(this);
    }
}

void TWinControl::BoundsChanged() {
    if (peer_) {
        peer_->setBounds(PeerBounds());
    }
    AlignControls();
}

void TWinControl::ColorChanged() {
    if (peer_) {
        peer_->setColor(ColorToRGB(Color()));
        peer_->invalidateAll();
    }
}

void TWinControl::FontChanged() {
    if (peer_) {
        peer_->setFont(Font());
    }
}

void TWinControl::TextChanged() {
    if (peer_) {
        peer_->setText(Caption());
    }
}

void TWinControl::EnabledChanged() {
    if (peer_) {
        peer_->setEnabled(Enabled());
    }
}

void TWinControl::VisibleChanged() {
    if (peer_) {
        peer_->setVisible(PeerVisible());
    }
}

void TWinControl::HintChanged() {
    if (peer_) {
        peer_->setHint(Hint(), ShowHint());
    }
}

void TWinControl::CursorChanged() {
    if (peer_) {
        peer_->setCursor(Cursor());
    }
}

} // namespace toolkit
