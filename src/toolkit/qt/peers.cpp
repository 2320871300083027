#include "toolkit/qt/peers.h"

#include "toolkit/qt/hooked_widget.h"
#include "toolkit/qt/surfaces.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolTip>

namespace toolkit::qt {

// ---- common ----------------------------------------------------------------------------------

QtPeer::QtPeer(TWinControl* control, QWidget* widget, std::initializer_list<Detachable*> hooks)
    : control_(control), widget_(widget), hooks_(hooks) {
    widget->setProperty("toolkitControl", QVariant::fromValue(static_cast<void*>(control)));
}

QtPeer::~QtPeer() {
    for (Detachable* hook : hooks_) {
        hook->detach();
    }
    if (widget_) {
        leaveArea();
        // Deleted once the events being handled now are done: the control may be freed from
        // inside one of its own widget's events.
        widget_->setProperty("toolkitControl", QVariant());
        widget_->hide();
        widget_->setParent(nullptr);
        widget_->deleteLater();
    }
}

bool QtPeer::drawnByParent() const {
    Surface* s = SurfaceOf(widget_);
    return s != nullptr && s->drawnByParent();
}

void QtPeer::leaveArea() {
    // The window system repaints a place that a widget leaves only where the widget painted
    // itself.
    if (drawnByParent() && widget_->isVisible()) {
        RepaintArea(widget_->parentWidget(), widget_->geometry());
    }
}

void QtPeer::setParent(WidgetPeer* parent) {
    auto* p = dynamic_cast<QtPeer*>(parent);
    QWidget* target = p != nullptr ? p->container() : nullptr;
    if (widget_->parentWidget() != target) {
        leaveArea();
    }
    widget_->setParent(target); // the widget's ParentChange notes the layout change
}

void QtPeer::setBounds(const TRect& bounds) {
    QRect r = toQRect(bounds);
    if (widget_->geometry() != r) {
        leaveArea();
        widget_->setGeometry(r);
        NoteLayoutChange();
        if (drawnByParent() && widget_->isVisible()) {
            RepaintArea(widget_, widget_->rect());
        }
    }
}

void QtPeer::setVisible(bool visible) {
    if (visible == widget_->isVisibleTo(widget_->parentWidget()) || !drawnByParent()) {
        widget_->setVisible(visible);
        return;
    }
    if (!visible) {
        leaveArea();
    }
    widget_->setVisible(visible);
    if (visible && widget_->isVisible()) {
        RepaintArea(widget_, widget_->rect());
    }
}
void QtPeer::setEnabled(bool enabled) {
    widget_->setEnabled(enabled);
}
void QtPeer::setFont(const TFont& font) {
    widget_->setFont(toQFont(font));
    // The font's colour for the enabled states only: a disabled control keeps the style's
    // greyed text.
    QPalette pal = widget_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::WindowText, toQColor(font.Color()));
        pal.setColor(group, QPalette::ButtonText, toQColor(font.Color()));
        pal.setColor(group, QPalette::Text, toQColor(font.Color()));
    }
    widget_->setPalette(pal);
}

void QtPeer::setHint(const std::string& hint, bool show) {
    widget_->setToolTip(show ? toQString(hint) : QString());
}

void QtPeer::setCursor(TCursor cursor) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (cursor) {
    case TCursor::crDefault:
        widget_->unsetCursor();
        return;
    case TCursor::crArrow:
        shape = Qt::ArrowCursor;
        break;
    case TCursor::crCross:
        shape = Qt::CrossCursor;
        break;
    case TCursor::crIBeam:
        shape = Qt::IBeamCursor;
        break;
    case TCursor::crSizeNS:
        shape = Qt::SizeVerCursor;
        break;
    case TCursor::crSizeWE:
        shape = Qt::SizeHorCursor;
        break;
    case TCursor::crHandPoint:
        shape = Qt::PointingHandCursor;
        break;
    case TCursor::crHourGlass:
        shape = Qt::WaitCursor;
        break;
    }
    widget_->setCursor(shape);
}

void QtPeer::invalidate(const TRect& rect) {
    const QRect area = toQRect(rect);
    if (!repaintTarget_.repaint(area)) {
        repaintTarget_.repaint(container(), area);
    }
}
void QtPeer::invalidateAll() {
    RepaintArea(widget_, widget_->rect());
    if (container() != widget_) {
        container()->update();
    }
}

void QtPeer::update() {
    FlushRepaintAreas();
    if (QWidget* window = widget_->window()) {
        QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
        QCoreApplication::sendPostedEvents(window, QEvent::UpdateLater);
    }
}

void QtPeer::setFocus() {
    widget_->setFocus(Qt::OtherFocusReason);
}
bool QtPeer::hasFocus() const {
    return widget_->hasFocus();
}
void QtPeer::bringToFront() {
    widget_->raise();
}
void QtPeer::sendToBack() {
    widget_->lower();
}

TPoint QtPeer::clientToScreen(TPoint p) const {
    QPoint g = container()->mapToGlobal(QPoint(p.X, p.Y));
    return {g.x(), g.y()};
}

