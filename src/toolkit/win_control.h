// Windowed controls: controls with a native widget (a peer) and a window handle, which hold
// child controls. The child list holds the non-windowed children first, then the windowed
// ones, each group in insertion order; that is also the painting order.
#pragma once

#include "toolkit/control.h"
#include "toolkit/peer.h"

#include <memory>
#include <vector>

namespace toolkit {

enum class MouseAction { Down, Up, Move, DoubleClick };

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    bool IsWindowed() const override { return true; }

    int ControlCount() const;
    TControl* Controls(int index) const;
    std::vector<TControl*> ControlList() const;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    bool ContainsControl(const TControl* control) const;
    // The topmost visible child at a point of the client area (non-windowed children only
    // when windowedToo is false).
    TControl* ControlAtPos(TPoint p, bool allowDisabled, bool windowedToo = false) const;

    // The window handle; creating the native widget (and those of the parents and windowed
    // children) when it does not exist yet. Handles are never reused.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { (void)Handle(); }
    void DestroyHandle();
    WidgetPeer* Peer() const { return peer_.get(); }

    // The classic three-dimensional look of the control's frame. Writing Ctl3D ends
    // ParentCtl3D; with ParentCtl3D (the default) the control takes its parent's Ctl3D, now and
    // whenever it changes. Stored only: the backend draws every control one way.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value);

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    // The focus comes to this control, or leaves it for another control of the same form
    // (not for another window). Every OnEnter is followed by exactly one OnExit.
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    void SetFocus();
    bool Focused() const;
    bool CanFocus() const;

    // Places the aligned children (top, bottom, left, right, then client) in the client area.
    void AlignControls();
    // The area in which children are aligned.
    virtual TRect AlignRect() const { return ClientRect(); }

    void Invalidate() override;
    // Repaint requests of rectangles (of the control or of its non-windowed children) made
    // while a batch is open are collected and reach the native widget as one rectangle, their
    // union, when the outermost batch ends; a batch without requests asks for no repaint.
    void BeginInvalidateBatch() { ++batchDepth_; }
    void EndInvalidateBatch();
    // A control that defers its repaint requests collects them (its own and its non-windowed
    // children's) into one rectangle until FlushDeferredRepaints: however many changes it goes
    // through while one message is handled, it asks the window system once. The toolkit
    // flushes when a posted message or a window-system event has been handled, when the
    // application handles messages, and before Update paints.
    void SetDeferRepaints(bool value);
    bool DeferRepaints() const { return deferRepaints_; }
    // Hands every deferred request to the window system; during a repaint round, only as far
    // as the round collects them.
    static void FlushDeferredRepaints();
    // A round of posted messages (those one wake delivers) is one repaint round: the window
    // system gets the requests of all its messages at its end, and each window that has any is
    // painted there and then, once. A loop that runs inside the round (a message box) gets
    // them before it waits.
    class RepaintRound {
    public:
        RepaintRound();
        ~RepaintRound();
        RepaintRound(const RepaintRound&) = delete;
        RepaintRound& operator=(const RepaintRound&) = delete;
    };
    void Loaded() override;

    // Called by the peer. Every call comes from the backend's event loop and must not throw
    // into it: the peers wrap them (see Guard in application.h).
    virtual void PeerPaint(TCanvas& canvas, bool nativeBackground);
    virtual void PeerMouse(MouseAction action, TMouseButton button, TShiftState shift, int x,
                           int y);
    // The user moved or resized the native widget (bounds in parent coordinates; for a form
    // the client area on the screen).
    virtual void PeerBoundsChanged(const TRect& bounds);
    virtual void PeerFocusChanged(bool focused);
    virtual void PeerClicked() {}
    virtual void PeerToggled(bool) {}
    virtual void PeerTextEdited(const std::string&) {}
    virtual void PeerIndexChosen(int) {}
    virtual void PeerValueChanged(int) {}
    // A form asked to close by the user; the peer never closes by itself.
    virtual void PeerCloseRequest() {}
    // A form asked to be maximised by the user; the toolkit places it itself.
    virtual void PeerMaximizeRequest() {}
    virtual void PeerActivated(bool) {}
    // Enter or Escape pressed in the widget and not used by it; true when a control took it.
    virtual bool PeerDialogKey(int) { return false; }
    // Whether this control acts on Enter or Escape anywhere in its form (default and cancel
    // buttons), and the action.
    virtual bool WantsDialogKey(int) const { return false; }
    virtual void DialogKey(int) {}

protected:
    virtual PeerKind GetPeerKind() const { return PeerKind::Container; }
    // Creates the peer, then pushes every stored property to it.
    virtual void CreateWnd();
    // Pushes the class's own properties to a new peer.
    virtual void InitializePeer(WidgetPeer& peer) {}
    // Paints the control's own surface (Container peers): fills with its colour.
    virtual void PaintWindow(TCanvas& canvas);
    // Paints the non-windowed children that reach into the canvas's clip, in list order.
    virtual void PaintControls(TCanvas& canvas);
    // The width of a border around the client area inside the native widget (the single line
    // of the classic window border): the client area, the children's places and the mouse
    // coordinates begin inside it.
    virtual int BorderInset() const { return 0; }
    // Paints that border, in the widget's coordinates.
    virtual void PaintBorder(TCanvas& canvas) {}
    // The border inset changed: places and aligns the children anew and repaints.
    void BorderChanged();

    void BoundsChanged() override;
    void ColorChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    void EnabledChanged() override;
    void VisibleChanged() override;
    void HintChanged() override;
    void CursorChanged() override;
    // A child's bounds, visibility or alignment changed.
    virtual void ChildChanged(TControl* child);
    // The bounds of the native widget in its parent's widget.
    virtual TRect PeerBounds() const;
    // Whether the peer is shown now: a child follows Visible, a form its own rule.
    virtual bool PeerVisible() const { return Visible(); }

private:
    friend class TControl;
    void createChildHandles();
    void parentCtl3DChanged();
    void releaseHandleOnly();
    void invalidateClientRect(const TRect& rect);

    std::vector<TControl*> graphicChildren_;
    std::vector<TControl*> windowedChildren_;
    std::unique_ptr<WidgetPeer> peer_;
    HWND handle_ = nullptr;
    bool tabStop_ = false;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    bool aligning_ = false;
    TControl* mouseCapture_ = nullptr;
    TControl* mouseOver_ = nullptr;
    void queueDeferred();
    void unqueueDeferred();

    int batchDepth_ = 0;
    TRect batched_;
    bool deferRepaints_ = false;
    bool deferQueued_ = false; // among the controls with requests to flush
};

// An invalidation batch for the lifetime of the object.
class TInvalidateBatch {
public:
    explicit TInvalidateBatch(TWinControl& control) : control_(control) {
        control_.BeginInvalidateBatch();
    }
    ~TInvalidateBatch() { control_.EndInvalidateBatch(); }
    TInvalidateBatch(const TInvalidateBatch&) = delete;
    TInvalidateBatch& operator=(const TInvalidateBatch&) = delete;

private:
    TWinControl& control_;
};

} // namespace toolkit
