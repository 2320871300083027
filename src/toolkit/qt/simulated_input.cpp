// Input for tests and tools, sent as Qt events so that it takes the same way as the user's.
#include "toolkit/qt/peers.h"
#include "toolkit/qt/qt_util.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace toolkit {
namespace {

// The widget that holds the control's client area, and the child widget at a point of it
// (with the point in that child's coordinates).
QWidget* targetAt(TWinControl* control, QPoint& point) {
    control->HandleNeeded();
    auto* peer = dynamic_cast<qt::QtPeer*>(control->Peer());
    if (peer == nullptr) {
        return nullptr;
    }
    QWidget* base = peer->container();
    QWidget* outer = peer->widget();
    if (base != outer && !base->rect().contains(point)) {
        // Beyond the client area lie the parts of the control's frame (a scroll box's bars).
        point = base->mapTo(outer, point);
        base = outer;
    }
    QWidget* child = base->childAt(point);
    if (child == nullptr) {
        return base;
    }
    point = child->mapFrom(base, point);
    return child;
}

Qt::MouseButton qtButton(TMouseButton button) {
    switch (button) {
    case TMouseButton::mbRight:
        return Qt::RightButton;
    case TMouseButton::mbMiddle:
        return Qt::MiddleButton;
    case TMouseButton::mbLeft:
        break;
    }
    return Qt::LeftButton;
}

int qtKey(int virtualKey) {
    switch (virtualKey) {
    case VK_BACK:
        return Qt::Key_Backspace;
    case VK_TAB:
        return Qt::Key_Tab;
    case VK_RETURN:
        return Qt::Key_Return;
    case VK_ESCAPE:
        return Qt::Key_Escape;
    case VK_SPACE:
        return Qt::Key_Space;
    case VK_PRIOR:
        return Qt::Key_PageUp;
    case VK_NEXT:
        return Qt::Key_PageDown;
    case VK_END:
        return Qt::Key_End;
    case VK_HOME:
        return Qt::Key_Home;
    case VK_LEFT:
        return Qt::Key_Left;
    case VK_UP:
        return Qt::Key_Up;
    case VK_RIGHT:
        return Qt::Key_Right;
    case VK_DOWN:
        return Qt::Key_Down;
    case VK_DELETE:
        return Qt::Key_Delete;
    default:
        // Digits and capital letters share their codes with Qt's keys.
        return virtualKey;
    }
}

void sendKey(QWidget* target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// The widget that takes the control's keys: the focused widget inside it, or its own.
QWidget* keyTarget(TWinControl* control) {
    control->HandleNeeded();
    QWidget* w = qt::widgetOf(control);
    if (w == nullptr) {
        return nullptr;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && (focus == w || w->isAncestorOf(focus))) {
        return focus;
    }
    return w;
}

} // namespace

void SimulateMouse(TWinControl* control, MouseAction action, TMouseButton button, int x, int y) {
    QPoint point(x, y);
    QWidget* target = targetAt(control, point);
    if (target == nullptr) {
        return;
    }
    Qt::MouseButton b = qtButton(button);
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButtons held = Qt::NoButton;
    switch (action) {
    case MouseAction::Down:
        type = QEvent::MouseButtonPress;
        held = b;
        break;
    case MouseAction::DoubleClick:
        type = QEvent::MouseButtonDblClick;
        held = b;
        break;
    case MouseAction::Up:
        type = QEvent::MouseButtonRelease;
        break;
    case MouseAction::Move:
        b = Qt::NoButton;
        break;
    }
    QPointF local(point);
    QMouseEvent event(type, local, target->mapToGlobal(local), b, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void SimulateClick(TWinControl* control, int x, int y) {
    SimulateMouse(control, MouseAction::Down, TMouseButton::mbLeft, x, y);
    SimulateMouse(control, MouseAction::Up, TMouseButton::mbLeft, x, y);
}

void SimulateKey(TWinControl* control, int virtualKey) {
    if (QWidget* target = keyTarget(control)) {
        QString text;
        if (virtualKey == VK_RETURN) {
            text = QStringLiteral("\r");
        } else if (virtualKey == VK_ESCAPE) {
            text = QString(QChar(0x1B));
        } else if (virtualKey == VK_SPACE) {
            text = QStringLiteral(" ");
        }
        sendKey(target, qtKey(virtualKey), text);
    }
}

void SimulateTyping(TWinControl* control, const std::string& text) {
    QWidget* target = keyTarget(control);
    if (target == nullptr) {
        return;
    }
    for (QChar c : qt::toQString(text)) {
        sendKey(target, c.isLetterOrNumber() ? c.toUpper().unicode() : 0, QString(c));
    }
}

} // namespace toolkit
