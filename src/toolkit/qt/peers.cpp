#include "toolkit/qt/peers.h"

#include "toolkit/forms.h"
#include "toolkit/qt/hooked_widget.h"
#include "toolkit/qt/icons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QToolTip>
#include <QWindow>

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
        // Deleted once the events being handled now are done: the control may be freed from
        // inside one of its own widget's events.
        widget_->setProperty("toolkitControl", QVariant());
        widget_->hide();
        widget_->setParent(nullptr);
        widget_->deleteLater();
    }
}

void QtPeer::setParent(WidgetPeer* parent) {
    auto* p = dynamic_cast<QtPeer*>(parent);
    widget_->setParent(p != nullptr ? p->container() : nullptr);
}

void QtPeer::setBounds(const TRect& bounds) {
    QRect r = toQRect(bounds);
    if (widget_->geometry() != r) {
        widget_->setGeometry(r);
    }
}

void QtPeer::setVisible(bool visible) {
    widget_->setVisible(visible);
}
void QtPeer::setEnabled(bool enabled) {
    widget_->setEnabled(enabled);
}
void QtPeer::setFont(const TFont& font) {
    widget_->setFont(toQFont(font));
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::WindowText, toQColor(font.Color()));
    pal.setColor(QPalette::ButtonText, toQColor(font.Color()));
    pal.setColor(QPalette::Text, toQColor(font.Color()));
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
    container()->update(toQRect(rect));
}
void QtPeer::invalidateAll() {
    widget_->update();
    if (container() != widget_) {
        container()->update();
    }
}

