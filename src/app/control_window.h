// The control window: opened by a double click on the notification-area icon. Its four check
// boxes open and close the input and output meter windows and the settings dialog, and keep
// the program's windows on top. It owns the windows it opens, remembers where it stood and which
// meter windows were open, and its creation runs device discovery once for the whole run.
#pragma once

#include "controls/ext_controls.h"
#include "driver/records.h"
#include "toolkit/forms.h"
#include "toolkit/panel.h"

namespace meters {
class TfrmAdatInp;
class TfrmAdatOut;
} // namespace meters

namespace settings {
class TdlgCfg;
}

namespace app {

class TMixControlWnd : public toolkit::TForm {
public:
    explicit TMixControlWnd(toolkit::TComponent* owner);
    ~TMixControlWnd() override;

    // Published methods.
    void FormCreate(toolkit::TObject* Sender);
    void FormShow(toolkit::TObject* Sender);
    void FormClose(toolkit::TObject* Sender, toolkit::TCloseAction& Action);
    void chkAdatInputsClick(toolkit::TObject* Sender);
    void chkAdatOutputsClick(toolkit::TObject* Sender);
    void chkStayOnTopClick(toolkit::TObject* Sender);
    void chkSettingsClick(toolkit::TObject* Sender);
    void FormActiveChanged(toolkit::TObject* Sender);

    // Message handlers.
    void WMFormClosed(toolkit::TMessage& Msg);
    void WMGetMinMaxInfo(toolkit::TMessage& Msg);
    void WMTrayIcon(toolkit::TMessage& Msg);

    const driver::TDriverConfig& Config() const { return FConfig; }

    toolkit::TPanel* Panel1 = nullptr;
    controls::TExtCheckBox* chkAdatInputs = nullptr;
    controls::TExtCheckBox* chkAdatOutputs = nullptr;
    toolkit::TPanel* Panel2 = nullptr;
    controls::TExtCheckBox* chkStayOnTop = nullptr;
    toolkit::TPanel* Panel3 = nullptr;
    controls::TExtCheckBox* chkSettings = nullptr;

protected:
    void Describe() override;
    void Notification(toolkit::TComponent* component, toolkit::TOperation operation) override;

private:
    template <typename F> void ToggleMeterWindow(controls::TExtCheckBox* box, F*& window);
    void openSettingsDialog();
    void closeSettingsDialog();
    toolkit::TCustomForm* settingsDialog() const;

    driver::TDriverConfig FConfig{};
    bool FLimitSize = false;
};

// The window's fixed outer height, computed at creation.
extern int ControlWndHeight;

// The windows the control window opens: none, or the one window of its kind.
extern meters::TfrmAdatInp* frmAdatInp;
extern meters::TfrmAdatOut* frmAdatOut;
extern settings::TdlgCfg* dlgCfg;

// The control window's settings: key name, section suffix and Tag mask.
constexpr const char* kSettingsKey = "qorvamix.ini";
constexpr std::int32_t kSavedTagMask = -1;

} // namespace app
