#include "toolkit/forms.h"

#include "toolkit/application.h"
#include "toolkit/message_queue.h"
#include "toolkit/win_ui.h"

#include <algorithm>

namespace toolkit {

FrameMetrics FrameMetricsOf(TBorderStyle style) {
    switch (style) {
    case TBorderStyle::bsNone:
        return {0, 0, 0, 0};
    case TBorderStyle::bsSizeable:
        return {4, 23, 4, 4};
    case TBorderStyle::bsSizeToolWin:
        return {4, 19, 4, 4};
    case TBorderStyle::bsToolWindow:
        return {3, 18, 3, 3};
    case TBorderStyle::bsSingle:
    case TBorderStyle::bsDialog:
        return {3, 22, 3, 3};
    }
    return {0, 0, 0, 0};
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    // Forms start hidden and at the classic default size.
    TControl::SetVisible(false);
    left_ = 0;
    top_ = 0;
    width_ = 320;
    height_ = 240;
    SetColor(clBtnFace);
    SetParentColor(false);
    SetParentFont(false);
}

TCustomForm::~TCustomForm() {
    if (Application != nullptr) {
        Application->FormDestroyed(this);
    }
}

void TCustomForm::InitializeForm() {
    BeginLoading();
    Describe();
    // Loaded on the form, and through it on every component of the description, in creation
    // order, and on the parts that those made for themselves.
    Loaded();
    AlignControls();
    if (Application != nullptr) {
        Application->FormCreated(this);
    }
    DoCreate();
    if (Visible()) {
        TControl::SetVisible(false);
        Show();
    }
}

void TCustomForm::DoCreate() {
    try {
        OnCreate(this);
    } catch (...) {
        HandleCurrentException();
    }
}

void TCustomForm::DoShow() {
    OnShow(this);
}
void TCustomForm::DoHide() {
    OnHide(this);
}
void TCustomForm::DoClose(TCloseAction& action) {
    OnClose(this, action);
}
void TCustomForm::DoDestroy() {
    try {
        OnDestroy(this);
    } catch (...) {
        HandleCurrentException();
    }
}

void TCustomForm::BeforeDestruction() {
    if (!IsDestroying()) {
        DoDestroy();
    }
    TWinControl::BeforeDestruction();
}

void TCustomForm::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) {
        return;
    }
    // The client area stays; the frame changes around it.
    TRect client = ClientRect();
    borderStyle_ = style;
    FrameMetrics f = FrameMetricsOf(style);
    width_ = client.Width() + f.left + f.right;
    height_ = client.Height() + f.top + f.bottom;
    applyFormSpec();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
    if (style == formStyle_) {
        return;
    }
    formStyle_ = style;
    SetTopmost(style == TFormStyle::fsStayOnTop);
}

void TCustomForm::SetTopmost(bool topmost) {
    if (topmost == topmost_) {
        return;
    }
    topmost_ = topmost;
    applyFormSpec();
}

void TCustomForm::applyFormSpec() {
    if (WidgetPeer* peer = Peer()) {
        peer->setForm({borderStyle_, topmost_, modal_});
        peer->setBounds(PeerBounds());
    }
}

TWindowState TCustomForm::WindowState() const {
    if (WidgetPeer* peer = Peer(); peer && Visible()) {
        TWindowState shown = peer->windowState();
        if (shown == TWindowState::wsNormal && windowState_ == TWindowState::wsMaximized) {
            return TWindowState::wsMaximized;
        }
        return shown;
    }
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState state) {
    TWindowState before = windowState_;
    if (state == TWindowState::wsMaximized && before != TWindowState::wsMaximized) {
        restoreBounds_ = BoundsRect();
    }
    windowState_ = state;
    WidgetPeer* peer = Peer();
    switch (state) {
    case TWindowState::wsMaximized:
        // The backend's own maximise would fill the screen; the form's limits decide instead.
        if (peer != nullptr) {
            peer->setWindowState(TWindowState::wsNormal);
        }
        if (HandleAllocated()) {
            applyMaximized();
        }
        break;
    case TWindowState::wsNormal:
        if (peer != nullptr) {
            peer->setWindowState(TWindowState::wsNormal);
        }
        if (before == TWindowState::wsMaximized && HandleAllocated()) {
            SetBounds(restoreBounds_.Left, restoreBounds_.Top, restoreBounds_.Width(),
                      restoreBounds_.Height());
        }
        break;
    case TWindowState::wsMinimized:
        if (peer != nullptr) {
            peer->setWindowState(TWindowState::wsMinimized);
        }
        break;
    }
}

