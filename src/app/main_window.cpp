#include "app/main_window.h"

#include "app/control_window.h"
#include "app/startup.h"

namespace app {

TfrmMain::TfrmMain(toolkit::TComponent* owner) : TForm(owner) {
    Publish("FormCreate", this, &TfrmMain::FormCreate);
    Publish("FormClose", this, &TfrmMain::FormClose);
    Publish("ExitClick", this, &TfrmMain::ExitClick);
}

void TfrmMain::Describe() {
    SetName("frmMain");
    SetCaption("frmMain");
    Font().SetName("MS Sans Serif");
    Bind(OnCreate, "FormCreate");
    Bind(OnClose, "FormClose");
}

void TfrmMain::FormCreate(toolkit::TObject*) {}

void TfrmMain::FormClose(toolkit::TObject*, toolkit::TCloseAction&) {
    ExitClick(this);
}

void TfrmMain::ExitClick(toolkit::TObject*) {
    if (MixControlWnd != nullptr) {
        MixControlWnd->Close();
    }
    ExitRequested = true;
}

} // namespace app
