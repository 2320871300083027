#include "toolkit/win_ui.h"

#include "toolkit/forms.h"
#include "toolkit/message_queue.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/peers.h"
#include "toolkit/qt/qt_util.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QThread>
#include <map>
#include <mutex>

namespace toolkit {
namespace {

MessageBoxHandler& messageBoxHandler() {
    static MessageBoxHandler handler;
    return handler;
}

std::function<void(UINT)>& beepHandler() {
    static std::function<void(UINT)> handler;
    return handler;
}

struct IconTable {
    std::mutex mutex;
    std::map<std::string, const char* const*> resources;
    std::map<std::uintptr_t, QIcon> loaded;
    std::uintptr_t next = 0x1000;
};

IconTable& icons() {
    static auto* table = new IconTable;
    return *table;
}

bool onUserInterfaceThread() {
    return QCoreApplication::instance() == nullptr ||
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    messageBoxHandler() = std::move(handler);
}
void SetBeepHandler(std::function<void(UINT)> handler) {
    beepHandler() = std::move(handler);
}

void RegisterIconResource(const std::string& name, const char* const* xpm) {
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    t.resources[name] = xpm;
}

namespace qt {
QIcon IconOf(HICON icon) {
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    auto it = t.loaded.find(reinterpret_cast<std::uintptr_t>(icon));
    return it == t.loaded.end() ? QIcon() : it->second;
}
} // namespace qt

} // namespace toolkit

using namespace toolkit;

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    MessageBoxRecord record{hWnd, Cp1252ToUtf8(lpText != nullptr ? lpText : ""),
                            Cp1252ToUtf8(lpCaption != nullptr ? lpCaption : "Error"), uType};
    if (messageBoxHandler()) {
        return messageBoxHandler()(record);
    }
    if (!onUserInterfaceThread()) {
        return 0;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (uType & 0xF0) {
    case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONWARNING:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QWidget* owner = nullptr;
    if (hWnd != nullptr) {
        owner = qt::widgetOf(FindControl(hWnd));
    }
    // On the heap and watched: messages handled while the box is open may free the owner's
    // form, and the owner's widget takes the box with it when it goes.
    QPointer<QMessageBox> box =
        new QMessageBox(icon, qt::toQString(record.caption), qt::toQString(record.text),
                        QMessageBox::NoButton, owner);
    switch (uType & 0x0F) {
    case MB_OKCANCEL:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }
    box->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    box->exec();
    QAbstractButton* clicked = box ? box->clickedButton() : nullptr;
    int result = IDOK;
    switch (clicked != nullptr ? box->standardButton(clicked) : QMessageBox::NoButton) {
    case QMessageBox::Cancel:
        result = IDCANCEL;
        break;
    case QMessageBox::Yes:
        result = IDYES;
        break;
    case QMessageBox::No:
        result = IDNO;
        break;
    default:
        result = (uType & 0x0F) == MB_OKCANCEL && clicked == nullptr ? IDCANCEL : IDOK;
        break;
    }
    delete box;
    return result;
}

BOOL MessageBeep(UINT uType) {
    if (beepHandler()) {
        beepHandler()(uType);
    } else if (QCoreApplication::instance() != nullptr && onUserInterfaceThread()) {
        QApplication::beep();
    }
    return TRUE;
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostWindowMessage(hWnd, Msg, wParam, lParam) ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (!onUserInterfaceThread()) {
        return 0;
    }
    TWinControl* control = FindControl(hWnd);
    return control != nullptr ? control->Perform(Msg, wParam, lParam) : 0;
}

BOOL IsWindow(HWND hWnd) {
    return IsLiveWindowHandle(hWnd) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
    if (!onUserInterfaceThread()) {
        return FALSE;
    }
    TWinControl* control = FindControl(hWnd);
    if (control == nullptr) {
        return FALSE;
    }
    if (!(uFlags & SWP_NOMOVE) || !(uFlags & SWP_NOSIZE)) {
        int left = (uFlags & SWP_NOMOVE) ? control->Left() : X;
        int top = (uFlags & SWP_NOMOVE) ? control->Top() : Y;
        int width = (uFlags & SWP_NOSIZE) ? control->Width() : cx;
        int height = (uFlags & SWP_NOSIZE) ? control->Height() : cy;
        control->SetBounds(left, top, width, height);
    }
    if (!(uFlags & SWP_NOZORDER)) {
        if (auto* form = dynamic_cast<TCustomForm*>(control)) {
            if (hWndInsertAfter == HWND_TOPMOST) {
                form->SetTopmost(true);
            } else if (hWndInsertAfter == HWND_NOTOPMOST) {
                form->SetTopmost(false);
            } else if (hWndInsertAfter == HWND_TOP && control->Peer() != nullptr) {
                control->Peer()->bringToFront();
            } else if (hWndInsertAfter == HWND_BOTTOM && control->Peer() != nullptr) {
                control->Peer()->sendToBack();
            }
        }
    }
    if (uFlags & SWP_SHOWWINDOW) {
        control->Show();
    } else if (uFlags & SWP_HIDEWINDOW) {
        control->Hide();
    }
    if (!(uFlags & SWP_NOACTIVATE)) {
        if (auto* form = dynamic_cast<TCustomForm*>(control);
            form && form->Visible() && form->Peer()) {
            form->Peer()->activate();
        }
    }
    return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName) {
    if (lpIconName == nullptr) {
        return nullptr;
    }
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    auto it = t.resources.find(lpIconName);
    if (it == t.resources.end()) {
        return nullptr;
    }
    QPixmap pixmap(it->second);
    if (pixmap.isNull()) {
        return nullptr;
    }
    std::uintptr_t id = t.next;
    t.next += 4;
    t.loaded.emplace(id, QIcon(pixmap));
    return reinterpret_cast<HICON>(id);
}

BOOL DestroyIcon(HICON hIcon) {
    IconTable& t = icons();
    std::lock_guard lock(t.mutex);
    return t.loaded.erase(reinterpret_cast<std::uintptr_t>(hIcon)) != 0 ? TRUE : FALSE;
}

BOOL GetCursorPos(POINT* lpPoint) {
    if (lpPoint == nullptr) {
        return FALSE;
    }
    QPoint p = QCursor::pos();
    lpPoint->x = p.x();
    lpPoint->y = p.y();
    return TRUE;
}