void TCustomForm::applyMaximized() {
    MINMAXINFO info = GetMinMaxInfo();
    int minW = info.ptMinTrackSize.x;
    int minH = info.ptMinTrackSize.y;
    int w = std::clamp(static_cast<int>(info.ptMaxSize.x), minW,
                       std::max(minW, static_cast<int>(info.ptMaxTrackSize.x)));
    int h = std::clamp(static_cast<int>(info.ptMaxSize.y), minH,
                       std::max(minH, static_cast<int>(info.ptMaxTrackSize.y)));
    inMinMax_ = true;
    try {
        TWinControl::SetBounds(info.ptMaxPosition.x, info.ptMaxPosition.y, w, h);
    } catch (...) {
        inMinMax_ = false;
        throw;
    }
    inMinMax_ = false;
}

void TCustomForm::PeerMaximizeRequest() {
    Perform(WM_SYSCOMMAND, windowState_ == TWindowState::wsMaximized ? SC_RESTORE : SC_MAXIMIZE, 0);
}

void TCustomForm::SetIcon(HICON icon) {
    icon_ = icon;
    if (WidgetPeer* peer = Peer()) {
        peer->setIcon(icon);
    }
}

TRect TCustomForm::ClientRect() const {
    FrameMetrics f = FrameMetricsOf(borderStyle_);
    return {0, 0, std::max(Width() - f.left - f.right, 0),
            std::max(Height() - f.top - f.bottom, 0)};
}

void TCustomForm::SetClientSize(int width, int height) {
    FrameMetrics f = FrameMetricsOf(borderStyle_);
    SetBounds(Left(), Top(), width + f.left + f.right, height + f.top + f.bottom);
}

TRect TCustomForm::PeerBounds() const {
    // A form's peer takes the frame's position on the screen and the client area's size.
    TRect client = ClientRect();
    return Bounds(Left(), Top(), client.Width(), client.Height());
}

bool TCustomForm::PeerVisible() const {
    return Visible() && !IsLoading();
}

void TCustomForm::InitializePeer(WidgetPeer& peer) {
    peer.setForm({borderStyle_, topmost_, modal_});
    peer.setIcon(icon_);
    // Maximising is the toolkit's own placement (see SetWindowState).
    peer.setWindowState(windowState_ == TWindowState::wsMaximized ? TWindowState::wsNormal
                                                                  : windowState_);
}

void TCustomForm::PeerBoundsChanged(const TRect& bounds) {
    FrameMetrics f = FrameMetricsOf(borderStyle_);
    TControl::SetBounds(bounds.Left, bounds.Top, bounds.Width() + f.left + f.right,
                        bounds.Height() + f.top + f.bottom);
}

