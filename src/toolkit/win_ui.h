// The Windows user-interface calls the program uses, with their Windows signatures and
// constants. Strings passed to the ...A calls are in the Windows ANSI code page 1252, as the
// program's texts are stored; they are shown as Unicode.
#pragma once

#include "platform/win_types.h"
#include "toolkit/picture.h"

#include <functional>
#include <string>

// MessageBoxA styles and results.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONHAND = MB_ICONERROR;
constexpr UINT MB_ICONSTOP = MB_ICONERROR;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_ICONASTERISK = MB_ICONINFORMATION;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// SetWindowPos.
#define HWND_TOP (reinterpret_cast<HWND>(static_cast<std::intptr_t>(0)))
#define HWND_BOTTOM (reinterpret_cast<HWND>(static_cast<std::intptr_t>(1)))
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<std::intptr_t>(-2)))
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

// WM_SYSCOMMAND.
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;

// Keys.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_DELETE = 0x2E;

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
BOOL MessageBeep(UINT uType);
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
BOOL IsWindow(HWND hWnd);
// Icons come from the program's resources, registered by name (see RegisterIconResource).
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
BOOL DestroyIcon(HICON hIcon);
BOOL GetCursorPos(POINT* lpPoint);

namespace toolkit {

// Code page 1252 and UTF-8.
std::string Cp1252ToUtf8(const std::string& text);
// Characters without a place in code page 1252 become '?'.
std::string Utf8ToCp1252(const std::string& text);

// The program's icon resources: 32 x 32 pictures in XPM form, by name.
void RegisterIconResource(const std::string& name, const char* const* xpm);
// The picture behind a handle from LoadIconA; an empty picture for an unknown handle.
TPicture IconPicture(HICON icon);

// A message box as shown: texts already turned into UTF-8.
struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};
// Tests install a handler that records every box and answers it (returns the button id)
// instead of showing it; an empty function restores the real boxes.
using MessageBoxHandler = std::function<int(const MessageBoxRecord&)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
// Tests count beeps instead of hearing them.
void SetBeepHandler(std::function<void(UINT)> handler);

} // namespace toolkit
