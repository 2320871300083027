// A widget that reports to its toolkit control: painting (the toolkit paints the control's
// own surface or only its non-windowed children over the native drawing), mouse input, focus
// changes and the dialog keys. Every call into the toolkit is guarded.
#pragma once

#include "toolkit/application.h"
#include "toolkit/qt/canvas.h"
#include "toolkit/qt/qt_util.h"
#include "toolkit/qt/surfaces.h"
#include "toolkit/win_control.h"
#include "toolkit/win_ui.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace toolkit::qt {

inline TShiftState shiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier) {
        s |= ssShift;
    }
    if (mods & Qt::ControlModifier) {
        s |= ssCtrl;
    }
    if (mods & Qt::AltModifier) {
        s |= ssAlt;
    }
    if (buttons & Qt::LeftButton) {
        s |= ssLeft;
    }
    if (buttons & Qt::RightButton) {
        s |= ssRight;
    }
    if (buttons & Qt::MiddleButton) {
        s |= ssMiddle;
    }
    return s;
}

inline TMouseButton buttonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return TMouseButton::mbLeft;
    }
}

// What the toolkit paints on a widget.
enum class Painting {
    All,     // the control's surface and its non-windowed children
    Overlay, // only the non-windowed children, over the native drawing
    None,
};

class Detachable {
public:
    virtual ~Detachable() = default;
    // The control is gone: report nothing more.
    virtual void detach() = 0;
};

template <typename Base> class Hooked : public Base, public Detachable, public Surface {
public:
    template <typename... A>
    Hooked(TWinControl* control, Painting painting, A&&... args)
        : Base(std::forward<A>(args)...), control_(control), painting_(painting) {
        if (painting == Painting::All) {
            this->setAttribute(Qt::WA_OpaquePaintEvent);
        }
        RegisterSurface(this, this);
    }
    ~Hooked() override { RegisterSurface(this, nullptr); }

    void detach() override {
        control_ = nullptr;
        NoteLayoutChange(); // painting no longer reaches the control through this widget
    }
    void setReportsMouse(bool value) { reportsMouse_ = value; }
    TWinControl* control() const { return control_; }
    TWinControl* surfaceControl() const override { return control_; }

    // A surface draws the plain containers among its children; a plain container may itself
    // be drawn by its parent (see surfaces.h). Only for widgets the toolkit paints wholly.
    void setDrawsChildren(bool plainContainer) {
        if (painting_ == Painting::All) {
            setSurfaceRole(true, plainContainer);
            RefreshDrawnByParent(this);
        }
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        if (painting_ != Painting::All) {
            Base::paintEvent(e);
        }
        if (control_ == nullptr || painting_ == Painting::None) {
            return;
        }
        if (drawsChildren()) {
            // The device this paint goes to, unless it goes through another widget's painter.
            QPoint offset;
            QPaintDevice* device =
                this->sharedPainter() == nullptr ? this->redirected(&offset) : nullptr;
            Guard([&] { PaintSurface(this, control_, e, device, offset); });
            return;
        }
        QPainter painter(this);
        QtCanvas canvas(painter, fromQRect(e->rect()));
        TWinControl* c = control_;
        Guard([&] { c->PeerPaint(canvas, painting_ != Painting::All); });
    }

    bool event(QEvent* e) override {
        bool result = Base::event(e);
        switch (e->type()) {
        case QEvent::ChildAdded:
        case QEvent::ChildPolished:
        case QEvent::ChildRemoved:
        case QEvent::ParentChange:
            NoteLayoutChange();
            if (mayBeDrawn()) {
                RefreshDrawnByParent(this);
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::ZOrderChange:
            NoteLayoutChange(); // where and in what order the drawn children are painted
            break;
        default:
            break;
        }
        return result;
    }

    void mousePressEvent(QMouseEvent* e) override {
        Base::mousePressEvent(e);
        report(MouseAction::Down, e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        Base::mouseReleaseEvent(e);
        report(MouseAction::Up, e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        Base::mouseMoveEvent(e);
        report(MouseAction::Move, e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        Base::mouseDoubleClickEvent(e);
        report(MouseAction::DoubleClick, e);
    }

    void focusInEvent(QFocusEvent* e) override {
        Base::focusInEvent(e);
        reportFocus(e, true);
    }
    void focusOutEvent(QFocusEvent* e) override {
        Base::focusOutEvent(e);
        reportFocus(e, false);
    }

    void keyPressEvent(QKeyEvent* e) override {
        Base::keyPressEvent(e);
        if (e->isAccepted() || !this->isWindow() || control_ == nullptr ||
            e->modifiers() & ~Qt::KeypadModifier) {
            return;
        }
        int key = (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) ? VK_RETURN
                  : e->key() == Qt::Key_Escape                              ? VK_ESCAPE
                                                                            : 0;
        if (key != 0) {
            TWinControl* c = control_;
            bool taken = false;
            Guard([&] { taken = c->PeerDialogKey(key); });
            e->setAccepted(taken);
        }
    }

private:
    void report(MouseAction action, QMouseEvent* e) {
        if (control_ == nullptr || !reportsMouse_) {
            return;
        }
        TWinControl* c = control_;
        QPoint p = e->position().toPoint();
        TShiftState shift = shiftOf(e->modifiers(), e->buttons());
        TMouseButton button = buttonOf(e->button());
        Guard([&] { c->PeerMouse(action, button, shift, p.x(), p.y()); });
    }

    void reportFocus(QFocusEvent* e, bool in) {
        // Switching to another window or opening a menu does not move the focus inside the
        // form; coming back reports a focus that the toolkit already knows (or the first one).
        if (control_ == nullptr || e->reason() == Qt::PopupFocusReason ||
            (!in && e->reason() == Qt::ActiveWindowFocusReason)) {
            return;
        }
        TWinControl* c = control_;
        Guard([&] { c->PeerFocusChanged(in); });
    }

    TWinControl* control_;
    Painting painting_;
    bool reportsMouse_ = true;
};

} // namespace toolkit::qt