MINMAXINFO TCustomForm::GetMinMaxInfo() {
    WindowingBackend* backend = GetWindowingBackend();
    TRect screen = backend != nullptr ? backend->screenRect() : TRect{0, 0, 1280, 800};
    FrameMetrics f = FrameMetricsOf(borderStyle_);
    MINMAXINFO info{};
    info.ptMaxSize = {screen.Width() + f.left + f.right, screen.Height() + f.top + f.bottom};
    info.ptMaxPosition = {-f.left, -f.top};
    info.ptMinTrackSize = {112, f.top + f.bottom};
    info.ptMaxTrackSize = {screen.Width() + f.left + f.right + 12,
                           screen.Height() + f.top + f.bottom + 12};
    Perform(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
    if (!inMinMax_ && HandleAllocated() && !IsLoading() && !IsDestroying()) {
        inMinMax_ = true;
        try {
            MINMAXINFO info = GetMinMaxInfo();
            int minW = info.ptMinTrackSize.x;
            int minH = info.ptMinTrackSize.y;
            width =
                std::clamp(width, minW, std::max(minW, static_cast<int>(info.ptMaxTrackSize.x)));
            height =
                std::clamp(height, minH, std::max(minH, static_cast<int>(info.ptMaxTrackSize.y)));
            pushSizeLimits(info);
        } catch (...) {
            inMinMax_ = false;
            throw;
        }
        inMinMax_ = false;
    }
    TWinControl::SetBounds(left, top, width, height);
}

void TCustomForm::pushSizeLimits(const MINMAXINFO& info) {
    if (WidgetPeer* peer = Peer()) {
        FrameMetrics f = FrameMetricsOf(borderStyle_);
        TPoint minClient{std::max(info.ptMinTrackSize.x - f.left - f.right, 0),
                         std::max(info.ptMinTrackSize.y - f.top - f.bottom, 0)};
        TPoint maxClient{std::max(info.ptMaxTrackSize.x - f.left - f.right, 0),
                         std::max(info.ptMaxTrackSize.y - f.top - f.bottom, 0)};
        peer->setSizeLimits(minClient, maxClient);
    }
}

void TCustomForm::queryMinMax() {
    pushSizeLimits(GetMinMaxInfo());
    if (windowState_ == TWindowState::wsMaximized) {
        applyMaximized();
        return;
    }
    // Hold the form to the limits, as the window manager would.
    SetBounds(Left(), Top(), Width(), Height());
}

void TCustomForm::placeOnFirstShow() {
    if (shownOnce_) {
        return;
    }
    shownOnce_ = true;
    if (position_ == TPosition::poScreenCenter) {
        WindowingBackend* backend = GetWindowingBackend();
        TRect screen = backend != nullptr ? backend->screenRect() : TRect{0, 0, 1280, 800};
        SetBounds(screen.Left + (screen.Width() - Width()) / 2,
                  screen.Top + (screen.Height() - Height()) / 2, Width(), Height());
    }
}

void TCustomForm::SetVisible(bool visible) {
    if (visible == Visible()) {
        return;
    }
    if (IsLoading()) {
        // A description only notes that the form is to be shown; it shows once created.
        TControl::SetVisible(visible);
        return;
    }
    if (visible) {
        HandleNeeded();
        placeOnFirstShow();
        TControl::SetVisible(true);
        queryMinMax();
        // Messages handled inside OnShow may release the form; it is freed once this returns.
        ++showDepth_;
        try {
            DoShow();
        } catch (...) {
            endShow();
            throw;
        }
        endShow();
    } else {
        DoHide();
        TControl::SetVisible(false);
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::Hide() {
    SetVisible(false);
}

void TCustomForm::BringToFront() {
    if (WidgetPeer* peer = Peer(); peer && Visible()) {
        peer->bringToFront();
        peer->activate();
    }
}

bool TCustomForm::Active() const {
    return Peer() != nullptr && Peer()->isActive();
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) {
        return;
    }
    TCloseAction action = TCloseAction::caHide;
    DoClose(action);
    if (action == TCloseAction::caNone) {
        return;
    }
    if (Application != nullptr && Application->MainForm() == this) {
        Application->Terminate();
        Hide();
        return;
    }
    switch (action) {
    case TCloseAction::caHide:
        Hide();
        break;
    case TCloseAction::caMinimize:
        SetWindowState(TWindowState::wsMinimized);
        break;
    case TCloseAction::caFree:
        Release();
        break;
    case TCloseAction::caNone:
        break;
    }
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || modal_) {
        throw EInvalidOperation("Cannot make a visible window modal");
    }
    modal_ = true;
    modalResult_ = mrNone;
    applyFormSpec();
    auto finish = [this] {
        modal_ = false;
        if (!IsDestroying()) {
            Hide();
            applyFormSpec();
        }
    };
    try {
        Show();
        while (true) {
            // A result may already be set (by OnShow, say): look before waiting for messages.
            if (Application->Terminated()) {
                modalResult_ = mrCancel;
            }
            if (modalResult_ == mrNone) {
                Application->HandleMessage();
                continue;
            }
            TCloseAction action = TCloseAction::caHide;
            if (CloseQuery()) {
                DoClose(action);
            } else {
                action = TCloseAction::caNone;
            }
            if (action == TCloseAction::caNone && !Application->Terminated()) {
                modalResult_ = mrNone;
                continue;
            }
            if (action == TCloseAction::caFree) {
                Release();
            }
            break;
        }
    } catch (...) {
        finish();
        throw;
    }
    TModalResult result = modalResult_;
    finish();
    return result;
}

void TCustomForm::endShow() {
    if (--showDepth_ == 0 && releasePending_) {
        releasePending_ = false;
        Release();
    }
}

void TCustomForm::Release() {
    // A form that was never shown has no handle yet; it gets one to receive the message.
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::DefaultHandler(TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        break;
    case CM_RELEASE:
        if (showDepth_ > 0) {
            releasePending_ = true;
        } else {
            Free();
        }
        break;
    case WM_QUERYENDSESSION:
        // The session may end when the form may close.
        message.Result = CloseQuery() ? TRUE : FALSE;
        break;
    case WM_DEVICECHANGE:
        message.Result = TRUE;
        break;
    case WM_SYSCOMMAND:
        switch (message.WParam & 0xFFF0) {
        case SC_CLOSE:
            Close();
            break;
        case SC_MINIMIZE:
            SetWindowState(TWindowState::wsMinimized);
            break;
        case SC_MAXIMIZE:
            SetWindowState(TWindowState::wsMaximized);
            break;
        case SC_RESTORE:
            SetWindowState(TWindowState::wsNormal);
            break;
        default:
            break;
        }
        break;
    default:
        TWinControl::DefaultHandler(message);
        break;
    }
}

void TCustomForm::PeerCloseRequest() {
    Perform(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void TCustomForm::PeerActivated(bool active) {
    if (active) {
        OnActivate(this);
    } else {
        OnDeactivate(this);
    }
}

bool TCustomForm::PeerDialogKey(int key) {
    // The default button takes Enter, the cancel button Escape.
    std::vector<TWinControl*> stack{this};
    while (!stack.empty()) {
        TWinControl* w = stack.back();
        stack.pop_back();
        for (TControl* c : w->ControlList()) {
            if (auto* child = dynamic_cast<TWinControl*>(c)) {
                if (child != this && child->Visible() && child->Enabled() &&
                    child->WantsDialogKey(key)) {
                    child->DialogKey(key);
                    return true;
                }
                stack.push_back(child);
            }
        }
    }
    return false;
}

} // namespace toolkit
