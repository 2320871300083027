// The application's main window: never shown; it receives the system's broadcasts and ends
// the program.
#pragma once

#include "toolkit/forms.h"

namespace app {

class TfrmMain : public toolkit::TForm {
public:
    explicit TfrmMain(toolkit::TComponent* owner);

    void FormCreate(toolkit::TObject* Sender);
    void FormClose(toolkit::TObject* Sender, toolkit::TCloseAction& Action);
    // Closes the control window (which saves its settings and closes its windows), then asks
    // the message loop to end.
    void ExitClick(toolkit::TObject* Sender);

protected:
    void Describe() override;
};

} // namespace app
