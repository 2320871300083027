// The application's main window: never shown; it receives the system's broadcasts (a card's
// device node about to be removed, the end of the session) and ends the program. It also
// holds a small popup menu, "Open" and "Exit", for mouse messages delivered to it as 0x464.
#pragma once

#include "toolkit/forms.h"

namespace toolkit {
class TMenuItem;
class TPopupMenu;
} // namespace toolkit

namespace app {

// The mouse messages of the popup menu.
constexpr UINT WM_TRAYMESSAGE = WM_USER + 100;

class TfrmMain : public toolkit::TForm {
public:
    explicit TfrmMain(toolkit::TComponent* owner);
    ~TfrmMain() override;

    void FormCreate(toolkit::TObject* Sender);
    void FormClose(toolkit::TObject* Sender, toolkit::TCloseAction& Action);
    void OpenClick(toolkit::TObject* Sender);
    // Closes the control window (which saves its settings and closes its windows), then asks
    // the message loop to end.
    void ExitClick(toolkit::TObject* Sender);

    void WMTrayMessage(toolkit::TMessage& Msg);
    void WMDeviceChange(toolkit::TMessage& Msg);
    void WMEndSession(toolkit::TMessage& Msg);
    void WMQueryEndSession(toolkit::TMessage& Msg);

    toolkit::TPopupMenu* TrayMenu() const { return FTrayMenu; }

protected:
    void Describe() override;

private:
    void ShowControlWindow();
    void ShowTrayMenu();
    void FreeTrayMenu();

    toolkit::TPopupMenu* FTrayMenu = nullptr;
};

// A menu item without owner, with the caption and click handler given.
toolkit::TMenuItem* MakeMenuItem(const std::string& Caption, toolkit::TNotifyEvent OnClick);

} // namespace app