void QtPeer::update() {
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

namespace {

void setBackground(QWidget* w, QPalette::ColorRole role, TColor color) {
    QPalette pal = w->palette();
    pal.setColor(role, toQColor(color));
    w->setPalette(pal);
}

// ---- forms -----------------------------------------------------------------------------------

class FormWidget : public Hooked<QWidget> {
public:
    explicit FormWidget(TWinControl* control) : Hooked<QWidget>(control, Painting::All) {}
    bool applying = false;
    bool fixedSize = false;

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
        Qt::WindowStates s = form_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (state == TWindowState::wsMinimized) {
            s |= Qt::WindowMinimized;
        } else if (state == TWindowState::wsMaximized) {
            s |= Qt::WindowMaximized;
        }
        form_->setWindowState(s);
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
        form_->setMinimumSize(minimum.X, minimum.Y);
        form_->setMaximumSize(std::min(maximum.X, QWIDGETSIZE_MAX),
                              std::min(maximum.Y, QWIDGETSIZE_MAX));
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

// ---- plain containers ------------------------------------------------------------------------

class ContainerPeer : public QtPeer {
public:
    explicit ContainerPeer(TWinControl* control)
        : ContainerPeer(control, new Hooked<QWidget>(control, Painting::All)) {}

private:
    ContainerPeer(TWinControl* control, Hooked<QWidget>* w) : QtPeer(control, w, {w}) {}
};

class ScrollBoxPeer : public QtPeer {
public:
    explicit ScrollBoxPeer(TWinControl* control)
        : ScrollBoxPeer(control, new Hooked<QScrollArea>(control, Painting::None),
                        new Hooked<QWidget>(control, Painting::All)) {}

    QWidget* container() const override { return content_; }

    void setScrollBars(const ScrollBarSpec& horizontal, const ScrollBarSpec& vertical) override {
        area_->setHorizontalScrollBarPolicy(horizontal.visible ? Qt::ScrollBarAsNeeded
                                                               : Qt::ScrollBarAlwaysOff);
        area_->setVerticalScrollBarPolicy(vertical.visible ? Qt::ScrollBarAsNeeded
                                                           : Qt::ScrollBarAlwaysOff);
        area_->horizontalScrollBar()->setSingleStep(std::max(horizontal.increment, 1));
        area_->verticalScrollBar()->setSingleStep(std::max(vertical.increment, 1));
    }

    void setContentExtent(int width, int height) override {
        QSize size(std::max(width, 0), std::max(height, 0));
        if (content_->size() != size) {
            content_->resize(size);
        }
    }

    void invalidateAll() override { content_->update(); }

private:
    ScrollBoxPeer(TWinControl* control, Hooked<QScrollArea>* area, Hooked<QWidget>* content)
        : QtPeer(control, area, {area, content}), area_(area), content_(content) {
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(false);
        area->setWidget(content);
        area->setReportsMouse(false);
        area->setAutoFillBackground(false);
    }
    Hooked<QScrollArea>* area_;
    Hooked<QWidget>* content_;
};

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

// ---- edits and lists -------------------------------------------------------------------------

class EditPeer : public QtPeer {
public:
    explicit EditPeer(TWinControl* control)
        : EditPeer(control, new Hooked<QLineEdit>(control, Painting::None)) {}
    void setText(const std::string& text) override {
        QString s = toQString(text);
        if (edit_->text() != s) {
            QSignalBlocker block(edit_);
            edit_->setText(s);
        }
    }
    void setColor(TColor color) override { setBackground(edit_, QPalette::Base, color); }

private:
    EditPeer(TWinControl* control, Hooked<QLineEdit>* e) : QtPeer(control, e, {e}), edit_(e) {
        QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
            if (TWinControl* c = e->control()) {
                std::string t = fromQString(text);
                Guard([c, &t] { c->PeerTextEdited(t); });
            }
        });
    }
    Hooked<QLineEdit>* edit_;
};

class ComboBoxPeer : public QtPeer {
public:
    explicit ComboBoxPeer(TWinControl* control)
        : ComboBoxPeer(control, new Hooked<QComboBox>(control, Painting::None)) {}
    void setItems(const std::vector<std::string>& items) override {
        QSignalBlocker block(combo_);
        int index = combo_->currentIndex();
        combo_->clear();
        for (const std::string& item : items) {
            combo_->addItem(toQString(item));
        }
        combo_->setCurrentIndex(index < combo_->count() ? index : -1);
    }
    void setItemIndex(int index) override {
        QSignalBlocker block(combo_);
        combo_->setCurrentIndex(index);
    }
    void setColor(TColor color) override { setBackground(combo_, QPalette::Base, color); }

private:
    ComboBoxPeer(TWinControl* control, Hooked<QComboBox>* b) : QtPeer(control, b, {b}), combo_(b) {
        b->setEditable(false);
        QObject::connect(b, &QComboBox::activated, b, [b](int index) {
            if (TWinControl* c = b->control()) {
                Guard([c, index] { c->PeerIndexChosen(index); });
            }
        });
    }
    Hooked<QComboBox>* combo_;
};

class TrackBarPeer : public QtPeer {
public:
    explicit TrackBarPeer(TWinControl* control)
        : TrackBarPeer(control, new Hooked<QSlider>(control, Painting::None, Qt::Horizontal)) {}
    void setRange(int minimum, int maximum) override {
        QSignalBlocker block(slider_);
        slider_->setRange(minimum, maximum);
    }
    void setPosition(int position) override {
        QSignalBlocker block(slider_);
        slider_->setValue(position);
    }
    void setPageSize(int pageSize) override {
        QSignalBlocker block(slider_);
        slider_->setPageStep(pageSize);
    }

private:
    TrackBarPeer(TWinControl* control, Hooked<QSlider>* s) : QtPeer(control, s, {s}), slider_(s) {
        s->setTickPosition(QSlider::TicksBelow);
        s->setTickInterval(1);
        s->setSingleStep(1);
        QObject::connect(s, &QSlider::valueChanged, s, [s](int value) {
            if (TWinControl* c = s->control()) {
                Guard([c, value] { c->PeerValueChanged(value); });
            }
        });
    }
    Hooked<QSlider>* slider_;
};

// ---- pages -----------------------------------------------------------------------------------

class PageControlPeer : public QtPeer {
public:
    explicit PageControlPeer(TWinControl* control)
        : PageControlPeer(control, new Hooked<QWidget>(control, Painting::All)) {}

    void setBounds(const TRect& bounds) override {
        QtPeer::setBounds(bounds);
        tabs_->setGeometry(2, 0, std::max(bounds.Width() - 4, 0), tabs_->sizeHint().height());
    }
    void setPages(const std::vector<std::string>& captions, int active) override {
        QSignalBlocker block(tabs_);
        while (tabs_->count() > 0) {
            tabs_->removeTab(0);
        }
        for (const std::string& caption : captions) {
            tabs_->addTab(toQString(caption));
        }
        tabs_->setCurrentIndex(active);
        tabs_->setGeometry(2, 0, std::max(widget_->width() - 4, 0), tabs_->sizeHint().height());
    }
    void setTabWidth(int width) override {
        tabs_->setStyleSheet(width > 0 ? QString("QTabBar::tab { width: %1px; }").arg(width)
                                       : QString());
    }
    void setFont(const TFont& font) override {
        QtPeer::setFont(font);
        tabs_->setFont(toQFont(font));
    }

private:
    PageControlPeer(TWinControl* control, Hooked<QWidget>* w) : QtPeer(control, w, {w}) {
        tabs_ = new QTabBar(w);
        tabs_->setDrawBase(false);
        tabs_->setExpanding(false);
        QObject::connect(tabs_, &QTabBar::currentChanged, tabs_, [w](int index) {
            if (TWinControl* c = w->control(); c != nullptr && index >= 0) {
                Guard([c, index] { c->PeerIndexChosen(index); });
            }
        });
    }
    QTabBar* tabs_;
};

} // namespace

std::unique_ptr<WidgetPeer> createPeer(TWinControl* control, PeerKind kind) {
    switch (kind) {
    case PeerKind::Form:
        return std::make_unique<FormPeer>(control);
    case PeerKind::Container:
    case PeerKind::TabSheet:
        return std::make_unique<ContainerPeer>(control);
    case PeerKind::ScrollBox:
        return std::make_unique<ScrollBoxPeer>(control);
    case PeerKind::Button:
        return std::make_unique<ButtonPeer>(control);
    case PeerKind::CheckBox:
        return std::make_unique<CheckBoxPeer>(control);
    case PeerKind::RadioButton:
        return std::make_unique<RadioButtonPeer>(control);
    case PeerKind::GroupBox:
        return std::make_unique<GroupBoxPeer>(control);
    case PeerKind::Edit:
        return std::make_unique<EditPeer>(control);
    case PeerKind::ComboBox:
        return std::make_unique<ComboBoxPeer>(control);
    case PeerKind::TrackBar:
        return std::make_unique<TrackBarPeer>(control);
    case PeerKind::PageControl:
        return std::make_unique<PageControlPeer>(control);
    }
    return std::make_unique<ContainerPeer>(control);
}

} // namespace toolkit::qt
