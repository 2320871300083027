// The native widgets of edits, combo boxes and track bars. Values pushed by the toolkit never
// come back as user changes (signals are blocked while they are set).
#include "toolkit/qt/hooked_widget.h"
#include "toolkit/qt/peers.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

namespace toolkit::qt {
namespace {

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
    void setReadOnly(bool value) override { edit_->setReadOnly(value); }

private:
    EditPeer(TWinControl* control, Hooked<QLineEdit>* e) : QtPeer(control, e, {e}), edit_(e) {
        e->setFrame(true);
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
        combo_->clear();
        for (const std::string& item : items) {
            combo_->addItem(toQString(item));
        }
        combo_->setCurrentIndex(-1);
    }
    void setItemIndex(int index) override {
        QSignalBlocker block(combo_);
        combo_->setCurrentIndex(index < combo_->count() ? index : -1);
    }
    void setDropDownCount(int count) override { combo_->setMaxVisibleItems(count); }
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

// A slider with the keys of the classic track bar: Down and Page Down move up the scale (to the
// right), Up and Page Up down it.
class ToolkitSlider : public QSlider {
public:
    using QSlider::QSlider;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        int key = e->key();
        int mapped = key == Qt::Key_Up         ? Qt::Key_Down
                     : key == Qt::Key_Down     ? Qt::Key_Up
                     : key == Qt::Key_PageUp   ? Qt::Key_PageDown
                     : key == Qt::Key_PageDown ? Qt::Key_PageUp
                                               : key;
        if (mapped == key) {
            QSlider::keyPressEvent(e);
            return;
        }
        QKeyEvent swapped(e->type(), mapped, e->modifiers(), e->text(), e->isAutoRepeat(),
                          static_cast<quint16>(e->count()));
        QSlider::keyPressEvent(&swapped);
        e->setAccepted(swapped.isAccepted());
    }
};

class TrackBarPeer : public QtPeer {
public:
    explicit TrackBarPeer(TWinControl* control)
        : TrackBarPeer(control,
                       new Hooked<ToolkitSlider>(control, Painting::None, Qt::Horizontal)) {}
    void setRange(int minimum, int maximum) override {
        QSignalBlocker block(slider_);
        slider_->setRange(minimum, maximum);
    }
    void setPosition(int position) override {
        QSignalBlocker block(slider_);
        slider_->setValue(position);
    }
    void setPageSize(int pageSize) override { slider_->setPageStep(pageSize); }
    void setLineSize(int lineSize) override { slider_->setSingleStep(lineSize); }
    void setTickFrequency(int frequency) override {
        slider_->setTickPosition(frequency > 0 ? QSlider::TicksBelow : QSlider::NoTicks);
        slider_->setTickInterval(frequency);
    }
    void setColor(TColor color) override { setBackground(slider_, QPalette::Window, color); }

private:
    TrackBarPeer(TWinControl* control, Hooked<ToolkitSlider>* s)
        : QtPeer(control, s, {s}), slider_(s) {
        QObject::connect(s, &QSlider::valueChanged, s, [s](int value) {
            if (TWinControl* c = s->control()) {
                Guard([c, value] { c->PeerValueChanged(value); });
            }
        });
    }
    Hooked<ToolkitSlider>* slider_;
};

} // namespace

std::unique_ptr<WidgetPeer> createEditPeer(TWinControl* control) {
    return std::make_unique<EditPeer>(control);
}
std::unique_ptr<WidgetPeer> createComboBoxPeer(TWinControl* control) {
    return std::make_unique<ComboBoxPeer>(control);
}
std::unique_ptr<WidgetPeer> createTrackBarPeer(TWinControl* control) {
    return std::make_unique<TrackBarPeer>(control);
}

} // namespace toolkit::qt
