// Forms: top-level windows whose controls, captions and event bindings stand in a form
// description. A form is made with Create<F>(owner, ...): the object is constructed, the
// description is applied under the loading state (properties in description order, events
// bound to the form's published methods by name), Loaded runs on the form and every component
// of the description, and then OnCreate, whose errors are reported and swallowed. A form that
// the description made Visible shows after that.
#pragma once

#include "toolkit/exceptions.h"
#include "toolkit/win_control.h"

#include <any>
#include <map>
#include <string>

namespace toolkit {

using TCloseEvent = TEvent<TObject*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TObject*, bool&>;

// Window frame sizes of the classic desktop, by border style: a form's Width and Height include
// them, its client area does not.
struct FrameMetrics {
    int left;
    int top; // caption included
    int right;
    int bottom;
};
FrameMetrics FrameMetricsOf(TBorderStyle style);

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    template <typename F, typename... A> static F* Create(TComponent* owner, A&&... args) {
        F* form = new F(owner, std::forward<A>(args)...);
        try {
            static_cast<TCustomForm*>(form)->InitializeForm();
        } catch (...) {
            form->Free();
            throw;
        }
        return form;
    }

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    // The window's state. A form is maximised by the toolkit itself, from what the form answers
    // to WM_GETMINMAXINFO: it is placed at ptMaxPosition with the size ptMaxSize, held to the
    // tracking sizes, and goes back to its former bounds when restored. The user's maximise
    // (title-bar button or double click) arrives as SC_MAXIMIZE, or SC_RESTORE when the form is
    // maximised already.
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    // What the form answers to WM_GETMINMAXINFO now, starting from the screen's defaults.
    MINMAXINFO GetMinMaxInfo();
    // Sizes are held to the form's tracking sizes (WM_GETMINMAXINFO) once it has a window, as
    // the window system holds them: also when code (or stored settings) sets them.
    void SetBounds(int left, int top, int width, int height) override;
    HICON Icon() const { return icon_; }
    void SetIcon(HICON icon);
    // Whether the window is kept above other windows (FormStyle, or SetWindowPos).
    bool IsTopmost() const { return topmost_; }
    void SetTopmost(bool topmost);

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void Show();
    void Hide();
    void SetVisible(bool visible) override;
    // Asks OnCloseQuery and OnClose; the close action decides: hide (the default), free,
    // minimise, or none (the close is refused). Closing the main form ends the application.
    void Close();
    bool CloseQuery();
    // Shows the form modally and handles messages until ModalResult is set; returns it.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool IsModal() const { return modal_; }
    // Frees the form once the messages that are being handled now are done, and never while
    // the form's own show (OnShow included) is under way: a release that arrives then, from
    // messages handled inside the show, waits until the show has returned.
    void Release();
    bool Active() const;
    void BringToFront();
    // The control that has (or, while another window is active, last had) the focus.
    TWinControl* ActiveControl() const { return focusedControl_; }

    TRect ClientRect() const override;
    void SetClientSize(int width, int height) override;

    // Published methods, bound to events by name while a description is applied.
    template <typename C, typename... Args>
    void Publish(const std::string& name, C* object, void (C::*method)(Args...)) {
        published_[name] = TEvent<Args...>(object, method);
    }
    template <typename... Args> TEvent<Args...> MethodAddress(const std::string& name) const {
        auto it = published_.find(name);
        if (it == published_.end()) {
            throw EComponentError(ClassName() + " has no published method " + name);
        }
        if (auto* event = std::any_cast<TEvent<Args...>>(&it->second)) {
            return *event;
        }
        throw EComponentError("Method " + name + " does not fit the event it is bound to");
    }
    template <typename... Args> void Bind(TEvent<Args...>& event, const std::string& name) const {
        event = MethodAddress<Args...>(name);
    }

    void BeforeDestruction() override;

    void PeerBoundsChanged(const TRect& bounds) override;
    void PeerCloseRequest() override;
    void PeerMaximizeRequest() override;
    void PeerActivated(bool active) override;
    bool PeerDialogKey(int key) override;

protected:
    // The form description: creates the form's components and sets their properties.
    virtual void Describe() {}
    virtual void DoCreate();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void DoDestroy();
    void DefaultHandler(TMessage& message) override;

    PeerKind GetPeerKind() const override { return PeerKind::Form; }
    void InitializePeer(WidgetPeer& peer) override;
    TRect PeerBounds() const override;
    bool PeerVisible() const override;

private:
    friend class TApplication;
    friend class TWinControl;
    void InitializeForm();
    void applyFormSpec();
    void placeOnFirstShow();
    void endShow();
    void queryMinMax();
    void applyMaximized();
    void pushSizeLimits(const MINMAXINFO& info);

    std::map<std::string, std::any> published_;
    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    TPosition position_ = TPosition::poDesigned;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TWindowState windowState_ = TWindowState::wsNormal;
    HICON icon_ = nullptr;
    bool topmost_ = false;
    bool modal_ = false;
    bool shownOnce_ = false;
    bool closing_ = false;
    bool inMinMax_ = false;
    int showDepth_ = 0;           // shows of this form under way
    bool releasePending_ = false; // a release that arrived during a show
    TRect restoreBounds_;
    TModalResult modalResult_ = mrNone;
    TWinControl* focusedControl_ = nullptr;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// The private message that frees a released form.
constexpr UINT CM_RELEASE = 0xB000 + 33;

} // namespace toolkit