TPoint QtPeer::screenToClient(TPoint p) const {
    QPoint l = container()->mapFromGlobal(QPoint(p.X, p.Y));
    return {l.x(), l.y()};
}

QWidget* widgetOf(TWinControl* control) {
    auto* peer = dynamic_cast<QtPeer*>(control != nullptr ? control->Peer() : nullptr);
    return peer != nullptr ? peer->widget() : nullptr;
}
void setBackground(QWidget* w, QPalette::ColorRole role, TColor color) {
    QPalette pal = w->palette();
    pal.setColor(role, toQColor(color));
    w->setPalette(pal);
}

namespace {

// ---- buttons ---------------------------------------------------------------------------------

class ButtonPeer : public QtPeer {
public:
    explicit ButtonPeer(TWinControl* control)
        : ButtonPeer(control, new Hooked<QPushButton>(control, Painting::Overlay)) {}
    void setText(const std::string& text) override { button_->setText(toQString(text)); }
    void setDefault(bool value) override { button_->setDefault(value); }

private:
    ButtonPeer(TWinControl* control, Hooked<QPushButton>* b) : QtPeer(control, b, {b}), button_(b) {
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, b, [b] {
            if (TWinControl* c = b->control()) {
                Guard([c] { c->PeerClicked(); });
            }
        });
    }
    Hooked<QPushButton>* button_;
};

class CheckBoxPeer : public QtPeer {
public:
    explicit CheckBoxPeer(TWinControl* control)
        : CheckBoxPeer(control, new Hooked<QCheckBox>(control, Painting::Overlay)) {}
    void setText(const std::string& text) override { box_->setText(toQString(text)); }
    void setChecked(bool checked) override {
        QSignalBlocker block(box_);
        box_->setChecked(checked);
    }
    void setColor(TColor color) override { setBackground(box_, QPalette::Window, color); }

private:
    CheckBoxPeer(TWinControl* control, Hooked<QCheckBox>* b) : QtPeer(control, b, {b}), box_(b) {
        QObject::connect(b, &QCheckBox::clicked, b, [b](bool checked) {
            if (TWinControl* c = b->control()) {
                Guard([c, checked] { c->PeerToggled(checked); });
            }
        });
    }
    Hooked<QCheckBox>* box_;
};

// A radio button that the toolkit groups itself: a click never unchecks it.
class ToolkitRadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override {
        if (!isChecked()) {
            setChecked(true);
        }
    }
};

class RadioButtonPeer : public QtPeer {
public:
    explicit RadioButtonPeer(TWinControl* control)
        : RadioButtonPeer(control, new Hooked<ToolkitRadioButton>(control, Painting::Overlay)) {}
    void setText(const std::string& text) override { radio_->setText(toQString(text)); }
    void setChecked(bool checked) override {
        QSignalBlocker block(radio_);
        radio_->setChecked(checked);
    }
    void setColor(TColor color) override { setBackground(radio_, QPalette::Window, color); }

private:
    RadioButtonPeer(TWinControl* control, Hooked<ToolkitRadioButton>* b)
        : QtPeer(control, b, {b}), radio_(b) {
        b->setAutoExclusive(false);
        QObject::connect(b, &QRadioButton::clicked, b, [b](bool checked) {
            if (TWinControl* c = b->control(); c != nullptr && checked) {
                Guard([c] { c->PeerToggled(true); });
            }
        });
    }
    Hooked<ToolkitRadioButton>* radio_;
};

class GroupBoxPeer : public QtPeer {
public:
    explicit GroupBoxPeer(TWinControl* control)
        : GroupBoxPeer(control, new Hooked<QGroupBox>(control, Painting::Overlay)) {}
    void setText(const std::string& text) override { box_->setTitle(toQString(text)); }

private:
    GroupBoxPeer(TWinControl* control, Hooked<QGroupBox>* b) : QtPeer(control, b, {b}), box_(b) {}
    Hooked<QGroupBox>* box_;
};
} // namespace

std::unique_ptr<WidgetPeer> createPeer(TWinControl* control, PeerKind kind) {
    switch (kind) {
    case PeerKind::Form:
        return createFormPeer(control);
    case PeerKind::Container:
    case PeerKind::TabSheet:
        return createContainerPeer(control);
    case PeerKind::ScrollBox:
        return createScrollBoxPeer(control);
    case PeerKind::Button:
        return std::make_unique<ButtonPeer>(control);
    case PeerKind::CheckBox:
        return std::make_unique<CheckBoxPeer>(control);
    case PeerKind::RadioButton:
        return std::make_unique<RadioButtonPeer>(control);
    case PeerKind::GroupBox:
        return std::make_unique<GroupBoxPeer>(control);
    case PeerKind::Edit:
        return createEditPeer(control);
    case PeerKind::ComboBox:
        return createComboBoxPeer(control);
    case PeerKind::TrackBar:
        return createTrackBarPeer(control);
    case PeerKind::PageControl:
        return createPageControlPeer(control);
    }
    return createContainerPeer(control);
}

} // namespace toolkit::qt
