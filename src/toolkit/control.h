// Controls: components with a place on the screen. A control sits in a parent (a windowed
// control); non-windowed controls own no native widget, their parent paints them and they
// invalidate only their own rectangle there.
#pragma once

#include "platform/win_types.h"
#include "toolkit/component.h"
#include "toolkit/graphics.h"
#include "toolkit/types.h"

#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class TWinControl;
class TCustomForm;

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
using TMessageHandler = std::function<void(TMessage&)>;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    // The form the control sits on (walking up the parents), or nullptr.
    TCustomForm* ParentForm() const;
    virtual bool IsWindowed() const { return false; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    virtual TRect ClientRect() const { return {0, 0, width_, height_}; }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    virtual void SetClientSize(int width, int height);
    void SetClientWidth(int w) { SetClientSize(w, ClientHeight()); }
    void SetClientHeight(int h) { SetClientSize(ClientWidth(), h); }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent visible up to a shown form.
    bool Showing() const;

    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    TColor Color() const { return color_; }
    // Ends ParentColor.
    void SetColor(TColor color);
    // Takes the parent's colour, now and whenever it changes; on by default, as in the classic
    // library, except for controls with a colour of their own (panels, edits, forms, ...).
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font) { font_.Assign(font); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    virtual void Click();
    virtual void DblClick();

    // Repaint requests: a windowed control repaints itself; a non-windowed one asks its parent
    // to repaint its rectangle.
    virtual void Invalidate();
    void InvalidateRect(const TRect& rect);
    void Repaint();
    void Update();
    void BringToFront();
    void SendToBack();

    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    TPoint ClientOrigin() const;

    // Messages by number: a handler sets the result; unhandled messages get DefaultHandler.
    void SetMessageHandler(UINT msg, TMessageHandler handler);
    template <typename C>
    void SetMessageHandler(UINT msg, C* object, void (C::*method)(TMessage&)) {
        SetMessageHandler(msg, [object, method](TMessage& m) { (object->*method)(m); });
    }
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    // Painting of non-windowed controls, called by the parent with the canvas in this
    // control's coordinates.
    virtual void Paint(TCanvas& canvas) {}

    // Mouse input, in client coordinates; fires the events.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);

    void Loaded() override;

protected:
    // Hooks for derived classes, after the stored value changed.
    virtual void BoundsChanged() {}
    virtual void ColorChanged() {}
    virtual void FontChanged() {}
    virtual void TextChanged() {}
    virtual void EnabledChanged() {}
    virtual void VisibleChanged() {}
    virtual void HintChanged() {}
    virtual void CursorChanged() {}
    virtual void Resize();
    // The parent's colour or font changed (and this control follows it).
    void ParentColorChanged();
    void ParentFontChanged();
    // Lets the parent re-align its children after a change of this one.
    void RequestAlign();

    // Mouse presses followed by a release inside the control make a click (false for
    // controls whose native widget reports clicks itself, or that click on their own terms).
    bool clickEvents_ = true;

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;

private:
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    TAlign align_ = TAlign::alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TFont font_;
    bool parentFont_ = true;
    std::string caption_;
    std::string hint_;
    bool showHint_ = false;
    bool clicked_ = false;
    TCursor cursor_ = TCursor::crDefault;
    std::vector<std::pair<UINT, TMessageHandler>> handlers_;
};

// A control without a native widget, painted by its parent.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
};

} // namespace toolkit
