// The control window: opened by a double click on the notification-area icon. Its creation
// runs device discovery once for the whole run.
#pragma once

#include "toolkit/forms.h"

namespace app {

constexpr UINT WM_FORMCLOSED = WM_USER + 100;

class TMixControlWnd : public toolkit::TForm {
public:
    explicit TMixControlWnd(toolkit::TComponent* owner);
    ~TMixControlWnd() override;

    void FormCreate(toolkit::TObject* Sender);
    void FormActiveChanged(toolkit::TObject* Sender);
    void WMTrayIcon(toolkit::TMessage& Msg);
    void WMGetMinMaxInfo(toolkit::TMessage& Msg);

    bool LimitSize() const { return FLimitSize; }

protected:
    void Describe() override;

private:
    bool FLimitSize = false;
};

// The window's fixed outer height, computed at creation.
extern int ControlWndHeight;

} // namespace app
