// The Windows user-interface calls on the toolkit's message queue and controls. What needs the
// screen (the box itself, the beep, the cursor) is asked of the windowing backend.
#include "toolkit/win_ui.h"

#include "toolkit/forms.h"
#include "toolkit/message_queue.h"
#include "toolkit/peer.h"

#include <utility>

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

// Without a backend there is no other thread that runs the user interface.
bool onUserInterfaceThread() {
    WindowingBackend* backend = GetWindowingBackend();
    return backend == nullptr || backend->isUserInterfaceThread();
}

} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    messageBoxHandler() = std::move(handler);
}
void SetBeepHandler(std::function<void(UINT)> handler) {
    beepHandler() = std::move(handler);
}

} // namespace toolkit

using namespace toolkit;

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    MessageBoxRecord record{hWnd, Cp1252ToUtf8(lpText != nullptr ? lpText : ""),
                            Cp1252ToUtf8(lpCaption != nullptr ? lpCaption : "Error"), uType};
    if (messageBoxHandler()) {
        return messageBoxHandler()(record);
    }
    WindowingBackend* backend = GetWindowingBackend();
    if (backend == nullptr || !backend->isUserInterfaceThread()) {
        return 0;
    }
    return backend->messageBox(record, hWnd != nullptr ? FindControl(hWnd) : nullptr);
}

BOOL MessageBeep(UINT uType) {
    if (beepHandler()) {
        beepHandler()(uType);
    } else if (WindowingBackend* backend = GetWindowingBackend();
               backend != nullptr && backend->isUserInterfaceThread()) {
        backend->beep();
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

BOOL GetCursorPos(POINT* lpPoint) {
    WindowingBackend* backend = GetWindowingBackend();
    if (lpPoint == nullptr || backend == nullptr) {
        return FALSE;
    }
    TPoint p = backend->cursorPos();
    lpPoint->x = p.X;
    lpPoint->y = p.Y;
    return TRUE;
}
