// The native window behind a form: the toolkit decides about closing, reports moves, resizes
// and activation, and maps border styles and the on-top state to window flags.
#include "toolkit/qt/hooked_widget.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/peers.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

namespace toolkit::qt {
namespace {

class FormWidget : public Hooked<QWidget> {
public:
    explicit FormWidget(TWinControl* control) : Hooked<QWidget>(control, Painting::All) {
        setDrawsChildren(false);
    }
    bool applying = false;
    bool fixedSize = false;
    // After leaving the maximised state: the bounds the toolkit means the window to have.
    bool reassertPending = false;
    TRect intended;

protected:
    void moveEvent(QMoveEvent* e) override {
        QWidget::moveEvent(e);
        reportBounds();
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        reportBounds();
    }
    void closeEvent(QCloseEvent* e) override {
        // The toolkit decides whether and how the form closes.
        e->ignore();
        if (TWinControl* c = control()) {
            Guard([c] { c->PeerCloseRequest(); });
        }
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized)) {
            // The window system maximised the window on the user's request: the toolkit
            // places it by the form's own limits instead, once this event is done.
            QPointer<FormWidget> self(this);
            QMetaObject::invokeMethod(
                this,
                [self] {
                    if (self == nullptr) {
                        return;
                    }
                    if (TWinControl* c = self->control()) {
                        Guard([c] { c->PeerMaximizeRequest(); });
                    }
                },
                Qt::QueuedConnection);
            return;
        }
        if (e->type() == QEvent::ActivationChange) {
            if (TWinControl* c = control()) {
                bool active = isActiveWindow();
                Guard([c, active] { c->PeerActivated(active); });
            }
        }
    }

private:
    void reportBounds() {
        TWinControl* c = control();
        if (applying || c == nullptr || !isVisible()) {
            return;
        }
        QPoint pos = this->pos();
        TRect bounds = Bounds(pos.x(), pos.y(), width(), height());
        Guard([c, bounds] { c->PeerBoundsChanged(bounds); });
    }
};

class FormPeer : public QtPeer {
public:
    explicit FormPeer(TWinControl* control) : FormPeer(control, new FormWidget(control)) {}

    void setParent(WidgetPeer*) override {}

    void setBounds(const TRect& bounds) override {
        if (form_->reassertPending) {
            form_->reassertPending = false;
            form_->intended = bounds;
        }
        form_->applying = true;
        // A form stands where its bounds say, also at (0, 0): moving it once tells the window
        // manager not to choose a place of its own.
        if (form_->pos() != QPoint(bounds.Left, bounds.Top) ||
            !form_->testAttribute(Qt::WA_Moved)) {
            form_->move(bounds.Left, bounds.Top);
        }
        QSize size(bounds.Width(), bounds.Height());
        if (form_->fixedSize) {
            form_->setFixedSize(size);
        } else if (form_->size() != size) {
            form_->resize(size);
        }
        form_->applying = false;
    }

    void setText(const std::string& text) override { form_->setWindowTitle(toQString(text)); }
    void setColor(TColor) override { form_->update(); }

    void setForm(const FormSpec& spec) override {
        Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
        bool fixed = false;
        switch (spec.borderStyle) {
        case TBorderStyle::bsNone:
            flags = Qt::Window | Qt::FramelessWindowHint;
            fixed = true;
            break;
        case TBorderStyle::bsSizeable:
            flags |= Qt::WindowMinMaxButtonsHint;
            break;
        case TBorderStyle::bsSingle:
            flags |= Qt::WindowMinMaxButtonsHint;
            fixed = true;
            break;
        case TBorderStyle::bsDialog:
            flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                    Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
            fixed = true;
            break;
        case TBorderStyle::bsToolWindow:
            flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                    Qt::CustomizeWindowHint;
            fixed = true;
            break;
        case TBorderStyle::bsSizeToolWin:
            flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                    Qt::CustomizeWindowHint;
            break;
        }
        if (spec.stayOnTop) {
            flags |= Qt::WindowStaysOnTopHint;
        }
        Qt::WindowModality modality = spec.modal ? Qt::ApplicationModal : Qt::NonModal;
        bool visible = form_->isVisible();
        bool changed = form_->windowFlags() != flags || form_->windowModality() != modality;
        if (changed && visible) {
            form_->hide();
        }
        form_->fixedSize = fixed;
        if (!fixed) {
            form_->setMinimumSize(0, 0);
            form_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
        if (form_->windowFlags() != flags) {
            form_->setWindowFlags(flags);
        }
        if (form_->windowModality() != modality) {
            form_->setWindowModality(modality);
        }
        if (changed && visible) {
            form_->show();
        }
    }

    // Without an icon of its own the form shows the application's.
    void setIcon(HICON icon) override {
        QIcon own = IconOf(icon);
        form_->setWindowIcon(own.isNull() ? QGuiApplication::windowIcon() : own);
    }

    void setWindowState(TWindowState state) override {
        bool leavesMaximized =
            (form_->windowState() & Qt::WindowMaximized) && state != TWindowState::wsMaximized;
        Qt::WindowStates s = form_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (state == TWindowState::wsMinimized) {
            s |= Qt::WindowMinimized;
        } else if (state == TWindowState::wsMaximized) {
            s |= Qt::WindowMaximized;
        }
        form_->setWindowState(s);
        if (leavesMaximized) {
            // A window manager that leaves its maximised state puts the window back where it
            // had it, some time later; the toolkit's bounds (set meanwhile) win.
            QPointer<FormWidget> widget(form_);
            // The bounds that the toolkit sets next are the ones meant.
            form_->reassertPending = true;
            form_->intended = TRect{form_->x(), form_->y(), form_->x() + form_->width(),
                                    form_->y() + form_->height()};
            QTimer::singleShot(200, form_, [widget] {
                if (widget != nullptr && widget->isVisible()) {
                    widget->reassertPending = false;
                    const TRect& b = widget->intended;
                    // Reported back as usual, so the form learns where it stands.
                    widget->move(b.Left, b.Top);
                    widget->resize(b.Width(), b.Height());
                }
            });
        }
    }

    TWindowState windowState() const override {
        Qt::WindowStates s = form_->windowState();
        if (s & Qt::WindowMinimized) {
            return TWindowState::wsMinimized;
        }
        if (s & Qt::WindowMaximized) {
            return TWindowState::wsMaximized;
        }
        return TWindowState::wsNormal;
    }

    void setSizeLimits(TPoint minimum, TPoint maximum) override {
        if (form_->fixedSize) {
            return;
        }
        // Only the toolkit's own bounds count: a resize that the new limits force on the
        // widget is not the user's.
        form_->applying = true;
        form_->setMinimumSize(minimum.X, minimum.Y);
        form_->setMaximumSize(std::min(maximum.X, QWIDGETSIZE_MAX),
                              std::min(maximum.Y, QWIDGETSIZE_MAX));
        form_->applying = false;
    }

    void activate() override {
        form_->raise();
        form_->activateWindow();
    }
    bool isActive() const override { return form_->isActiveWindow(); }

    TPoint clientToScreen(TPoint p) const override {
        // Without a window manager the widget sits at its position; otherwise Qt knows.
        QPoint g = form_->mapToGlobal(QPoint(p.X, p.Y));
        return {g.x(), g.y()};
    }

private:
    FormPeer(TWinControl* control, FormWidget* w) : QtPeer(control, w, {w}), form_(w) {}
    FormWidget* form_;
};
} // namespace

std::unique_ptr<WidgetPeer> createFormPeer(TWinControl* control) {
    return std::make_unique<FormPeer>(control);
}

} // namespace toolkit::qt
